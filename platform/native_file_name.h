#pragma once

#include <filesystem>
#include <string>

#include "platform/text_codec.h"

namespace zelmo::platform {

// Maps a file name to what the system's file calls take: the ANSI code page
// and, where the system's separator differs, its separators. Each backend
// supplies it (platform/<backend>/native_file_name.cpp).
std::string NativeFileName(const std::string& name, const TextCodec& codec);

// The same file as the file system library names it, so that a file the
// program writes by name can be read back with that library.
std::filesystem::path NativePath(const std::string& name);

// A name as a user gave it on a command line (UTF-8): in the system's own
// form and nothing else; no drive letters or backslashes are mapped, since
// on a system without them they are ordinary parts of a name.
std::string CommandLineFileName(const std::string& name);

}  // namespace zelmo::platform
