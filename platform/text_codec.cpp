#include "platform/text_codec.h"

#include <algorithm>
#include <cctype>

#include "platform/ascii.h"
#include "platform/utf8.h"

namespace zelmo::platform {
namespace {

bool NamesUtf8(std::string codeSet) {
    AsciiUpperCase(codeSet);
    codeSet.erase(std::remove(codeSet.begin(), codeSet.end(), '-'), codeSet.end());
    // The C/POSIX locale reports ASCII; its files are taken as UTF-8.
    return codeSet == "UTF8" || codeSet == "ANSI_X3.41968" || codeSet == "ASCII" || codeSet.empty();
}

}  // namespace

TextCodec::TextCodec(std::string codeSet)
    : codeSet_(std::move(codeSet)), utf8_(NamesUtf8(codeSet_)) {}

namespace {

// Calls each(start, length, valid) for every sequence of text in order.
template <typename Each>
void ForEachSequence(std::string_view text, Each each) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const char32_t cp = DecodeUtf8(text, pos);
        each(start, pos - start,
             cp != 0xFFFD || (pos - start == 3 && text.substr(start, 3) == "\xEF\xBF\xBD"));
    }
}

}  // namespace

std::string SanitizeUtf8(std::string_view text) {
    // Sized exactly first: a large field of invalid bytes triples, and
    // growing by doubling would hold two copies at once.
    std::size_t size = 0;
    ForEachSequence(
        text, [&](std::size_t, std::size_t length, bool valid) { size += valid ? length : 3; });
    std::string out;
    out.reserve(WithRoomToGrow(size));
    ForEachSequence(text, [&](std::size_t start, std::size_t length, bool valid) {
        if (valid) {
            out.append(text.substr(start, length));
        } else {
            AppendUtf8(out, 0xFFFD);
        }
    });
    return out;
}

bool TextCodec::IsAnsiAlready(std::string_view utf8) const {
    const bool ascii = IsAscii(utf8);
    if (ascii || !utf8_) return ascii;
    bool valid = true;
    ForEachSequence(utf8, [&](std::size_t, std::size_t, bool ok) { valid = valid && ok; });
    return valid;
}

}  // namespace zelmo::platform
