#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/unique_fd.h"

namespace zelmo::platform::posix {

// The folders a thread listed last, kept open, each inside the one before.
// A walk goes depth first, so the next folder it lists is mostly a child of
// one of them and is opened from there: one name for the kernel to look up
// instead of the whole path, which is most of what opening costs. Kept for
// one reading of the mount table only, as a descriptor stays with the mounts
// of when it was opened.
class OpenFolders {
  public:
    // Opens folder (absolute, without a closing '/') to be listed; invalid
    // when it cannot be opened.
    UniqueFd Open(const std::string& folder, std::uint64_t mountsRead);

    // Keeps fd, which folder was just listed through, for the folders below;
    // not if the table was read again meanwhile (a listing inside a listing).
    void Keep(std::string folder, UniqueFd fd, std::uint64_t mountsRead);

  private:
    // Enough for the depth of nearly every tree, few beside the limit on
    // open files.
    static constexpr std::size_t kMost = 32;

    // Closes the folders that do not lie above folder.
    void DropAllBut(std::string_view folder);

    struct Kept {
        std::string folder;
        UniqueFd fd;
    };
    std::vector<Kept> kept_;
    std::uint64_t mountsRead_ = 0;
};

}  // namespace zelmo::platform::posix
