#include "platform/posix/mount_tracker.h"

namespace zelmo::platform::posix {

void MountTracker::Update(Copy& mine, bool readAgain) {
    static std::atomic<std::uint64_t> reads{0};
    if (readAgain || read_.load() == 0) {
        std::lock_guard lock(mutex_);
        if (readAgain || read_.load() == 0) {
            table_ = std::make_shared<const MountTable>(MountTable::Read());
            read_ = ++reads;
        }
    }
    if (mine.read != read_.load()) {
        std::lock_guard lock(mutex_);
        mine.table = table_;
        mine.read = read_.load();
    }
}

}  // namespace zelmo::platform::posix
