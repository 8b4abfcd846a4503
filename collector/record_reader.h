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

// A record's comma-separated values, split the way the record writer joins
// them: a value starting with a double quote runs to the closing quote, and
// two quotes inside stand for one.
struct SplitRecord {
    std::vector<std::string> values;
    bool oneLine = true;     // exactly one line, ended by CR LF
    bool validBytes = true;  // every byte sequence valid in the code page
};
SplitRecord SplitRecordLine(std::string_view bytes, const platform::TextCodec& codec);

// The program's form of a path (UTF-8) as the file system library takes it,
// and back.
std::filesystem::path FsPath(const std::string& utf8);
std::string Utf8Name(const std::filesystem::path& path);

// Every "*.txt" directly in the folder (not in sub-folders), sorted by name.
// Raises a RunTimeError naming the folder when it cannot be listed.
std::vector<std::filesystem::directory_entry> ListRecordFiles(const std::string& folder);

// Reads one record file into a host record with its seven values and items.
// Whatever keeps it from being read fully becomes a problem of the record.
HostRecord ReadRecordFile(const std::filesystem::directory_entry& entry,
                          const platform::TextCodec& codec, std::vector<Problem>& problems);

}  // namespace zelmo::collector
