#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace zelmo::platform {

// Replaces a whole file in one step, so that a failure at any point leaves
// the earlier file exactly as it was and no temporary file behind.
class RecordFileService {
  public:
    virtual ~RecordFileService() = default;
    // path in the program's form (UTF-8, "\" or the system's separators);
    // the parts are written as given, one after the other, so that a large
    // record need not be joined into one more copy first. Raises a
    // RunTimeError naming the path.
    virtual void ReplaceContents(const std::string& path,
                                 std::span<const std::string_view> parts) = 0;
    void ReplaceContents(const std::string& path, std::string_view bytes) {
        ReplaceContents(path, std::span<const std::string_view>(&bytes, 1));
    }
};

std::unique_ptr<RecordFileService> OpenSystemRecordFiles();

}  // namespace zelmo::platform
