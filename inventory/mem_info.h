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
    platform::MemoryStatusService& service_;
};

// A memory figure as the window shows it: plain decimal digits, no sign,
// separators or unit.
std::string MemoryCaption(std::uint64_t bytes);

}  // namespace zelmo::inventory
