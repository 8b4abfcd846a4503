#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace zelmo {
namespace {

using platform::TextCodec;

TEST(TextCodec, JapaneseTextRoundTripsThroughCodePage932) {
    const TextCodec cp932("CP932");
    const std::string message = "リスト読み込みエラーです。管理者に問い合わせて下さい。";
    const std::string ansi = cp932.ToAnsi(message);
    EXPECT_EQ(ansi.substr(0, 6), "\x83\x8A\x83\x58\x83\x67");
    EXPECT_EQ(ansi.size(), 2 * 27u);  // every character is double-byte
    EXPECT_EQ(cp932.FromAnsi(ansi), message);
    // Half-width kana are single bytes in this code page.
    EXPECT_EQ(cp932.ToAnsi("ｱ"), "\xB1");
    EXPECT_EQ(cp932.FromAnsi("C:\\\x95\x5C\\x"), "C:\\表\\x");
}

TEST(TextCodec, CharactersTheCodePageLacksBecomeQuestionMarks) {
    const TextCodec cp932("CP932");
    EXPECT_EQ(cp932.ToAnsi("a\xF0\x9F\x98\x80z"), "a?z");
}

TEST(TextCodec, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(TextCodec("CP932").FromAnsi("a\x81"), "a\xEF\xBF\xBD");
    EXPECT_EQ(TextCodec("UTF-8").FromAnsi("a\xFF"
                                          "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(TextCodec("UTF-8").ToAnsi("\xC0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextCodec, TheCLocaleCountsAsUtf8) {
    EXPECT_TRUE(TextCodec("ANSI_X3.4-1968").IsUtf8());
    EXPECT_TRUE(TextCodec("utf8").IsUtf8());
    EXPECT_FALSE(TextCodec("CP932").IsUtf8());
    // Valid text is written as it stands there, without a converted copy.
    for (const char* text : {"plain", "表\xEF\xBF\xBD", ""}) {
        EXPECT_TRUE(TextCodec("UTF-8").IsAnsiAlready(text)) << text;
    }
    EXPECT_FALSE(TextCodec("UTF-8").IsAnsiAlready("\xC0\x80"));
    EXPECT_FALSE(TextCodec("CP932").IsAnsiAlready("表"));
}

TEST(UpperCase, UpperCasesLettersAndLeavesEverythingElse) {
    EXPECT_EQ(platform::UpperCase("pc-042.local"), "PC-042.LOCAL");
    EXPECT_EQ(platform::UpperCase("WS01"), "WS01");
    EXPECT_EQ(platform::UpperCase("émile-ß"), "ÉMILE-ß");
    EXPECT_EQ(platform::UpperCase("ほすと"), "ほすと");
}

}  // namespace
}  // namespace zelmo
