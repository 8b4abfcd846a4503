#include "platform/memory_status.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace zelmo::platform {
namespace {

class SystemMemoryStatus : public MemoryStatusService {
  public:
    MemoryStatus Query() override {
        MEMORYSTATUSEX status = {};
        status.dwLength = sizeof status;
        GlobalMemoryStatusEx(&status);
        MemoryStatus figures;
        figures.memoryLoad = status.dwMemoryLoad;
        figures.totalPhys = status.ullTotalPhys;
        figures.availPhys = status.ullAvailPhys;
        figures.totalPageFile = status.ullTotalPageFile;
        figures.availPageFile = status.ullAvailPageFile;
        figures.totalVirtual = status.ullTotalVirtual;
        figures.availVirtual = status.ullAvailVirtual;
        return figures;
    }
};

}  // namespace

std::unique_ptr<MemoryStatusService> OpenSystemMemoryStatus() {
    return std::make_unique<SystemMemoryStatus>();
}

}  // namespace zelmo::platform
