#include "platform/text_codec.h"

#include <algorithm>
#include <cctype>

#include "platform/utf8.h"

namespace zelmo::platform {
namespace {

bool NamesUtf8(std::string codeSet) {
    std::transform(codeSet.begin(), codeSet.end(), codeSet.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    codeSet.erase(std::remove(codeSet.begin(), codeSet.end(), '-'), codeSet.end());
    // The C/POSIX locale reports ASCII; its files are taken as UTF-8.
    return codeSet == "UTF8" || codeSet == "ANSI_X3.41968" || codeSet == "ASCII" || codeSet.empty();
}

}  // namespace

TextCodec::TextCodec(std::string codeSet)
    : codeSet_(std::move(codeSet)), utf8_(NamesUtf8(codeSet_)) {}

std::string SanitizeUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const char32_t cp = DecodeUtf8(text, pos);
        if (cp == 0xFFFD && !(pos - start == 3 && text.substr(start, 3) == "\xEF\xBF\xBD")) {
            AppendUtf8(out, 0xFFFD);
        } else {
            out.append(text.substr(start, pos - start));
        }
    }
    return out;
}

}  // namespace zelmo::platform
