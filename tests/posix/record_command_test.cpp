// `zelmocb-cli record` run as a scheduler runs it: a copy of the program
// with its Zelmo.ini beside it, started in a folder of its own, output to
// files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "posix_test_support.h"

namespace zelmo::cli {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

using CliRun = test::posix::ShellRun;

class RecordCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy_file(ZELMO_CLI_PATH, cli_);
        fs::create_directories(dir_ / "c");
        fs::create_directories(dir_ / "d");
        fs::create_directories(save_);
        WriteBytes(dir_ / "Zelmo.ini", "[Drives]\r\nC=" + (dir_ / "c") + "\r\nD=" + (dir_ / "d") +
                                           "\r\n[Save]\r\nSavePath=" + save_ + "\r\nPathString=" +
                                           std::to_string(save_.size()) + "\r\n");
        WriteBytes(dir_ / "ZelmoAppl.csv",
                   "ED01,Text Editor,edit.exe,\r\nGM01,Solitaire,sol.exe,\r\n");
        WriteBytes(dir_ / "c/edit.exe", "");
        // A Shift_JIS locale makes the records' code page a double-byte one,
        // as on the PCs; without one the locale is UTF-8.
        const std::string locales = dir_ / "locales";
        const std::string generate =
            "localedef -c -f SHIFT_JIS -i ja_JP " + locales + "/ja_JP.SJIS >/dev/null 2>&1";
        if (std::system(generate.c_str()) == 0 || fs::exists(locales + "/ja_JP.SJIS/LC_CTYPE")) {
            // glibc's loading of a locale from LOCPATH keeps a few bytes that
            // a leak checker reports at exit; they are not the program's.
            env_ = "ASAN_OPTIONS=detect_leaks=0 LOCPATH=" + locales + " LC_ALL=ja_JP.SJIS ";
            doubleByte_ = "\x83\x5C\x83\x74\x83\x67";  // ソフト
        } else {
            env_ = "LC_ALL=C.UTF-8 ";
            doubleByte_ = "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88";
        }
        const CliRun facts = Run("facts");
        ASSERT_EQ(facts.status, 0) << facts.err;
        const auto value = [&](const std::string& key) {
            const std::size_t at = facts.out.find(key + ": ") + key.size() + 2;
            return facts.out.substr(at, facts.out.find('\n', at) - at);
        };
        host_ = value("Host");
        // What this host contributes to every record it files.
        facts_ = "," + host_ + "," + value("IP") + "," + value("AllSpace") + ",";
        record_ = save_ + "/" + host_ + ".txt";
    }

    CliRun Run(const std::string& arguments) {
        return test::posix::RunShell(
            "cd '" + (dir_ / "") + "' && " + env_ + "'" + cli_ + "' " + arguments, dir_);
    }

    test::TempDir dir_;
    const std::string cli_ = dir_ / "zelmocb-cli";
    const std::string save_ = dir_ / "save";
    std::string env_;
    std::string doubleByte_;
    std::string host_;
    std::string facts_;
    std::string record_;
};

// Each typed fact from the command line when given (empty included), else
// from the host's record; nothing written without a usable record.
TEST_F(RecordCommand, TakesEachFactFromTheCommandLineOrTheExistingRecord) {
    const std::string summary = "ED01Text Editor,GM01\r\n";
    const std::string earlier = "Old,PC-9,MON-9," + host_ + ",10.9.9.9,1,Room 9,ED01,GM01\r\n";
    const std::string quoted = "\"Yamada, Taro\",PC-9,\"MON \"\"A\"\"\"," + host_ + ",10.9.9.9,1," +
                               doubleByte_ + ",X\r\n";
    struct Case {
        const char* what;
        std::string existing;  // empty: no record
        std::string arguments;
        int status;
        std::string filed;  // the record afterwards; empty: none
        const char* inErr;
    };
    const Case cases[] = {
        {"all given, the record not even read", "two\r\nlines\r\n",
         "--name Taro --pc PC-1 --monitor MON-1 --location 3F", 0,
         "Taro,PC-1,MON-1" + facts_ + "3F," + summary, ""},
        {"none given", earlier, "", 0, "Old,PC-9,MON-9" + facts_ + "Room 9," + summary, ""},
        {"some given, one empty", earlier, "--pc PC-2 --location ''", 0,
         "Old,PC-2,MON-9" + facts_ + "," + summary, ""},
        {"quoted and double-byte values carried over", quoted, "--pc PC-3", 0,
         "\"Yamada, Taro\",PC-3,\"MON \"\"A\"\"\"" + facts_ + doubleByte_ + "," + summary, ""},
        {"no record, facts missing", "", "--name Taro --pc PC-1", 64, "", "--monitor, --location"},
        {"too few values", "Old,PC-9\r\n", "--name N", 2, "Old,PC-9\r\n", "too-few-values"},
        {"two lines", earlier + earlier, "", 2, earlier + earlier, "not-one-line"},
        {"another host's record", "Old,PC-9,MON-9,OTHER,10.9.9.9,1,Room 9,X\r\n", "", 2,
         "Old,PC-9,MON-9,OTHER,10.9.9.9,1,Room 9,X\r\n", "host-mismatch"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(record_);
        if (!c.existing.empty()) WriteBytes(record_, c.existing);
        const CliRun run = Run("record " + c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.out, "");
        if (*c.inErr) {
            EXPECT_NE(run.err.find(c.inErr), std::string::npos) << run.err;
        } else {
            EXPECT_EQ(run.err, "");
        }
        if (c.filed.empty()) {
            EXPECT_FALSE(fs::exists(record_));
        } else {
            EXPECT_EQ(ReadBytes(record_), c.filed);
        }
        EXPECT_EQ(test::NamesIn(save_).size(), 1u - c.filed.empty());
    }

    // A dry run shows the line and the file, and writes nothing.
    WriteBytes(record_, earlier);
    const CliRun dry = Run("record --dry-run --name Hanako");
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out,
              "Hanako,PC-9,MON-9" + facts_ + "Room 9,ED01Text Editor,GM01\n" + record_ + "\n");
    EXPECT_EQ(ReadBytes(record_), earlier);
}

// A new program on a drive changes only the record's items, and the
// collector's history shows the installation.
TEST_F(RecordCommand, RefreshShowsANewInstallationInTheHistory) {
    ASSERT_EQ(Run("record --name Taro --pc PC-1 --monitor MON-1 --location 3F").status, 0);
    const std::string before = ReadBytes(record_);
    const std::string db = dir_ / "inventory.db";
    const std::string collect = "collect '" + save_ + "' --list ZelmoAppl.csv --db '" + db + "'";
    ASSERT_LE(Run(collect).status, 1);

    WriteBytes(dir_ / "d/sol.exe", "");
    const CliRun refresh = Run("record");
    ASSERT_EQ(refresh.status, 0) << refresh.err;
    const std::string after = ReadBytes(record_);
    const std::string head = "Taro,PC-1,MON-1" + facts_ + "3F,ED01Text Editor,GM01";
    EXPECT_EQ(before, head + "\r\n");
    EXPECT_EQ(after, head + "Solitaire\r\n");

    ASSERT_LE(Run(collect).status, 1);
    const CliRun changes = Run("changes --db '" + db + "'");
    EXPECT_EQ(changes.status, 0) << changes.err;
    EXPECT_NE(changes.out.find(host_ + ": installed Solitaire\n"), std::string::npos)
        << changes.out;
}

}  // namespace
}  // namespace zelmo::cli
