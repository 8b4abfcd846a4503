#pragma once

#include <cstddef>
#include <deque>
#include <exception>
#include <utility>

#include "platform/memory_status.h"

namespace zelmo::platform::memory {

// A memory-status service that answers from a script: queued readings first,
// in order, then the fixed reading for every call after them.
class ScriptedMemoryStatus : public MemoryStatusService {
  public:
    ScriptedMemoryStatus() = default;
    explicit ScriptedMemoryStatus(const MemoryStatus& fixed) : fixed_(fixed) {}

    void SetFixed(const MemoryStatus& fixed) { fixed_ = fixed; }
    void Enqueue(const MemoryStatus& reading) { queue_.push_back(reading); }
    // While set, every call throws this instead of answering (it still counts).
    void FailWith(std::exception_ptr error) { failure_ = std::move(error); }

    std::size_t Calls() const { return calls_; }

    MemoryStatus Query() override;

  private:
    MemoryStatus fixed_;
    std::deque<MemoryStatus> queue_;
    std::exception_ptr failure_;
    std::size_t calls_ = 0;
};

}  // namespace zelmo::platform::memory
