#include "inventory/file_search.h"

#include <gtest/gtest.h>

#include "platform/memory/file_system.h"

namespace zelmo {
namespace {

using inventory::FindOnDrive;
using platform::memory::MemoryFileSystem;
using Locations = std::vector<std::string>;

class FileSearch : public ::testing::Test {
  protected:
    MemoryFileSystem fs;
    Locations locations{"stale", "entries"};
};

// Hits in walk order: the root, then depth first in the file system's own
// order, never sorted; names compare without case and paths keep the drive
// designator as it was passed.
TEST(FileSearchOrder, HitsComeInWalkOrderWithTheDesignatorAsPassed) {
    const struct {
        std::vector<const char*> files;
        const char* drive;
        const char* name;
        Locations expected;
    } cases[] = {
        {{"C:\\tool.exe", "C:\\A\\tool.exe", "C:\\A\\B\\tool.exe", "C:\\Z\\other.txt"},
         "C:",
         "tool.exe",
         {"C:", "C:\\A", "C:\\A\\B"}},
        {{"C:\\b\\x\\app.exe", "C:\\a\\app.exe", "C:\\b\\app.exe"},
         "c:",
         "APP.EXE",
         {"c:\\b", "c:\\b\\x", "c:\\a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem fs;
        for (const char* file : c.files) fs.AddFile(file);
        Locations locations{"stale", "entries"};
        EXPECT_EQ(FindOnDrive(fs, c.drive, c.name, locations),
                  static_cast<std::int32_t>(c.expected.size()));
        EXPECT_EQ(locations, c.expected);
    }
}

TEST_F(FileSearch, NoHitLeavesOneEmptyEntry) {
    fs.AddFolder("C:\\A\\B");
    EXPECT_EQ(FindOnDrive(fs, "C:", "tool.exe", locations), 0);
    EXPECT_EQ(locations, Locations{""});
}

TEST_F(FileSearch, AFolderNamedLikeTheFileCountsOnlyWithFurtherAttributes) {
    fs.AddFolder("C:\\plain\\tool.exe", 16);
    fs.AddFolder("C:\\hidden\\tool.exe", 18);
    fs.AddFile("C:\\plain\\tool.exe\\inner\\tool.exe");
    EXPECT_EQ(FindOnDrive(fs, "C:", "tool.exe", locations), 2);
    // The walk descends into both folders of that name all the same.
    EXPECT_EQ(locations, (Locations{"C:\\plain\\tool.exe\\inner", "C:\\hidden"}));
}

TEST_F(FileSearch, MalformedOrAbsentDrivesGiveMinusOneAfterTheReset) {
    fs.AddFile("C:\\tool.exe");
    for (const char* drive : {"D:", "C", "", "CX", "1:", "[:", "\xE3\x81\x82:"}) {
        locations = {"stale"};
        EXPECT_EQ(FindOnDrive(fs, drive, "tool.exe", locations), -1) << drive;
        EXPECT_EQ(locations, Locations{""}) << drive;
    }
}

TEST_F(FileSearch, APresentDriveWithNothingOnItGivesZero) {
    fs.AddDrive('E');
    EXPECT_EQ(FindOnDrive(fs, "E:", "tool.exe", locations), 0);
}

TEST_F(FileSearch, UnlistableFoldersAreProbedButNotEntered) {
    fs.AddFile("C:\\locked\\tool.exe");
    fs.AddFile("C:\\locked\\deeper\\tool.exe");
    fs.AddFile("C:\\open\\tool.exe");
    fs.SetListable("C:\\locked", false);
    EXPECT_EQ(FindOnDrive(fs, "C:", "tool.exe", locations), 2);
    EXPECT_EQ(locations, (Locations{"C:\\locked", "C:\\open"}));
}

TEST_F(FileSearch, ALongerDesignatorIsUsedWhole) {
    fs.AddFile("C:\\Apps\\tool.exe");
    fs.AddFile("C:\\Apps\\Sub\\tool.exe");
    fs.AddFile("C:\\Other\\tool.exe");
    EXPECT_EQ(FindOnDrive(fs, "C:\\Apps", "tool.exe", locations), 2);
    EXPECT_EQ(locations, (Locations{"C:\\Apps", "C:\\Apps\\Sub"}));
}

TEST_F(FileSearch, ANameWithAFolderPartIsLookedForBelowEachFolder) {
    fs.AddFile("C:\\A\\bin\\tool.exe");
    fs.AddFile("C:\\bin\\tool.exe");
    EXPECT_EQ(FindOnDrive(fs, "C:", "bin\\tool.exe", locations), 2);
    EXPECT_EQ(locations, (Locations{"C:", "C:\\A"}));
}

TEST_F(FileSearch, EachWalkListsEveryFolderOnce) {
    fs.AddFolder("C:\\A\\B");
    fs.AddFolder("C:\\C");
    FindOnDrive(fs, "C:", "x", locations);
    EXPECT_EQ(fs.ListCalls(), 4);  // root, A, B, C
}

}  // namespace
}  // namespace zelmo
