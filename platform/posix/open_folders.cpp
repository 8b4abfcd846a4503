#include "platform/posix/open_folders.h"

#include <fcntl.h>

#include <utility>

#include "platform/posix/path_within.h"

namespace zelmo::platform::posix {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Whether folder lies above path; both absolute, without a closing '/'.
bool IsAbove(std::string_view folder, std::string_view path) {
    return path.size() > folder.size() && IsWithin(path, folder);
}

}  // namespace

UniqueFd OpenFolders::Open(const std::string& folder, std::uint64_t mountsRead) {
    if (mountsRead != mountsRead_) {
        kept_.clear();
        mountsRead_ = mountsRead;
    }
    DropAllBut(folder);
    if (!kept_.empty()) {
        const std::string& parent = kept_.back().folder;
        const std::size_t nameAt = parent == "/" ? 1 : parent.size() + 1;
        if (folder.find('/', nameAt) == std::string::npos) {
            return UniqueFd(openat(kept_.back().fd.Get(), folder.c_str() + nameAt, kFolderFlags));
        }
    }
    return UniqueFd(openat(AT_FDCWD, folder.c_str(), kFolderFlags));
}

void OpenFolders::Keep(std::string folder, UniqueFd fd, std::uint64_t mountsRead) {
    if (mountsRead != mountsRead_) return;
    DropAllBut(folder);
    if (kept_.size() < kMost) kept_.push_back({std::move(folder), std::move(fd)});
}

void OpenFolders::DropAllBut(std::string_view folder) {
    while (!kept_.empty() && !IsAbove(kept_.back().folder, folder)) kept_.pop_back();
}

}  // namespace zelmo::platform::posix
