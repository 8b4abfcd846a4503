#pragma once

#include <cstdint>
#include <string>

namespace zelmo::platform {

// The private-profile (ini file) service, with the Windows rules: section
// and key names compare case-insensitively, the first of duplicates wins,
// quotes around a value are dropped, a missing file/section/key gives the
// default.

// The value of key in section, or defaultValue, cut to size - 1 bytes in the
// ANSI code page, returned as UTF-8.
std::string ProfileString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t size,
                          const std::string& path);

// The integer value of key: optional sign, decimal digits up to the first
// other character, wrapping modulo 2^32; defaultValue when missing or empty.
std::int32_t ProfileInt(const std::string& section, const std::string& key,
                        std::int32_t defaultValue, const std::string& path);

}  // namespace zelmo::platform
