// Bad input as a user meets it: what goes in, what the user sees, and what
// is on disk afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>

#include "inventory/application_list_scan.h"
#include "platform/memory/record_file.h"
#include "platform/runtime_error.h"
#include "platform/sequential_file.h"
#include "platform/text_codec.h"
#include "program_driver.h"
#include "test_support.h"

namespace zelmo {
namespace {

using Lines = std::vector<std::string>;
using test::ProgramDriver;
using test::Seen;

constexpr const char* kRecordPath = "S:\\Inventory\\WS01.txt";
constexpr const char* kEarlier = "earlier record\r\n";

std::string Ansi(const std::string& utf8) { return platform::TextCodec::System().ToAnsi(utf8); }

class BadInput : public ::testing::Test {
  protected:
    BadInput() {
        records.folders["S:\\Inventory"] = true;
        records.folders[""] = true;  // the current drive's root
        records.files[kRecordPath] = kEarlier;
        run.fs.AddFile("C:\\Apps\\one.exe");
        run.WriteSettings("[Save]\r\nSavePath=S:\\Inventory\r\nPathString=12\r\n");
        run.WriteList("A,Editor,one.exe,\r\n");
    }

    // A run-time error ended the program before anything was filed.
    void ExpectEndedKeepingTheEarlierRecord(const Seen& seen, int number,
                                            const std::string& subject) {
        EXPECT_NE(seen.status, 0);
        EXPECT_NE(seen.error.find("Run-time error '" + std::to_string(number) + "':"),
                  std::string::npos)
            << seen.error;
        EXPECT_NE(seen.error.find(subject), std::string::npos) << seen.error;
        EXPECT_EQ(records.files, (std::map<std::string, std::string>{{kRecordPath, kEarlier}}));
    }

    platform::memory::MemoryRecordFiles records;
    ProgramDriver run{records};
};

TEST_F(BadInput, ListsThatCannotBeReadEndTheProgramNamingTheListAndRow) {
    const struct {
        const char* what;
        const char* bytes;  // nullptr: no file
        int number;
        const char* subject;
    } rows[] = {
        {"missing", nullptr, platform::kFileNotFound, "ZelmoAppl.csv"},
        {"a folder of that name", nullptr, platform::kPathFileAccessError, "ZelmoAppl.csv"},
        {"only blank lines", "\r\n\r\n  \r\n", platform::kInputPastEndOfFile,
         "ZelmoAppl.csv, row 1"},
        {"last row with 3 fields", "A,Editor,one.exe,\r\nB,Two,two.exe\r\n",
         platform::kInputPastEndOfFile, "ZelmoAppl.csv, row 2"},
        {"unterminated quote", "A,\"Editor,one.exe,\r\nB,Two,two.exe,\r\n",
         platform::kInputPastEndOfFile, "ZelmoAppl.csv, row 1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove_all(run.ListPath());
        if (row.bytes) run.WriteList(row.bytes);
        if (row.number == platform::kPathFileAccessError) {
            std::filesystem::create_directory(run.ListPath());
        }
        const Seen seen = run.Run();
        EXPECT_FALSE(seen.mainShown);
        ExpectEndedKeepingTheEarlierRecord(seen, row.number, row.subject);
    }
}

TEST_F(BadInput, OddListsStillGiveOneItemPerRow) {
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        const char* what;
        std::string bytes;
        Lines listed;
        std::string summary;
    } rows[] = {
        {"0 bytes", "", {}, ""},
        {"CR-only line ends", "A,Editor,one.exe,\rB,Two,two.exe,\r", {"Editor"}, "AEditor,B"},
        {"LF-only line ends", "A,Editor,one.exe,\nB,Two,two.exe,\n", {"Editor"}, "AEditor,B"},
        // The mark is no part of the first Tag.
        {"UTF-8 BOM", std::string("\xEF\xBB\xBF") + "A,Editor,one.exe,\r\n", {"Editor"}, "AEditor"},
        // NULs never reach the list, the search or the record.
        {"NUL bytes", std::string("A\0B,Edi\0tor,one.exe\0,\0\r\n", 24), {"Editor"}, "ABEditor"},
        // A lone lead byte in a double-byte code page, a stray continuation in UTF-8.
        {"bytes invalid in the code page",
         "A\x81,Editor\x81,one.exe,\r\n",
         {"Editor" + fffd},
         "A" + fffd + "Editor" + fffd},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        run.WriteList(row.bytes);
        const Seen seen = run.Run();
        EXPECT_EQ(seen.error, "");
        EXPECT_EQ(seen.listed, row.listed);
        EXPECT_TRUE(seen.messages.empty());
        EXPECT_EQ(records.files.at(kRecordPath), Ansi(ProgramDriver::Record(row.summary)));
        EXPECT_EQ(records.files.size(), 1u);
    }
}

TEST_F(BadInput, AListWithAUtf8MarkIsReadAsUtf8WhateverTheCodePage) {
    test::WriteBytes(run.ListPath(), "\xEF\xBB\xBF\xE5\x9C\xA8,\xE5\xBA\xAB\r\n");
    platform::SequentialFile list(run.ListPath(), platform::OpenMode::Input,
                                  platform::TextCodec("CP932"));
    EXPECT_EQ(list.ReadField(), "\xE5\x9C\xA8");
    EXPECT_EQ(list.ReadField(), "\xE5\xBA\xAB");
    EXPECT_TRUE(list.AtEnd());

    // A file of nothing but the mark is an empty list.
    test::WriteBytes(run.ListPath(), "\xEF\xBB\xBF");
    platform::SequentialFile empty(run.ListPath(), platform::OpenMode::Input);
    EXPECT_TRUE(empty.AtEnd());
}

// Each copy of a field costs its size, and a field of bytes invalid in the
// code page triples as text; the peak stays a few times the field all the
// same, from the list to the record file.
#if defined(__SANITIZE_ADDRESS__)
// Freed blocks wait in the sanitizer's quarantine (256 MB at most) before reuse.
constexpr long kQuarantineKb = 256 * 1024;
#else
constexpr long kQuarantineKb = 0;
#endif

// Keeps what a record file would hold only as its size and its start, so
// that the measurement counts the program's copies alone.
class SizeOnlyRecordFiles : public platform::RecordFileService {
  public:
    using RecordFileService::ReplaceContents;
    void ReplaceContents(const std::string&, std::span<const std::string_view> parts) override {
        size = 0;
        start.clear();
        for (const std::string_view part : parts) {
            size += part.size();
            if (start.size() < 16) start += part.substr(0, 16 - start.size());
        }
    }
    std::size_t size = 0;
    std::string start;
};

TEST_F(BadInput, AFiftyMegabyteFieldIsFiledInBoundedMemory) {
    constexpr std::size_t kField = 50u << 20;
    SizeOnlyRecordFiles sizes;
    ProgramDriver run{sizes};
    run.fs.AddFile("C:\\Apps\\one.exe");
    run.WriteSettings("[Save]\r\nSavePath=S:\\Inventory\r\nPathString=12\r\n");
    const struct {
        const char* what;
        char byte;
        const char* list;  // %s: the field
    } rows[] = {
        {"ASCII Tag", 'x', "%s,Editor,one.exe,\r\n"},
        {"invalid Tag", '\xFF', "%s,Editor,one.exe,\r\n"},
        {"invalid Spare", '\xFF', "A,Editor,one.exe,%s\r\nB,Two,two.exe,\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        {
            const std::string list = row.list;
            const std::size_t at = list.find("%s");
            std::ofstream out(run.ListPath(), std::ios::binary);
            out << list.substr(0, at);
            const std::string block(1 << 20, row.byte);
            for (std::size_t written = 0; written < kField; written += block.size()) out << block;
            out << list.substr(at + 2);
        }
        sizes.size = 0;
        // Resets the peak resident size to what is resident now.
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = test::PeakResidentKb();
        const auto start = std::chrono::steady_clock::now();
        const Seen seen = run.Run();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long growth = test::PeakResidentKb() - before;
        EXPECT_EQ(seen.error, "");
        EXPECT_EQ(seen.listed, Lines{"Editor"});
        // Every byte of a Tag is filed: as itself, or as U+FFFD in the code page.
        const bool tag = row.list[0] == '%';
        const std::size_t perByte = row.byte == 'x' ? 1 : Ansi("\xEF\xBF\xBD").size();
        EXPECT_EQ(sizes.size, sizeof "user1,PC-0012,MON-0034,WS01,192.0.2.15,536870912,room 301," -
                                  1 + (tag ? kField * perByte + 6 : 9) + 2);
        EXPECT_EQ(sizes.start, "user1,PC-0012,MO");
        // Converting a field of invalid bytes holds the bytes and their
        // three-times-larger text at once: 4x, and nothing more after.
        EXPECT_LT(growth, static_cast<long>(kField / 1024 * 9 / 2) + kQuarantineKb) << "KiB";
        RecordProperty(std::string(row.what) + " peak_rss_growth_kib", std::to_string(growth));
        std::printf("%s: peak growth %ld KiB (%.2f x the field), %.2f s\n", row.what, growth,
                    growth * 1024.0 / kField, seconds);
    }
}

TEST_F(BadInput, AHundredThousandRowsAreAllFiled) {
    constexpr int kRows = 100000;
    std::string list;
    std::string summary;
    for (int i = 0; i < kRows; ++i) {
        const std::string n = std::to_string(i);
        list +=
            "T" + n + ",Name" + n + "," + (i % 1000 == 0 ? "one.exe" : "f" + n + ".exe") + ",\r\n";
        summary += "T" + n + (i % 1000 == 0 ? "Name" + n : "") + ",";
    }
    summary.pop_back();
    run.WriteList(list);
    const Seen seen = run.Run();
    EXPECT_EQ(seen.error, "");
    EXPECT_EQ(seen.listed.size(), static_cast<std::size_t>(kRows / 1000));
    EXPECT_EQ(records.files.at(kRecordPath), ProgramDriver::Record(summary));
}

TEST_F(BadInput, SettingsChooseTheSaveFolderOrEndTheProgramNamingTheValue) {
    const std::string v150(150, 'v');
    const struct {
        const char* what;
        std::string ini;   // "-": no file
        std::string path;  // where the record goes; empty: nowhere
        int number;
        std::string subject;
    } rows[] = {
        {"missing", "-", "\\WS01.txt", 0, ""},
        {"empty", "", "\\WS01.txt", 0, ""},
        {"garbage bytes", std::string("\x93\xFA\0\x1A]=[\xFF\r\r=\n\x81", 13), "\\WS01.txt", 0, ""},
        {"sections and keys in other case", "[sAVE]\nsavepath = S:\\Inventory\nPATHSTRING=12\n",
         kRecordPath, 0, ""},
        {"duplicate keys and sections",
         "[Save]\r\nSavePath=S:\\Inventory\r\nSavePath=S:\\Other\r\nPathString=12\r\n"
         "[Save]\r\nPathString=2\r\n",
         kRecordPath, 0, ""},
        {"PathString -1", "[Save]\r\nSavePath=S:\\Inventory\r\nPathString=-1\r\n", "",
         platform::kInvalidProcedureCall, "PathString -1 in "},
        {"PathString 0", "[Save]\r\nSavePath=S:\\Inventory\r\nPathString=0\r\n", "\\WS01.txt", 0,
         ""},
        {"PathString the value's length", "[Save]\r\nSavePath=S:\\Inventory\r\nPathString=12\r\n",
         kRecordPath, 0, ""},
        {"PathString 99", "[Save]\r\nSavePath=S:\\Inventory\r\nPathString=99\r\n", kRecordPath, 0,
         ""},
        {"PathString 100", "[Save]\r\nSavePath=S:\\Inventory\r\nPathString=100\r\n", kRecordPath, 0,
         ""},
        // Wraps to 1, as the system's reading does: the folder "S" is not there.
        {"PathString 4294967297", "[Save]\r\nSavePath=S:\\Inventory\r\nPathString=4294967297\r\n",
         "", platform::kPathNotFound, ": S\\WS01.txt"},
        {"PathString 12abc", "[Save]\r\nSavePath=S:\\Inventory\r\nPathString=12abc\r\n",
         kRecordPath, 0, ""},
        {"PathString empty", "[Save]\r\nSavePath=S:\\Inventory\r\nPathString=\r\n", "\\WS01.txt", 0,
         ""},
        {"Japanese SavePath",
         "\xEF\xBB\xBF[Save]\r\nSavePath=S:\\\xE5\x9C\xA8\xE5\xBA\xAB\r\n"
         "PathString=5\r\n",
         "S:\\\xE5\x9C\xA8\xE5\xBA\xAB\\WS01.txt", 0, ""},
        // Only 99 bytes reach the buffer; the error shows the folder so cut.
        {"SavePath of 150 bytes", "[Save]\r\nSavePath=" + v150 + "\r\nPathString=150\r\n", "",
         platform::kPathNotFound, std::string(99, 'v') + "\\WS01.txt"},
    };
    records.folders["S:\\\xE5\x9C\xA8\xE5\xBA\xAB"] = true;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        records.files = {{kRecordPath, kEarlier}};
        std::filesystem::remove(run.SettingsPath());
        if (row.ini != "-") run.WriteSettings(row.ini);
        const Seen seen = run.Run();
        EXPECT_TRUE(seen.mainShown);
        if (row.number != 0) {
            ExpectEndedKeepingTheEarlierRecord(seen, row.number, row.subject);
            continue;
        }
        EXPECT_EQ(seen.error, "");
        std::map<std::string, std::string> expected{{kRecordPath, kEarlier}};
        expected[row.path] = ProgramDriver::Record("AEditor");
        EXPECT_EQ(records.files, expected);
    }
}

TEST_F(BadInput, MachineOddities) {
    // No D:: one list error per row, right after its C: result, and every row
    // still has its item.
    run.fs = platform::memory::MemoryFileSystem();
    run.fs.AddFile("C:\\Apps\\one.exe");
    run.WriteList("A,Editor,one.exe,\r\nB,Two,two.exe,\r\nC,Three,three.exe,\r\n");
    Seen seen = run.Run();
    EXPECT_EQ(seen.messages, Lines(3, inventory::kListErrorMessage));
    EXPECT_EQ(seen.listed, Lines{"Editor"});
    EXPECT_EQ(records.files.at(kRecordPath), ProgramDriver::Record("AEditor,B,C"));

    // A lower-case, non-ASCII host name is shown, filed and named upper-case.
    run.host.SetName("ws-\xD0\xBF\xD0\xBA-\xEF\xBD\x90\xEF\xBD\x83");
    seen = run.Run();
    const std::string upper = "WS-\xD0\x9F\xD0\x9A-\xEF\xBC\xB0\xEF\xBC\xA3";
    EXPECT_EQ(seen.host, upper);
    EXPECT_EQ(records.files.at("S:\\Inventory\\" + upper + ".txt"),
              Ansi(ProgramDriver::Record("AEditor,B,C", upper)));
}

TEST_F(BadInput, CancelAfterBadInputWritesNothing) {
    run.WriteList("A\xFF,Editor,one.exe,\r\n");
    run.WriteSettings("[Save]\r\nSavePath=S:\\Inventory\r\nPathString=-1\r\n");
    const Seen seen = run.Run(false);
    EXPECT_EQ(seen.error, "");
    EXPECT_EQ(records.files, (std::map<std::string, std::string>{{kRecordPath, kEarlier}}));
}

}  // namespace
}  // namespace zelmo
