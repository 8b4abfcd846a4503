#include "platform/private_profile.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/native_file_name.h"
#include "platform/text_codec.h"
#include "platform/utf8.h"

// Our own reader: no Debian ini library follows the Windows rules (first of
// duplicates wins, quotes dropped, case-insensitive names, Wine's integer
// parsing), and those rules are what a settings file written for Windows
// relies on.

namespace zelmo::platform {
namespace {

bool IsTrimmed(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == ' ' || u == '\t' || (u >= 0x0A && u <= 0x0D) || u == 0x1A;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
        const auto hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
        char32_t unit = static_cast<char32_t>(hi << 8 | lo);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const auto lo2 = static_cast<unsigned char>(bytes[i + 2 + (bigEndian ? 1 : 0)]);
            const auto hi2 = static_cast<unsigned char>(bytes[i + 2 + (bigEndian ? 0 : 1)]);
            const char32_t low = static_cast<char32_t>(hi2 << 8 | lo2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else {
                unit = 0xFFFD;
            }
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            unit = 0xFFFD;
        }
        AppendUtf8(out, unit);
    }
    return out;
}

// The whole file as UTF-8, or nothing when it cannot be read.
std::optional<std::string> LoadProfile(const std::string& path) {
    const std::string native = NativeFileName(path, TextCodec::System());
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(native.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) return std::nullopt;
    std::string bytes;
    char chunk[8192];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.append(chunk, n);
    if (std::ferror(file.get())) return std::nullopt;

    const std::string_view view(bytes);
    if (view.starts_with("\xEF\xBB\xBF")) return SanitizeUtf8(view.substr(3));
    if (view.starts_with("\xFF\xFE")) return Utf16ToUtf8(view.substr(2), false);
    if (view.starts_with("\xFE\xFF")) return Utf16ToUtf8(view.substr(2), true);
    return TextCodec::System().FromAnsi(view);
}

// The value of key in the first section of that name: nothing when the key
// is missing or has no "=".
std::optional<std::string> LookUp(const std::string& text, std::string_view section,
                                  std::string_view key) {
    bool inSection = false;
    bool sectionSeen = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = Trim(std::string_view(text).substr(pos, end - pos));
        pos = end + 1;
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (inSection) return std::nullopt;  // only the first such section counts
            const std::size_t close = line.rfind(']');
            const std::string_view name =
                Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            inSection = !sectionSeen && SameName(name, section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection) continue;
        const std::size_t eq = line.find('=');
        const std::string_view name = Trim(line.substr(0, eq));
        if (!SameName(name, key)) continue;
        if (eq == std::string_view::npos) return std::nullopt;
        std::string_view value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

}  // namespace

std::string ProfileString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t size,
                          const std::string& path) {
    if (size == 0) return {};
    std::optional<std::string> value;
    if (const auto text = LoadProfile(path)) value = LookUp(*text, section, key);
    std::string result = value ? *value : defaultValue;
    if (!value) {
        while (!result.empty() && result.back() == ' ') result.pop_back();
    }
    // The caller's buffer holds size - 1 bytes of the code page and a NUL.
    std::string ansi = TextCodec::System().ToAnsi(result);
    if (ansi.size() > size - 1) {
        ansi.resize(size - 1);
        // A character cut in half comes back as a replacement character,
        // which may not fit: drop characters until the text does.
        std::string cut = TextCodec::System().FromAnsi(ansi);
        while (!cut.empty() && TextCodec::System().ToAnsi(cut).size() > size - 1) {
            std::size_t last = cut.size() - 1;
            while (last > 0 && (static_cast<unsigned char>(cut[last]) & 0xC0) == 0x80) --last;
            cut.resize(last);
        }
        return cut;
    }
    return result;
}

std::int32_t ProfileInt(const std::string& section, const std::string& key,
                        std::int32_t defaultValue, const std::string& path) {
    std::optional<std::string> value;
    if (const auto text = LoadProfile(path)) value = LookUp(*text, section, key);
    if (!value || value->empty()) return defaultValue;

    std::string_view s(*value);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    unsigned base = 10;
    if (s.size() > 2 && s[0] == '0') {
        const char p = static_cast<char>(s[1] | 0x20);
        base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
        if (base != 10) s.remove_prefix(2);
    }
    std::uint32_t result = 0;  // wraps modulo 2^32, as the system's does
    for (const char c : s) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
            digit = static_cast<unsigned>((c | 0x20) - 'a' + 10);
        } else {
            break;
        }
        if (digit >= base) break;
        result = result * base + digit;
    }
    if (negative) result = 0u - result;
    return static_cast<std::int32_t>(result);
}

}  // namespace zelmo::platform
