// The index against the row-by-row search on real folders, where the probe
// follows links, names differ only in case and listings show entries the
// probe cannot find.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "inventory/drive_index.h"
#include "inventory/file_search.h"
#include "platform/drives.h"
#include "platform/file_system.h"
#include "posix_test_support.h"

namespace zelmo {
namespace {

class PosixIndexedDrives : public ::testing::Test {
  protected:
    void TearDown() override { platform::ConfigureDrives("", {}); }

    std::string At(const std::string& relative) const { return folder_.At(relative); }
    void Folder(const std::string& relative, mode_t mode = 0755) {
        std::filesystem::create_directories(At(relative));
        ASSERT_EQ(chmod(At(relative).c_str(), mode), 0) << relative;
    }
    void File(const std::string& relative) { std::ofstream(At(relative)) << "x"; }
    void Link(const std::string& target, const std::string& relative) {
        ASSERT_EQ(symlink(target.c_str(), At(relative).c_str()), 0) << relative;
    }

    test::posix::TempFolder folder_;
    const std::string& root_ = folder_.path();
};

TEST_F(PosixIndexedDrives, AgreesWithTheRowByRowSearchOnRealFolders) {
    Folder("A/B");
    Folder("A/bin");
    Folder("Z/.hidden");
    File("tool.exe");
    File("A/tool.exe");
    File("A/Tool.exe");  // a second name that differs only in case
    File("A/B/TOOL.EXE");
    File("A/bin/tool.exe");
    // Folders are opened from the folder above them: a sibling whose name
    // starts with another's, and a walk that climbs back from deep down.
    // Pairs in both listing orders, as the file system's order is its own.
    for (const char* deep : {"A/B/C/D", "A/Bx/y", "A/binx/y", "Z/Bx/y", "Z/plainx/y"}) {
        Folder(deep);
        File(std::string(deep) + "/tool.exe");
    }
    File("Z/.hidden/tool.exe");
    File("Z/tool.exe.");
    Folder("Z/plain/tool.exe");
    Folder("Z/readonly/tool.exe", 0555);
    Folder("Z/linked");
    Link(At("A"), "Z/linked/tool.exe");  // a link to a folder is found
    Link(At("A"), "Z/into");             // and never entered
    Folder("Z/B");
    Link(At("missing"), "Z/B/tool.exe");  // a dangling link is listed, not found
    File("Z/B/readme.txt");
    platform::ConfigureDrives("", {{'C', root_}, {'D', At("A")}});
    const auto fs = platform::OpenSystemFileSystem();

    const std::vector<std::string> names{
        "tool.exe",        "Tool.exe",      "TOOL.EXE",  "readme.txt", "bin/tool.exe",
        "bin\\tool.exe",   "tool.exe.",     "*.exe",     ".",          "..",
        "C:\\A\\tool.exe", "\\A\\tool.exe", "absent.exe"};
    const std::vector<std::string> drives{"C:", "D:", "E:"};
    inventory::IndexedDrives index(*fs, drives, names, 2);
    index.Build();
    int found = 0;
    for (const std::string& drive : drives) {
        for (const std::string& name : names) {
            std::vector<std::string> expected, actual;
            const std::int32_t count = inventory::FindOnDrive(*fs, drive, name, expected);
            EXPECT_EQ(index.FindOnDrive(drive, name, actual), count) << drive << " " << name;
            EXPECT_EQ(actual, expected) << drive << " " << name;
            found += count > 0 ? count : 0;
        }
    }
    // The walk order is the file system's; the places are these.
    std::vector<std::string> locations;
    EXPECT_EQ(index.FindOnDrive("C:", "tool.exe", locations), 11);
    std::sort(locations.begin(), locations.end());
    EXPECT_EQ(locations, (std::vector<std::string>{"C:", "C:\\A", "C:\\A\\B\\C\\D", "C:\\A\\Bx\\y",
                                                   "C:\\A\\bin", "C:\\A\\binx\\y", "C:\\Z\\.hidden",
                                                   "C:\\Z\\Bx\\y", "C:\\Z\\linked",
                                                   "C:\\Z\\plainx\\y", "C:\\Z\\readonly"}));
    EXPECT_GT(found, 12);
}

}  // namespace
}  // namespace zelmo
