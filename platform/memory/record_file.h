#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/record_file.h"

namespace zelmo::platform::memory {

// Record files in memory. failAfterBytes makes the next write fail after
// that many bytes, with the given error number, the way a full disk or a
// pulled network share does.
class MemoryRecordFiles : public RecordFileService {
  public:
    using RecordFileService::ReplaceContents;
    void ReplaceContents(const std::string& path, std::span<const std::string_view> parts) override;

    std::map<std::string, std::string> files;
    // Folders that exist; a path whose folder is not here fails with 76.
    std::map<std::string, bool> folders;  // folder -> writable
    std::optional<std::size_t> failAfterBytes;
    int failWith = 61;
    // What a failed write had put into its temporary file before it failed.
    std::string abandoned;
};

}  // namespace zelmo::platform::memory
