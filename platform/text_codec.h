#pragma once

#include <string>
#include <string_view>

namespace zelmo::platform {

// Converts between the program's UTF-8 and a code page, the system's ANSI one
// unless told otherwise. Used only where text meets a file or the system.
class TextCodec {
  public:
    // codeSet names the code page as iconv does ("UTF-8", "CP932").
    explicit TextCodec(std::string codeSet);

    // The system's ANSI code page: on Linux the locale's character set, with
    // the C/POSIX locale counting as UTF-8.
    static const TextCodec& System();

    const std::string& CodeSet() const { return codeSet_; }
    bool IsUtf8() const { return utf8_; }
    // False for a name this system cannot convert: such a codec passes text
    // through as UTF-8, which a caller naming a code page must not get silently.
    bool IsKnown() const;

    // Characters the code page lacks become '?', as the system's own
    // conversion does.
    std::string ToAnsi(std::string_view utf8) const;
    // True when ToAnsi would give utf8 back unchanged, so that a large text
    // can be written as it stands instead of as a converted copy.
    bool IsAnsiAlready(std::string_view utf8) const;
    // Bytes that are invalid in the code page become U+FFFD.
    std::string FromAnsi(std::string_view ansi) const;

  private:
    std::string codeSet_;
    bool utf8_;
};

// Upper-cases letters under the system's default locale; everything without
// case (digits, hyphens, dots, kana) is left as it is.
std::string UpperCase(std::string_view utf8);

// Replaces every invalid UTF-8 sequence by U+FFFD.
std::string SanitizeUtf8(std::string_view text);

// The capacity a text converted from a file is given: such text is mostly
// added to (a list's Tag becomes the start of the record's summary), and a
// large text that has to grow is copied whole.
inline std::size_t WithRoomToGrow(std::size_t size) { return size + size / 64 + 64; }

// text, copied into a string with room to grow.
inline std::string CopyWithRoomToGrow(std::string_view text) {
    std::string out;
    out.reserve(WithRoomToGrow(text.size()));
    out.append(text);
    return out;
}

}  // namespace zelmo::platform
