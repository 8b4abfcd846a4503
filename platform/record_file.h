#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace zelmo::platform {

// Replaces a whole file in one step, so that a failure at any point leaves
// the earlier file exactly as it was and no temporary file behind.
class RecordFileService {
  public:
    virtual ~RecordFileService() = default;
    // path in the program's form (UTF-8, "\" or the system's separators);
    // bytes are written as given. Raises a RunTimeError naming the path.
    virtual void ReplaceContents(const std::string& path, std::string_view bytes) = 0;
};

std::unique_ptr<RecordFileService> OpenSystemRecordFiles();

}  // namespace zelmo::platform
