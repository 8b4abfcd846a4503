#include "platform/text_codec.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <iterator>
#include <string>

#include "platform/ascii.h"
#include "platform/utf8.h"

namespace zelmo::platform {
namespace {

// A conversion borrowed from its thread's cache: opening one loads and sets
// up the code page's tables, and a collection converts thousands of records
// from the same code page.
class Iconv {
  public:
    Iconv(const std::string& to, const std::string& from) : handle_(Cached(to, from)) {
        // Back to the initial shift state, whatever the last use left.
        if (ok()) iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return handle_ != kNone; }
    // Converts as much as it can; stops at an invalid or incomplete sequence
    // and returns false, leaving in/inLeft there.
    bool Convert(char*& in, std::size_t& inLeft, std::string& out) {
        char chunk[4096];
        while (inLeft > 0) {
            char* outPtr = chunk;
            std::size_t outLeft = sizeof chunk;
            const std::size_t r = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
            out.append(chunk, static_cast<std::size_t>(outPtr - chunk));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

  private:
    static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);

    struct Entry {
        std::string to, from;
        iconv_t handle = kNone;
        Entry() = default;
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;
        ~Entry() {
            if (handle != kNone) iconv_close(handle);
        }
    };

    // A few entries: both directions of a code page or two.
    static iconv_t Cached(const std::string& to, const std::string& from) {
        thread_local Entry entries[4];
        thread_local std::size_t next = 0;
        for (Entry& e : entries) {
            if (e.handle != kNone && e.to == to && e.from == from) return e.handle;
        }
        const iconv_t handle = iconv_open(to.c_str(), from.c_str());
        if (handle == kNone) return kNone;
        Entry& e = entries[next++ % std::size(entries)];
        if (e.handle != kNone) iconv_close(e.handle);
        e.to = to;
        e.from = from;
        e.handle = handle;
        return handle;
    }

    iconv_t handle_;
};

}  // namespace

const TextCodec& TextCodec::System() {
    static const TextCodec codec = [] {
        // The program's own locale stays "C" for numbers; only the character
        // set of the user's environment is wanted here.
        locale_t env = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        std::string set = env ? nl_langinfo_l(CODESET, env) : "UTF-8";
        if (env) freelocale(env);
        return TextCodec(set);
    }();
    return codec;
}

bool TextCodec::IsKnown() const { return utf8_ || Iconv("UTF-8", codeSet_).ok(); }

// Converts all of in, letting skip(out, rest) deal with each sequence the
// target lacks: it appends a stand-in and returns how many bytes it used.
namespace {
template <typename Skip>
std::string ConvertAll(const std::string& to, const std::string& from, std::string_view in,
                       Skip skip) {
    Iconv conv(to, from);
    if (!conv.ok()) return SanitizeUtf8(in);
    std::string out;
    out.reserve(in.size());
    // iconv takes the input as char** but never writes through it.
    char* ptr = const_cast<char*>(in.data());
    std::size_t left = in.size();
    while (!conv.Convert(ptr, left, out)) {
        const std::size_t used = skip(out, in.substr(static_cast<std::size_t>(ptr - in.data())));
        ptr += used;
        left -= used;
    }
    return out;
}
}  // namespace

std::string TextCodec::ToAnsi(std::string_view utf8) const {
    if (IsAscii(utf8)) return std::string(utf8);
    if (utf8_) return SanitizeUtf8(utf8);
    // The character the code page lacks becomes '?'.
    return ConvertAll(codeSet_, "UTF-8", utf8, [](std::string& out, std::string_view rest) {
        std::size_t pos = 0;
        DecodeUtf8(rest, pos);
        out.push_back('?');
        return pos;
    });
}

std::string TextCodec::FromAnsi(std::string_view ansi) const {
    if (IsAscii(ansi)) return CopyWithRoomToGrow(ansi);
    if (utf8_) return SanitizeUtf8(ansi);
    return ConvertAll("UTF-8", codeSet_, ansi, [](std::string& out, std::string_view) {
        AppendUtf8(out, 0xFFFD);
        return std::size_t{1};
    });
}

std::string UpperCase(std::string_view utf8) {
    static const locale_t locale = [] {
        // The plain C locale knows the case of ASCII letters only; C.UTF-8
        // stands in for it so that every letter has its upper case.
        locale_t env = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        if (env && std::string(nl_langinfo_l(CODESET, env)) == "ANSI_X3.4-1968") {
            freelocale(env);
            env = static_cast<locale_t>(0);
        }
        if (!env) env = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return env;
    }();
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t cp = DecodeUtf8(utf8, pos);
        wint_t upper = cp;
        if (locale) {
            upper = towupper_l(static_cast<wint_t>(cp), locale);
        } else if (cp >= 'a' && cp <= 'z') {
            upper = cp - 'a' + 'A';
        }
        AppendUtf8(out, static_cast<char32_t>(upper));
    }
    return out;
}

}  // namespace zelmo::platform
