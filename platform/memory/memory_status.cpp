#include "platform/memory/memory_status.h"

namespace zelmo::platform::memory {

MemoryStatus ScriptedMemoryStatus::Query() {
    ++calls_;
    if (failure_) std::rethrow_exception(failure_);
    if (queue_.empty()) return fixed_;
    const MemoryStatus next = queue_.front();
    queue_.pop_front();
    return next;
}

}  // namespace zelmo::platform::memory
