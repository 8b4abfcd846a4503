#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelmo::platform {

// Decodes one UTF-8 sequence at text[pos]. Gives the code point and advances
// pos; an invalid or truncated sequence gives U+FFFD and advances by one.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);

void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace zelmo::platform
