#include "platform/private_profile.h"

#include <gtest/gtest.h>

#include "platform/text_codec.h"
#include "test_support.h"

namespace zelmo {
namespace {

using platform::ProfileInt;
using platform::ProfileString;

class PrivateProfile : public ::testing::Test {
  protected:
    std::string Write(std::string_view bytes) {
        test::WriteBytes(path, bytes);
        return path;
    }
    std::string Str(const char* section, const char* key, const char* def = "***",
                    std::size_t size = 100) {
        return ProfileString(section, key, def, size, path);
    }
    int Int(const char* key, int def = 0) { return ProfileInt("Save", key, def, path); }

    test::TempDir dir;
    std::string path = dir / "Zelmo.ini";
};

TEST_F(PrivateProfile, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(Str("Save", "SavePath"), "***");
    Write("[Other]\r\nSavePath=x\r\n");
    EXPECT_EQ(Str("Save", "SavePath"), "***");
    EXPECT_EQ(Str("Other", "Missing", "dflt  "), "dflt");
    EXPECT_EQ(Int("PathString", 7), 7);
}

TEST_F(PrivateProfile, NamesCompareWithoutCaseAndBlanksAroundTheEqualsSignGo) {
    Write("  [ save ]  \r\n  savepath   =   D:\\Inventory  \r\nPATHSTRING=12\r\n");
    EXPECT_EQ(Str("Save", "SavePath"), "D:\\Inventory");
    EXPECT_EQ(Int("PathString"), 12);
}

TEST_F(PrivateProfile, TheFirstSectionAndTheFirstKeyOfDuplicatesWin) {
    Write("[Save]\nSavePath=first\nSavePath=second\n[Save]\nPathString=5\n");
    EXPECT_EQ(Str("Save", "SavePath"), "first");
    EXPECT_EQ(Int("PathString"), 0);
}

TEST_F(PrivateProfile, MatchingQuotesAreDroppedAndOneSidedOnesKept) {
    Write("[Save]\r\nA=\"quoted\"\r\nB='single'\r\nC=\"open\r\nD=\r\nE\r\n");
    EXPECT_EQ(Str("Save", "A"), "quoted");
    EXPECT_EQ(Str("Save", "B"), "single");
    EXPECT_EQ(Str("Save", "C"), "\"open");
    EXPECT_EQ(Str("Save", "D"), "");
    EXPECT_EQ(Str("Save", "E"), "***");  // a key without "=" has no value
}

TEST_F(PrivateProfile, ValuesAreCutToTheBufferLessOne) {
    Write("[Save]\r\nSavePath=" + std::string(150, 'x') + "\r\n");
    EXPECT_EQ(Str("Save", "SavePath"), std::string(99, 'x'));
    EXPECT_EQ(Str("Save", "SavePath", "***", 4), "xxx");
}

TEST_F(PrivateProfile, ACharacterCutInHalfAtTheBufferEndIsDropped) {
    if (!platform::TextCodec::System().IsUtf8()) GTEST_SKIP() << "needs a UTF-8 code page";
    std::string euros;
    for (int i = 0; i < 40; ++i) euros += "\u20AC";
    std::string ini = "[Save]\r\nSavePath=a";
    ini.append(euros).append("\r\n");
    Write(ini);
    const std::string expected = std::string("a").append(euros, 0, 32 * 3);
    EXPECT_EQ(Str("Save", "SavePath"), expected);
}

TEST_F(PrivateProfile, IntegersReadLikeTheSystemDoes) {
    const std::pair<const char*, int> cases[] = {
        {"12abc", 12}, {" 12", 12},       {"-5", -5},
        {"B4", 0},     {"4294967297", 1}, {"\"12\"", 12},
        {"+7", 7},     {"0x1F", 31},      {"2147483648", -2147483647 - 1},
    };
    for (const auto& [text, expected] : cases) {
        Write(std::string("[Save]\r\nPathString=") + text + "\r\n");
        EXPECT_EQ(Int("PathString", 99), expected) << text;
    }
    Write("[Save]\r\nPathString=\r\n");
    EXPECT_EQ(Int("PathString", 99), 99);
}

TEST_F(PrivateProfile, ByteOrderMarksChooseTheEncoding) {
    Write("\xEF\xBB\xBF[Save]\r\nSavePath=D:\\\xE5\x9C\xA8\xE5\xBA\xAB\r\n");
    EXPECT_EQ(Str("Save", "SavePath"), "D:\\在庫");
    Write(std::string("\xFF\xFE[\0S\0a\0v\0e\0]\0\r\0\n\0K\0=\0\x28\x57\r\0\n\0", 28));
    EXPECT_EQ(Str("Save", "K"), "在");
}

}  // namespace
}  // namespace zelmo
