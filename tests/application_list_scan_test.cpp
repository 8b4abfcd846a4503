#include "inventory/application_list_scan.h"

#include <gtest/gtest.h>

#include "platform/memory/file_system.h"
#include "platform/memory/message_box.h"
#include "platform/runtime_error.h"
#include "test_support.h"

namespace zelmo {
namespace {

using inventory::kListErrorMessage;
using inventory::PerRowSearch;
using Entries = std::vector<std::string>;

class ApplicationListScan : public ::testing::Test {
  protected:
    ApplicationListScan() { fs.AddDrive('C'); }

    // Runs the scan over a list with the given bytes; returns the rows read.
    int Scan(std::string_view list) {
        const std::string path = dir / "ZelmoAppl.csv";
        test::WriteBytes(path, list);
        PerRowSearch search(fs);
        // The message box sees the row's C: result already applied.
        messages.onShow = [this](const std::string&) {
            entriesAtMessage.push_back(entries.size());
        };
        return inventory::ScanApplicationList(
            path, search,
            {[this](const std::string& e) { entries.push_back(e); }, summary, messages});
    }

    test::TempDir dir;
    platform::memory::MemoryFileSystem fs;
    platform::memory::RecordingMessageBox messages;
    Entries entries;
    std::string summary;
    std::vector<std::size_t> entriesAtMessage;
};

TEST_F(ApplicationListScan, BuildsEntriesAndSummaryByDriveResults) {
    fs.AddFile("C:\\Apps\\edit.exe");
    fs.AddFile("D:\\Apps\\edit.exe");
    fs.AddFile("C:\\calc.exe");
    fs.AddFile("D:\\Games\\game.exe");
    EXPECT_EQ(Scan("A,Editor,edit.exe,\r\nB,Calc,calc.exe,x\r\nC,Game,game.exe,\r\n"
                   "D,Nothing,none.exe,\r\n"),
              4);
    EXPECT_EQ(entries, (Entries{"Editor", "Editor", "Calc", "Game"}));
    EXPECT_EQ(summary, "AEditorEditor,BCalc,CGame,D,");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ApplicationListScan, RowsFoundNowhereWithEmptyTagsLeaveBareCommas) {
    Scan(",X,none.exe,\r\n,Y,none.exe,\r\n");
    EXPECT_EQ(summary, ",,");
    EXPECT_TRUE(entries.empty());
}

TEST_F(ApplicationListScan, WithoutDriveDEveryRowShowsTheMessageAfterItsCResult) {
    fs.AddFile("C:\\one.exe");
    Scan("1,One,one.exe,\r\n2,Two,two.exe,\r\n3,Three,one.exe,\r\n");
    EXPECT_EQ(messages.shown, Entries(3, kListErrorMessage));
    EXPECT_EQ(entriesAtMessage, (std::vector<std::size_t>{1, 1, 2}));
    EXPECT_EQ(summary, "1One,2,3Three,");
}

TEST_F(ApplicationListScan, RowsTakeFourFieldsWhateverTheLineLayout) {
    fs.AddFile("C:\\b.exe");
    // The short first line takes its Spare from the next line.
    Scan("A,Alpha,a.exe\r\nspare,B,Beta,b.exe,s2\r\n");
    EXPECT_EQ(entries, Entries{"Beta"});
    EXPECT_EQ(summary, "A,BBeta,");
}

TEST_F(ApplicationListScan, ARowCutShortEndsTheScanWithError62NamingListAndRow) {
    const auto e =
        test::ErrorOf<platform::RunTimeError>([&] { Scan("A,Alpha,a.exe,\r\nB,Beta\r\n"); });
    ASSERT_TRUE(e) << "no error";
    EXPECT_EQ(e->Number(), 62);
    EXPECT_NE(e->Detail().find("ZelmoAppl.csv, row 2"), std::string::npos) << e->Detail();
    EXPECT_EQ(summary, "A,");
}

TEST_F(ApplicationListScan, AMissingListRaisesFileNotFoundAndAnEmptyOneIsNoFailure) {
    PerRowSearch search(fs);
    try {
        inventory::ScanApplicationList(dir / "ZelmoAppl.csv", search,
                                       {[](const std::string&) {}, summary, messages});
        FAIL() << "no error";
    } catch (const platform::RunTimeError& e) {
        EXPECT_EQ(e.Number(), 53);
        EXPECT_NE(e.Detail().find("ZelmoAppl.csv"), std::string::npos);
    }
    EXPECT_EQ(Scan(""), 0);
    EXPECT_EQ(summary, "");
    EXPECT_TRUE(entries.empty());
}

TEST_F(ApplicationListScan, AQuotedDisplayNameKeepsItsCommaAndTheItemStaysOneValue) {
    fs.AddFile("C:\\e.exe");
    Scan("A,\"Editor, Pro\",e.exe,\r\nB,Say \"hi\",e.exe,\r\nC,Plain,e.exe,\r\n");
    EXPECT_EQ(entries, (Entries{"Editor, Pro", "Say \"hi\"", "Plain"}));
    EXPECT_EQ(summary, "\"AEditor, Pro\",\"BSay \"\"hi\"\"\",CPlain,");
}

TEST_F(ApplicationListScan, SameFileNameInTwoRowsIsSearchedForEachRow) {
    fs.AddFile("C:\\x.exe");
    Scan("A,X1,x.exe,\r\nB,X2,x.exe,\r\n");
    EXPECT_EQ(entries, (Entries{"X1", "X2"}));
    EXPECT_EQ(fs.ListCalls(), 2);
}

}  // namespace
}  // namespace zelmo
