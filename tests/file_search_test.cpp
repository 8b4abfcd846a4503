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

TEST_F(FileSearch, CountsTheRootAndEveryFolderBelowInWalkOrder) {
    fs.AddFile("C:\\tool.exe");
    fs.AddFile("C:\\A\\tool.exe");
    fs.AddFile("C:\\A\\B\\tool.exe");
    fs.AddFolder("C:\\Z");
    EXPECT_EQ(FindOnDrive(fs, "C:", "tool.exe", locations), 3);
    EXPECT_EQ(locations, (Locations{"C:", "C:\\A", "C:\\A\\B"}));
}

TEST_F(FileSearch, WalksDepthFirstInTheFileSystemsOrderWithoutSorting) {
    fs.AddFile("C:\\b\\x\\app.exe");
    fs.AddFile("C:\\a\\app.exe");
    fs.AddFile("C:\\b\\app.exe");
    EXPECT_EQ(FindOnDrive(fs, "c:", "APP.EXE", locations), 3);
    // Paths keep the designator as it was passed.
    EXPECT_EQ(locations, (Locations{"c:\\b", "c:\\b\\x", "c:\\a"}));
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
