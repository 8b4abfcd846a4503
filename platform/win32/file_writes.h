#pragma once

// What the record file's and the collector's outputs' replacements share.

#include <windows.h>

#include <algorithm>
#include <string_view>

namespace zelmo::platform::win32 {

// Writes all of bytes in pieces WriteFile takes; false with the last error set.
inline bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace zelmo::platform::win32
