#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "collector/collection.h"
#include "platform/text_codec.h"

namespace zelmo::collector {

// The bytes a record file may hold before it is refused unread: a record is
// one line, and a huge file dropped into the share must not exhaust memory.
inline constexpr std::uintmax_t kMaxRecordBytes = 1024 * 1024;

// The program's form of a path (UTF-8) as the file system library takes it,
// and back.
std::filesystem::path FsPath(const std::string& utf8);
std::string Utf8Name(const std::filesystem::path& path);

// Every "*.txt" directly in the folder (not in sub-folders), sorted by name.
// Raises a RunTimeError naming the folder when it cannot be listed.
std::vector<std::filesystem::path> ListRecordFiles(const std::string& folder);

// Reads one record file into a host record with its seven values and items.
// Whatever keeps it from being read fully becomes a problem of the record.
// The file is opened as it is then, whatever the listing said it was.
HostRecord ReadRecordFile(const std::filesystem::path& path, const platform::TextCodec& codec,
                          std::vector<Problem>& problems);

// The same for bytes already read: splits and checks the line's form.
void ParseRecordBytes(std::string_view bytes, const platform::TextCodec& codec, HostRecord& record,
                      std::vector<Problem>& problems);

}  // namespace zelmo::collector
