#include "platform/sequential_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/runtime_error.h"
#include "test_support.h"

namespace zelmo {
namespace {

using platform::OpenMode;
using platform::RunTimeError;
using platform::SequentialFile;
using platform::TextCodec;

// Reads every field the way the scan does: test for the end, then read.
std::vector<std::string> ReadAll(std::string_view bytes,
                                 const TextCodec& codec = TextCodec("UTF-8")) {
    test::TempDir dir;
    const std::string path = dir / "list.csv";
    test::WriteBytes(path, bytes);
    SequentialFile file(path, OpenMode::Input, codec);
    std::vector<std::string> fields;
    while (!file.AtEnd()) fields.push_back(file.ReadField());
    return fields;
}

using Fields = std::vector<std::string>;

TEST(FieldReader, SeparatesFieldsAtCommasAndEveryKindOfLineEnd) {
    EXPECT_EQ(ReadAll("a,b\r\nc,d\r\n"), (Fields{"a", "b", "c", "d"}));
    EXPECT_EQ(ReadAll("a,b\rc,d\r"), (Fields{"a", "b", "c", "d"}));
    EXPECT_EQ(ReadAll("a,b\nc,d\n"), (Fields{"a", "b", "c", "d"}));
    EXPECT_EQ(ReadAll("a,b\r\nc,d"), (Fields{"a", "b", "c", "d"}));
}

TEST(FieldReader, SkipsLeadingBlanksAndTrimsTrailingSpacesOfUnquotedFields) {
    EXPECT_EQ(ReadAll("  a  ,\t b c \r\n"), (Fields{"a", "b c"}));
}

TEST(FieldReader, QuotedFieldsKeepCommasBlanksAndLineEndsButLoseTheirQuotes) {
    EXPECT_EQ(ReadAll("\"Editor, Pro\",\"  x  \"\r\n"), (Fields{"Editor, Pro", "  x  "}));
    EXPECT_EQ(ReadAll("\"two\r\nlines\",z\r\n"), (Fields{"two\r\nlines", "z"}));
}

TEST(FieldReader, TextAfterAClosingQuoteBecomesTheNextField) {
    EXPECT_EQ(ReadAll("\"abc\"def,ghi\r\n"), (Fields{"abc", "def", "ghi"}));
    EXPECT_EQ(ReadAll("\"abc\"   ,ghi\r\n"), (Fields{"abc", "ghi"}));
}

TEST(FieldReader, AQuoteInsideAnUnquotedFieldIsKept) {
    EXPECT_EQ(ReadAll("ab\"c,d\r\n"), (Fields{"ab\"c", "d"}));
}

TEST(FieldReader, EmptyFieldsAndBlankLinesGiveEmptyText) {
    EXPECT_EQ(ReadAll("a,,b\r\n"), (Fields{"a", "", "b"}));
    EXPECT_EQ(ReadAll("a\r\n\r\nb\r\n"), (Fields{"a", "", "b"}));
}

TEST(FieldReader, OneLineEndAtTheEndIsTheEndButTwoLeaveOneEmptyField) {
    EXPECT_EQ(ReadAll("a\r\n"), (Fields{"a"}));
    EXPECT_EQ(ReadAll("a\r\n\r\n"), (Fields{"a", ""}));
    EXPECT_EQ(ReadAll(""), Fields{});
}

TEST(FieldReader, AnUnterminatedQuoteRunsToTheEndOfTheFile) {
    EXPECT_EQ(ReadAll("x,\"open, still\r\nopen"), (Fields{"x", "open, still\r\nopen"}));
}

TEST(FieldReader, CtrlZEndsTheFile) { EXPECT_EQ(ReadAll("a,b\r\n\x1A junk"), (Fields{"a", "b"})); }

TEST(FieldReader, ReadingPastTheEndRaisesError62NamingTheFile) {
    test::TempDir dir;
    const std::string path = dir / "short.csv";
    test::WriteBytes(path, "only\r\n");
    SequentialFile file(path, OpenMode::Input, TextCodec("UTF-8"));
    EXPECT_EQ(file.ReadField(), "only");
    ASSERT_TRUE(file.AtEnd());
    try {
        file.ReadField();
        FAIL() << "no error raised";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number(), 62);
        EXPECT_EQ(e.Heading(), "Run-time error '62':");
        EXPECT_NE(e.Detail().find("Input past end of file"), std::string::npos);
        EXPECT_NE(e.Detail().find("short.csv"), std::string::npos);
    }
}

TEST(FieldReader, ConvertsFieldsFromTheCodePage) {
    // "リスト" and "表" in code page 932; 0x5C as a trail byte must not split.
    const std::string cp932 = "\x83\x8A\x83\x58\x83\x67,\x95\x5C\r\n";
    EXPECT_EQ(ReadAll(cp932, TextCodec("CP932")), (Fields{"リスト", "表"}));
}

TEST(SequentialFile, OpenFailuresRaiseTheirNumberNamingTheFile) {
    test::TempDir dir;
    const struct {
        const char* name;
        OpenMode mode;
        int number;
    } cases[] = {
        {"ZelmoAppl.csv", OpenMode::Input, 53},           // file not found
        {"no-such-folder/PC.txt", OpenMode::Output, 76},  // path not found
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            SequentialFile file(dir / c.name, c.mode);
            ADD_FAILURE() << "opened";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.Number(), c.number);
            EXPECT_NE(e.Detail().find(std::filesystem::path(c.name).filename().string()),
                      std::string::npos);
        }
    }
}

TEST(SequentialFile, PrintLineEndsWithCrLfInTheCodePageAndAppendAddsBehind) {
    test::TempDir dir;
    const std::string path = dir / "out.txt";
    const TextCodec cp932("CP932");
    {
        SequentialFile file(path, OpenMode::Output, cp932);
        file.PrintLine("表,x");
        file.Close();
    }
    {
        SequentialFile file(path, OpenMode::Append, cp932);
        file.PrintLine("y");
        file.Close();
    }
    EXPECT_EQ(test::ReadBytes(path), "\x95\x5C,x\r\ny\r\n");
}

}  // namespace
}  // namespace zelmo
