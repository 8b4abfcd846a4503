#pragma once

#include <string>
#include <string_view>

namespace zelmo::platform::win32 {

// The program's UTF-8 as the system's UTF-16 ("W" calls) and back. Invalid
// UTF-8 and lone surrogates become U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace zelmo::platform::win32
