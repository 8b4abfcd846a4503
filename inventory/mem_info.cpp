#include "inventory/mem_info.h"

namespace zelmo::inventory {

std::uint64_t clsMemInfo::AllPageFile() {
    UpdateStatus();
    return allPageFile_;
}

std::uint64_t clsMemInfo::AllSpace() {
    UpdateStatus();
    return allSpace_;
}

std::uint64_t clsMemInfo::AllVirtual() {
    UpdateStatus();
    return allVirtual_;
}

std::uint64_t clsMemInfo::FreePageFile() {
    UpdateStatus();
    return freePageFile_;
}

std::uint64_t clsMemInfo::UseRatio() {
    UpdateStatus();
    return useRatio_;
}

std::uint64_t clsMemInfo::FreeSpace() {
    UpdateStatus();
    return freeSpace_;
}

std::uint64_t clsMemInfo::FreeVirtual() {
    UpdateStatus();
    return freeVirtual_;
}

void clsMemInfo::UpdateStatus() {
    // A failing service leaves the fields as they were and the error travels
    // on to whoever read the property.
    const platform::MemoryStatus status = service_.Query();
    allPageFile_ = status.totalPageFile;
    allSpace_ = status.totalPhys;
    freePageFile_ = status.availPageFile;
    freeSpace_ = status.availPhys;
    useRatio_ = status.memoryLoad;
    allVirtual_ = status.totalVirtual;
    freeVirtual_ = status.availVirtual;
}

std::string MemoryCaption(std::uint64_t bytes) { return std::to_string(bytes); }

}  // namespace zelmo::inventory
