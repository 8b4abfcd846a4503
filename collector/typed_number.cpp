#include "collector/typed_number.h"

#include <algorithm>

#include "platform/text_codec.h"
#include "platform/text_normalization.h"

namespace zelmo::collector {
namespace {

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace

std::string TextKey(std::string_view typed) {
    // ASCII is its own NFKC; most numbers are ASCII.
    bool ascii = true;
    for (const char c : typed) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return platform::UpperCase(Trimmed(typed));
    // NFKC first: it turns the ideographic space into one that trims.
    return platform::UpperCase(Trimmed(platform::NormalizeNfkc(typed)));
}

TypedNumber NumberKey(std::string_view typed) {
    TypedNumber number;
    number.key = TextKey(typed);
    std::string& key = number.key;
    if (!key.empty() && key.find_first_not_of("0123456789") == std::string::npos) {
        const std::size_t zeros = std::min(key.find_first_not_of('0'), key.size() - 1);
        if (zeros > 0) {
            key.erase(0, zeros);
            number.zerosDropped = true;
        }
    }
    return number;
}

}  // namespace zelmo::collector
