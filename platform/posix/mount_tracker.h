#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/posix/local_mounts.h"

namespace zelmo::platform::posix {

// The mount table a file system's listings go by: read at its first listing
// and again at each listing of a drive root, so that each walk sees the
// mounts as they are when it starts. Each listing thread keeps a copy and
// takes the lock only when the reading changes, not for every folder.
class MountTracker {
  public:
    // One thread's copy. read numbers the readings of all trackers alike,
    // so a copy is never taken for another tracker's.
    struct Copy {
        std::uint64_t read = 0;
        std::shared_ptr<const MountTable> table;
    };

    // Reads the table again when readAgain or when never read, then brings
    // mine up to the tracker's reading.
    void Update(Copy& mine, bool readAgain);

  private:
    std::mutex mutex_;
    std::atomic<std::uint64_t> read_{0};
    std::shared_ptr<const MountTable> table_;
};

}  // namespace zelmo::platform::posix
