#include "inventory/mem_info.h"

namespace zelmo::inventory {

// Each property is one call of the service: a failure travels on to whoever
// read it.
std::uint64_t clsMemInfo::AllPageFile() { return service_.Query().totalPageFile; }
std::uint64_t clsMemInfo::AllSpace() { return service_.Query().totalPhys; }
std::uint64_t clsMemInfo::AllVirtual() { return service_.Query().totalVirtual; }
std::uint64_t clsMemInfo::FreePageFile() { return service_.Query().availPageFile; }
std::uint64_t clsMemInfo::UseRatio() { return service_.Query().memoryLoad; }
std::uint64_t clsMemInfo::FreeSpace() { return service_.Query().availPhys; }
std::uint64_t clsMemInfo::FreeVirtual() { return service_.Query().availVirtual; }

std::string MemoryCaption(std::uint64_t bytes) { return std::to_string(bytes); }

}  // namespace zelmo::inventory
