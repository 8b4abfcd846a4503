#include "platform/text_codec.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "platform/ascii.h"
#include "platform/utf8.h"
#include "platform/win32/wide_text.h"

namespace zelmo::platform {
namespace {

constexpr UINT kGb18030 = 54936;

std::optional<UINT> Number(std::string_view digits) {
    UINT value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

// The code page number for an iconv-style name ("CP932", "SHIFT_JIS",
// "WINDOWS-1252"); nothing for a name the system does not know.
std::optional<UINT> CodePageOf(std::string name) {
    AsciiUpperCase(name);
    name.erase(
        std::remove_if(name.begin(), name.end(), [](char c) { return c == '-' || c == '_'; }),
        name.end());
    const std::string_view n(name);
    std::optional<UINT> page;
    if (n == "SHIFTJIS" || n == "SJIS" || n == "MS932" || n == "WINDOWS31J") {
        page = 932;
    } else if (n == "EUCJP") {
        page = 20932;
    } else if (n == "GBK" || n == "GB2312") {
        page = 936;
    } else if (n == "GB18030") {
        page = kGb18030;
    } else if (n == "BIG5") {
        page = 950;
    } else if (n == "EUCKR") {
        page = 949;
    } else if (n == "KOI8R") {
        page = 20866;
    } else if (n.starts_with("ISO8859")) {
        if (const auto part = Number(n.substr(7))) page = 28590 + *part;
    } else if (n.starts_with("WINDOWS")) {
        page = Number(n.substr(7));
    } else if (n.starts_with("CP") || n.starts_with("MS")) {
        page = Number(n.substr(2));
    } else if (n.starts_with("IBM")) {
        page = Number(n.substr(3));
    }
    if (page && !IsValidCodePage(*page)) page.reset();
    return page;
}

// MB_ERR_INVALID_CHARS is refused by a few stateful code pages; they are
// converted without the check.
int ToWide(UINT page, std::string_view bytes, wchar_t* out, int size) {
    const int length = static_cast<int>(bytes.size());
    int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), length, out, size);
    if (n == 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        n = MultiByteToWideChar(page, 0, bytes.data(), length, out, size);
    }
    return n;
}

// Appends the UTF-8 of bytes when they are valid in the code page.
bool AppendConverted(UINT page, std::string_view bytes, std::string& out) {
    const int size = ToWide(page, bytes, nullptr, 0);
    if (size <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ToWide(page, bytes, wide.data(), size);
    out += win32::Narrow(wide);
    return true;
}

void AppendAnsi(UINT page, std::wstring_view wide, std::string& out) {
    if (wide.empty()) return;
    const int length = static_cast<int>(wide.size());
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    const char* fallback = "?";
    int size = WideCharToMultiByte(page, flags, wide.data(), length, nullptr, 0, fallback, nullptr);
    if (size == 0) {
        // Code pages that take no replacement character (UTF-7 and the like).
        flags = 0;
        fallback = nullptr;
        size = WideCharToMultiByte(page, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
    }
    if (size <= 0) return;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(size));
    WideCharToMultiByte(page, flags, wide.data(), length, out.data() + start, size, fallback,
                        nullptr);
}

}  // namespace

const TextCodec& TextCodec::System() {
    static const TextCodec codec = [] {
        const UINT page = GetACP();
        return TextCodec(page == CP_UTF8 ? "UTF-8" : "CP" + std::to_string(page));
    }();
    return codec;
}

bool TextCodec::IsKnown() const { return utf8_ || CodePageOf(codeSet_).has_value(); }

std::string TextCodec::ToAnsi(std::string_view utf8) const {
    if (IsAscii(utf8)) return std::string(utf8);
    const std::optional<UINT> page = utf8_ ? std::nullopt : CodePageOf(codeSet_);
    if (!page) return SanitizeUtf8(utf8);
    std::string out;
    std::wstring run;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t cp = DecodeUtf8(utf8, pos);
        if (cp < 0x10000) {
            run.push_back(static_cast<wchar_t>(cp));
        } else if (*page == kGb18030) {
            run.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
            run.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            // The system turns each half of a surrogate pair into its own
            // '?'; one character the code page lacks is one '?'.
            AppendAnsi(*page, run, out);
            run.clear();
            out.push_back('?');
        }
    }
    AppendAnsi(*page, run, out);
    return out;
}

std::string TextCodec::FromAnsi(std::string_view ansi) const {
    if (IsAscii(ansi)) return CopyWithRoomToGrow(ansi);
    const std::optional<UINT> page = utf8_ ? std::nullopt : CodePageOf(codeSet_);
    if (!page) return SanitizeUtf8(ansi);
    std::string out;
    if (AppendConverted(*page, ansi, out)) return out;
    // Somewhere a byte is invalid: convert character by character and put
    // U+FFFD for each byte that starts no valid character.
    for (std::size_t pos = 0; pos < ansi.size();) {
        const auto lead = static_cast<BYTE>(ansi[pos]);
        const std::size_t length = IsDBCSLeadByteEx(*page, lead) && pos + 1 < ansi.size() ? 2 : 1;
        if (AppendConverted(*page, ansi.substr(pos, length), out)) {
            pos += length;
        } else {
            AppendUtf8(out, 0xFFFD);
            ++pos;
        }
    }
    return out;
}

std::string UpperCase(std::string_view utf8) {
    const std::wstring wide = win32::Widen(utf8);
    if (wide.empty()) return {};
    const int length = static_cast<int>(wide.size());
    const int size =
        LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, wide.data(), length, nullptr, 0);
    if (size <= 0) return std::string(utf8);
    std::wstring upper(static_cast<std::size_t>(size), L'\0');
    LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, wide.data(), length, upper.data(), size);
    return win32::Narrow(upper);
}

}  // namespace zelmo::platform
