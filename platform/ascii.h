#pragma once

#include <string>

namespace zelmo::platform {

// Upper-cases the ASCII letters alone: drive letters, code-set names and
// name keys must not change with the user's locale.
constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline void AsciiUpperCase(std::string& text) {
    for (char& c : text) c = AsciiUpper(c);
}

}  // namespace zelmo::platform
