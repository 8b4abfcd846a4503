#pragma once

// What each backend supplies at link time. Every contract below is declared
// in platform/<contract>.h and implemented once per backend in a file of the
// same name, platform/posix/<contract>.cpp and platform/win32/<contract>.cpp
// (the form run time: platform/qt/ and platform/win32/); the build links
// exactly one backend. platform/memory/ holds in-memory services for tests,
// made directly rather than through these functions.
//
//   drives            ConfigureDrives
//   file_identity     IdentifyPath, IdentifyFolderEntries
//   file_system       OpenSystemFileSystem
//   folder_listing    ListFolder
//   form_runtime      OpenFormRuntime
//   host_identity     OpenSystemHostIdentity
//   memory_status     OpenSystemMemoryStatus
//   multimedia        OpenSystemMultimedia
//   native_file_name  NativeFileName
//   output_file       StageOutput (the collector's outputs)
//   private_profile   ProfileString, ProfileInt
//   program_folder    ProgramFolder
//   record_file       NewRecordReplacement (record_replace.h: the steps
//                     that ReplaceRecord puts in order)
//   settings_folder   SystemSettingsFolder
//   terminal          StandardOutputIsTerminal, StandardErrorIsTerminal
//   text_codec        TextCodec::System, ToAnsi, FromAnsi; UpperCase
//   untrusted_file    ReadUntrustedFile
//
// Everything else in platform/ is shared by all backends. Helpers that only
// one backend needs stay in its folder (posix/local_mounts, win32/wide_text,
// win32/window_class).

#include "platform/drives.h"
#include "platform/file_identity.h"
#include "platform/file_system.h"
#include "platform/folder_listing.h"
#include "platform/form_runtime.h"
#include "platform/host_identity.h"
#include "platform/memory_status.h"
#include "platform/multimedia.h"
#include "platform/native_file_name.h"
#include "platform/output_file.h"
#include "platform/private_profile.h"
#include "platform/program_folder.h"
#include "platform/record_replace.h"
#include "platform/settings_folder.h"
#include "platform/terminal.h"
#include "platform/text_codec.h"
#include "platform/untrusted_file.h"
