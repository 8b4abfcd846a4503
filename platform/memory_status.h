#pragma once

#include <cstdint>
#include <memory>

namespace zelmo::platform {

// One reading of the memory-status service, in 64-bit figures.
struct MemoryStatus {
    std::uint32_t memoryLoad = 0;  // whole percent of physical memory in use
    std::uint64_t totalPhys = 0;
    std::uint64_t availPhys = 0;
    std::uint64_t totalPageFile = 0;
    std::uint64_t availPageFile = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availVirtual = 0;
};

class MemoryStatusService {
  public:
    virtual ~MemoryStatusService() = default;
    // One call of the service; every call reads the figures afresh.
    virtual MemoryStatus Query() = 0;
};

std::unique_ptr<MemoryStatusService> OpenSystemMemoryStatus();

}  // namespace zelmo::platform
