#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/record_file.h"

namespace zelmo::platform::memory {

// Record files in memory, replaced by the same steps as on disk (a temporary
// file beside the record, then a rename), so that they refuse and fail as a
// real system's do. Paths use "\" alone.
class MemoryRecordFiles : public RecordFileService {
  public:
    using RecordFileService::ReplaceContents;
    void ReplaceContents(const std::string& path, std::span<const std::string_view> parts) override;

    std::map<std::string, std::string> files;
    // Folders that exist; a path whose folder is not here fails with 76.
    std::map<std::string, bool> folders;  // folder -> writable
    // Files this user may not replace.
    std::set<std::string> readOnly;
    // The next write fails once the record passes that many bytes, with
    // failWith, the way a full disk or a pulled network share does.
    std::optional<std::size_t> failAfterBytes;
    int failWith = 61;
};

}  // namespace zelmo::platform::memory
