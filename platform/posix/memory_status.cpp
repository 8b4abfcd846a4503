#include "platform/memory_status.h"

#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace zelmo::platform {
namespace {

// The highest address a process's user code may map. The kernel does not
// publish it, so this is the usual layout: 47-bit on x86_64, 48-bit on other
// 64-bit targets, the 3 GB split on 32-bit ones.
constexpr std::uint64_t HighestUserAddress() {
#if defined(__x86_64__)
    return 0x7FFFFFFFFFFFull;
#elif defined(__aarch64__)
    return 0xFFFFFFFFFFFFull;
#else
    return sizeof(void*) == 8 ? 0x7FFFFFFFFFFFull : 0xBFFFFFFFull;
#endif
}

// The lowest 64 KB of the address space are left out of the virtual-memory
// figures, so that both builds report the same user address range.
constexpr std::uint64_t kLowestUserAddress = 0x10000;

// "Name:   1234 kB" lines, as /proc/meminfo and /proc/self/status write them,
// in bytes. Lines without a kB figure are left out.
std::map<std::string, std::uint64_t> ReadKilobyteFigures(const char* path) {
    std::map<std::string, std::uint64_t> figures;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::istringstream rest(line.substr(colon + 1));
        std::uint64_t value = 0;
        std::string unit;
        if (rest >> value >> unit && unit == "kB") figures[line.substr(0, colon)] = value * 1024;
    }
    return figures;
}

std::uint64_t Figure(const std::map<std::string, std::uint64_t>& figures, const char* name,
                     std::uint64_t fallback) {
    const auto it = figures.find(name);
    return it == figures.end() ? fallback : it->second;
}

class SystemMemoryStatus : public MemoryStatusService {
  public:
    MemoryStatus Query() override {
        // The service never fails: whatever /proc lacks comes from sysinfo().
        struct sysinfo info = {};
        sysinfo(&info);
        const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
        const auto meminfo = ReadKilobyteFigures("/proc/meminfo");
        const auto self = ReadKilobyteFigures("/proc/self/status");

        const std::uint64_t ram = info.totalram * unit;
        const std::uint64_t memTotal = Figure(meminfo, "MemTotal", ram);
        const std::uint64_t oldStyleAvailable = Figure(meminfo, "MemFree", info.freeram * unit) +
                                                Figure(meminfo, "Buffers", info.bufferram * unit) +
                                                Figure(meminfo, "Cached", 0);

        MemoryStatus status;
        status.totalPhys = memTotal;
        status.availPhys =
            std::min(Figure(meminfo, "MemAvailable", oldStyleAvailable), status.totalPhys);
        status.totalPageFile = memTotal + Figure(meminfo, "SwapTotal", info.totalswap * unit);
        status.availPageFile = status.availPhys + Figure(meminfo, "SwapFree", info.freeswap * unit);
        status.memoryLoad = LoadPercent(status.totalPhys, status.availPhys);
        status.totalVirtual = HighestUserAddress() - kLowestUserAddress + 1;
        const std::uint64_t used = Figure(self, "VmSize", 0);
        status.availVirtual = used < status.totalVirtual ? status.totalVirtual - used : 0;
        return status;
    }

  private:
    // Divides by a hundredth of the total so that the load rounds as the
    // Windows build reports it, which can differ from a plain used*100/total.
    static std::uint32_t LoadPercent(std::uint64_t total, std::uint64_t available) {
        const std::uint64_t hundredth = total / 100;
        if (hundredth == 0 || available >= total) return 0;
        return static_cast<std::uint32_t>(
            std::min<std::uint64_t>((total - available) / hundredth, 100));
    }
};

}  // namespace

std::unique_ptr<MemoryStatusService> OpenSystemMemoryStatus() {
    return std::make_unique<SystemMemoryStatus>();
}

}  // namespace zelmo::platform
