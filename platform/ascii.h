#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace zelmo::platform {

// Upper-cases the ASCII letters alone: drive letters, code-set names and
// name keys must not change with the user's locale.
constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline void AsciiUpperCase(std::string& text) {
    for (char& c : text) c = AsciiUpper(c);
}

// Whether text is ASCII alone: the same bytes in every code page, so that
// no conversion is needed.
inline bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace zelmo::platform
