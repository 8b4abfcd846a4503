#include "app/forms/zelmo_application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <new>
#include <stdexcept>

#include "app/forms/main_window.h"
#include "inventory/application_list_scan.h"
#include "platform/memory/record_file.h"
#include "program_driver.h"

namespace zelmo {
namespace {

using platform::memory::MemoryWindow;
using platform::memory::ProgramEnded;
using Lines = std::vector<std::string>;

// The records in memory; a base of its own so that they exist before the
// driver that writes them.
struct InMemoryRecords {
    platform::memory::MemoryRecordFiles records;
};

class Program : public ::testing::Test, protected InMemoryRecords, protected test::ProgramDriver {
  protected:
    Program() : test::ProgramDriver(records) {
        records.folders["S:\\Inventory"] = true;
        WriteSettings("[Save]\r\nSavePath=S:\\Inventory\r\nPathString=12\r\n");
        WriteList("item1,One,none.exe,\r\nitem2,Two,none.exe,\r\n");
    }
};

TEST_F(Program, StartsWithATopmostSplashThatHandsOverOnItsFirstTick) {
    App().Start();
    MemoryWindow* splash = Splash();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->IsVisible());
    EXPECT_TRUE(splash->topmost());
    EXPECT_TRUE(splash->style().borderless);
    EXPECT_EQ(splash->style().clientWidth, 312);
    EXPECT_EQ(splash->style().clientHeight, 64);
    EXPECT_EQ(splash->style().background, (platform::Rgb{128, 128, 255}));
    EXPECT_EQ(splash->Caption("lbl_wait"), "Find Applications........ Please wait");
    EXPECT_EQ(MainWindow(), nullptr);  // nothing runs before the first tick

    splash->Tick("Tim01");
    EXPECT_TRUE(splash->closed());
    EXPECT_FALSE(splash->HasTimer("Tim01"));
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_TRUE(MainWindow()->IsVisible());
    EXPECT_EQ(MainWindow()->focus(), "txtname");
}

TEST_F(Program, LoadRunsInOrderAndRestoresThePointerBeforeTheSplashGoesAndMainShows) {
    StartAndHandOver();
    const Lines expected = {"create Form1",    "topmost Form1",    "show Form1",
                            "create Zelmo CB", "topmost Zelmo CB", "pointer 13",
                            "pointer 0",       "close Form1",      "show Zelmo CB"};
    EXPECT_EQ(forms.log, expected);
    EXPECT_EQ(host.Calls(), (Lines{"LocalHostName", "LocalIp"}));
    EXPECT_EQ(memory.Calls(), 1u);
}

TEST_F(Program, MainShowsTheFactsAndTheApplicationsFound) {
    fs.AddFile("C:\\Apps\\one.exe");
    fs.AddFile("D:\\one.exe");
    memory.SetFixed({25, 3221225472ull, 0, 0, 0, 0, 0});
    WriteList("A,Editor,one.exe,\r\n");
    MemoryWindow& main = StartAndHandOver();
    EXPECT_EQ(main.Caption("lblHost"), "WS01");
    EXPECT_EQ(main.Caption("lblIP"), "192.0.2.15");
    EXPECT_EQ(main.Caption("lblMem"), "3221225472");
    EXPECT_EQ(main.Items("lstAppl"), (Lines{"Editor", "Editor"}));
    EXPECT_EQ(App().MainForm().AppSummary(), "AEditorEditor,");
}

TEST_F(Program, MainHasItsControlsWhereTheyBelongInTabOrder) {
    MemoryWindow& main = StartAndHandOver();
    EXPECT_EQ(main.style().caption, "Zelmo CB");
    EXPECT_EQ(main.style().clientWidth, 246);
    EXPECT_EQ(main.style().clientHeight, 274);
    EXPECT_FALSE(main.style().borderless);
    EXPECT_EQ(main.TabOrder(), (Lines{"txtname", "txtPInv", "txtMInv1", "txtLocF", "cmdOK",
                                      "cmdCancel", "cmdOption", "lstAppl"}));
    const platform::Rect ok = main.Bounds("cmdOK");
    EXPECT_EQ((std::vector<int>{ok.left, ok.top, ok.width, ok.height}),
              (std::vector<int>{192, 200, 49, 17}));
    EXPECT_EQ(main.Caption("lbltxtIP"), "IP Adress is");
}

TEST_F(Program, TicksDuringAListErrorBoxLoadNoSecondMainWindow) {
    fs = platform::memory::MemoryFileSystem();
    fs.AddDrive('C');  // no D:, so every row shows the message
    WriteList("1,One,a.exe,\r\n2,Two,b.exe,\r\n3,Three,c.exe,\r\n");
    App().Start();
    MemoryWindow* splash = Splash();
    int ticks = 0;
    forms.whileMessageOpen = [&] {
        if (splash->HasTimer("Tim01")) {
            splash->Tick("Tim01");
            ++ticks;
        }
        EXPECT_FALSE(MainWindow()->IsVisible());
    };
    splash->Tick("Tim01");
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(forms.messages, Lines(3, inventory::kListErrorMessage));
    EXPECT_EQ(std::count(forms.log.begin(), forms.log.end(), "create Zelmo CB"), 1);
    EXPECT_EQ(memory.Calls(), 1u);
    EXPECT_EQ(App().MainForm().AppSummary(), "1,2,3,");
    EXPECT_TRUE(MainWindow()->IsVisible());
}

TEST_F(Program, OkFilesTheRecordAsOneLineAndEndsTheProgram) {
    MemoryWindow& main = StartAndHandOver();
    TypeExampleValues(main);
    main.Press("cmdOK");
    EXPECT_EQ(records.files.at("S:\\Inventory\\WS01.txt"),
              "user1,PC-0012,MON-0034,WS01,192.0.2.15,536870912,room 301,item1,item2\r\n");
    EXPECT_TRUE(main.closed());
    EXPECT_EQ(forms.LiveWindows(), 0);
}

TEST_F(Program, EmptyFieldsAndAnEmptyListStillFileARecord) {
    WriteList("");
    MemoryWindow& main = StartAndHandOver();
    main.Press("cmdOK");
    EXPECT_EQ(records.files.at("S:\\Inventory\\WS01.txt"), ",,,WS01,192.0.2.15,536870912,,\r\n");
}

TEST_F(Program, ValuesWithCommasOrQuotesAreQuotedAndNoOthers) {
    MemoryWindow& main = StartAndHandOver();
    main.Type("txtname", "Doe, Jane");
    main.Type("txtPInv", "PC \"12\"");
    main.Type("txtLocF", "room 3");
    main.Press("cmdOK");
    EXPECT_EQ(records.files.at("S:\\Inventory\\WS01.txt"),
              "\"Doe, Jane\",\"PC \"\"12\"\"\",,WS01,192.0.2.15,536870912,room 3,item1,item2\r\n");
}

TEST_F(Program, CancelLeavesTheEarlierRecordUntouched) {
    records.files["S:\\Inventory\\WS01.txt"] = "earlier\r\n";
    MemoryWindow& main = StartAndHandOver();
    main.Press("cmdCancel");
    EXPECT_TRUE(main.closed());
    EXPECT_EQ(records.files.at("S:\\Inventory\\WS01.txt"), "earlier\r\n");
}

TEST_F(Program, TheCloseCommandIsCancel) {
    MemoryWindow& main = StartAndHandOver();
    main.PressCloseCommand();
    EXPECT_TRUE(main.closed());
    EXPECT_TRUE(records.files.empty());
}

TEST_F(Program, CdSendsTheTrayCommandAndChangesNothing) {
    MemoryWindow& main = StartAndHandOver();
    main.Press("cmdOption");
    main.Press("cmdOption");
    EXPECT_EQ(multimedia.commands, Lines(2, "set cdaudio door open"));
    EXPECT_TRUE(main.IsVisible());
}

TEST_F(Program, SaveFolderFollowsPathString) {
    const struct {
        const char* ini;
        const char* path;
    } cases[] = {
        {"[Save]\r\nSavePath=S:\\Inventory\\\r\nPathString=13\r\n", "S:\\Inventory\\WS01.txt"},
        {"[Save]\r\nSavePath=S:\\Inventory\r\nPathString=2\r\n", "S:\\WS01.txt"},
        {"[Save]\r\nSavePath=S:\\Inventory\r\nPathString=0\r\n", "\\WS01.txt"},
        {"[Save]\r\nSavePath=S:\\Inventory\r\n", "\\WS01.txt"},
        // Past the value's end the text is cut at the buffer's first NUL.
        {"[Save]\r\nSavePath=S:\\Inventory\r\nPathString=40\r\n", "S:\\Inventory\\WS01.txt"},
        {"[Save]\r\nSavePath=S:\\Inventory\r\nPathString=100\r\n", "S:\\Inventory\\WS01.txt"},
    };
    records.folders["S:"] = true;
    records.folders[""] = true;
    for (const auto& c : cases) {
        records.files.clear();
        Restart();
        WriteSettings(c.ini);
        StartAndHandOver().Press("cmdOK");
        EXPECT_EQ(records.files.count(c.path), 1u) << c.ini;
    }
}

TEST_F(Program, AFailedWriteReportsTheErrorAndKeepsTheEarlierRecord) {
    records.files["S:\\Inventory\\WS01.txt"] = "earlier\r\n";
    records.failAfterBytes = 10;
    MemoryWindow& main = StartAndHandOver();
    try {
        main.Press("cmdOK");
        FAIL() << "no error";
    } catch (const ProgramEnded& e) {
        EXPECT_NE(e.status, 0);
        EXPECT_NE(std::string(e.what()).find("Run-time error '61':"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("S:\\Inventory\\WS01.txt"), std::string::npos);
    }
    EXPECT_EQ(records.files.at("S:\\Inventory\\WS01.txt"), "earlier\r\n");
}

TEST_F(Program, AMissingSavePathIsAnErrorNamingThePath) {
    WriteSettings("[Save]\r\nPathString=3\r\n");
    MemoryWindow& main = StartAndHandOver();
    EXPECT_THROW(main.Press("cmdOK"), ProgramEnded);
    EXPECT_TRUE(records.files.empty());
    EXPECT_NE(forms.log.back().find("***\\WS01.txt"), std::string::npos) << forms.log.back();
}

TEST_F(Program, AMissingListEndsTheProgramBeforeMainShows) {
    std::filesystem::remove(dir / "ZelmoAppl.csv");
    App().Start();
    EXPECT_THROW(Splash()->Tick("Tim01"), ProgramEnded);
    EXPECT_NE(forms.log.back().find("Run-time error '53':"), std::string::npos);
    EXPECT_FALSE(MainWindow()->IsVisible());
    EXPECT_TRUE(records.files.empty());
}

// Whatever leaves a handler, on any thread of the load, ends the program with
// the standard report, once.
TEST_F(Program, AnyFailureInAHandlerEndsTheProgramWithTheStandardReport) {
    const struct {
        std::exception_ptr failure;
        const char* report;
    } cases[] = {
        {std::make_exception_ptr(std::runtime_error("no sensor")),
         "Run-time error '51':\n\nInternal error: no sensor"},
        {std::make_exception_ptr(std::bad_alloc()), "Run-time error '7':\n\nOut of memory"},
        {std::make_exception_ptr(42), "Run-time error '51':\n\nInternal error"},
    };
    for (const auto& c : cases) {
        Restart();
        memory.FailWith(c.failure);
        App().Start();
        try {
            Splash()->Tick("Tim01");
            ADD_FAILURE() << "no report for " << c.report;
        } catch (const ProgramEnded& e) {
            EXPECT_EQ(e.what(), std::string(c.report));
            EXPECT_EQ(e.status, 1);
        }
        EXPECT_EQ(std::count_if(forms.log.begin(), forms.log.end(),
                                [](const std::string& line) { return line.starts_with("error"); }),
                  1);
        EXPECT_FALSE(MainWindow()->IsVisible());
    }
}

TEST_F(Program, AWindowThatIsGoneIsClosedAndCannotBeFound) {
    App().Start();
    ASSERT_NE(Splash(), nullptr);
    EndProgram();
    EXPECT_EQ(Splash(), nullptr);
    EXPECT_EQ(forms.log.back(), "close Form1");
    EXPECT_EQ(forms.LiveWindows(), 0);
}

}  // namespace
}  // namespace zelmo

namespace zelmo {
namespace {

TEST_F(Program, TheSplashEndsWithTheNumberOfFoldersTheWalkSearched) {
    fs.AddFolder("C:\\A\\B");
    App().Start();
    MemoryWindow* splash = Splash();
    splash->Tick("Tim01");
    // C:\, C:\A, C:\A\B and D:\, however soon the walk ended.
    EXPECT_EQ(splash->status(), "Folders searched: 4");
    EXPECT_TRUE(MainWindow()->IsVisible());
}

}  // namespace
}  // namespace zelmo
