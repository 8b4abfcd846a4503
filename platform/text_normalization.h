#pragma once

#include <string>
#include <string_view>

namespace zelmo::platform {

// Unicode NFKC of UTF-8 text, by the system's or a library's own tables:
// full-width digits and letters become ASCII, half-width katakana full-width.
// Invalid UTF-8 is replaced by U+FFFD first.
std::string NormalizeNfkc(std::string_view utf8);

}  // namespace zelmo::platform
