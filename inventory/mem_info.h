#pragma once

#include <cstdint>
#include <string>

#include "platform/memory_status.h"

namespace zelmo::inventory {

// The machine's memory figures. Every read asks the memory-status service
// afresh, so two reads may answer from two different moments. Figures are
// unsigned 64-bit: a 32-bit signed field turned every machine with 2 GB or
// more into a negative size.
class clsMemInfo {
  public:
    explicit clsMemInfo(platform::MemoryStatusService& service) : service_(service) {}

    // Total page-file size, in bytes.
    std::uint64_t AllPageFile();
    // Total physical memory, in bytes.
    std::uint64_t AllSpace();
    // Total user virtual address space of the process, in bytes.
    std::uint64_t AllVirtual();
    // Available page-file size, in bytes.
    std::uint64_t FreePageFile();
    // Share of physical memory in use, whole percent 0 to 100.
    std::uint64_t UseRatio();
    // Available physical memory, in bytes.
    std::uint64_t FreeSpace();
    // Available part of the user virtual address space, in bytes.
    std::uint64_t FreeVirtual();

  private:
    void UpdateStatus();

    platform::MemoryStatusService& service_;
    // These only carry one reading from UpdateStatus to the property that
    // asked for it; nothing reads them without refreshing first.
    std::uint64_t allPageFile_ = 0;
    std::uint64_t allSpace_ = 0;
    std::uint64_t freePageFile_ = 0;
    std::uint64_t freeSpace_ = 0;
    std::uint64_t useRatio_ = 0;
    std::uint64_t allVirtual_ = 0;
    std::uint64_t freeVirtual_ = 0;
};

// A memory figure as the window shows it: plain decimal digits, no sign,
// separators or unit.
std::string MemoryCaption(std::uint64_t bytes);

}  // namespace zelmo::inventory
