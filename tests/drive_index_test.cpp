#include "inventory/drive_index.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <stdexcept>

#include "file_system_fakes.h"
#include "inventory/file_search.h"
#include "platform/memory/file_system.h"

namespace zelmo {
namespace {

using inventory::IndexedDrives;
using platform::memory::MemoryFileSystem;
using Locations = std::vector<std::string>;

// Checks every (drive, name) against the search it replaces.
void ExpectSameAsFindOnDrive(platform::FileSystem& fs, const std::vector<std::string>& drives,
                             const std::vector<std::string>& names, unsigned threads) {
    IndexedDrives index(fs, drives, names, threads);
    index.Build();
    for (const std::string& drive : drives) {
        for (const std::string& name : names) {
            Locations expected{"stale"};
            Locations actual{"stale", "too"};
            const std::int32_t count = inventory::FindOnDrive(fs, drive, name, expected);
            EXPECT_EQ(index.FindOnDrive(drive, name, actual), count) << drive << " " << name;
            EXPECT_EQ(actual, expected) << drive << " " << name;
            EXPECT_EQ(index.CountOnDrive(drive, name), count) << drive << " " << name;
        }
    }
}

class DriveIndex : public ::testing::Test {
  protected:
    DriveIndex() {
        fs.AddFile("C:\\tool.exe");
        fs.AddFile("C:\\A\\TOOL.EXE");
        fs.AddFile("C:\\A\\B\\tool.exe");
        fs.AddFile("C:\\A\\bin\\tool.exe");
        fs.AddFile("C:\\Z\\readme.txt");
        fs.AddFolder("C:\\Z\\plain\\tool.exe", 16);
        fs.AddFolder("C:\\Z\\hidden\\tool.exe", 18);
        fs.AddFile("C:\\Z\\plain\\tool.exe\\tool.exe");
        fs.AddFile("D:\\Apps\\tool.exe");
    }
    MemoryFileSystem fs;
};

TEST_F(DriveIndex, GivesFindOnDrivesCountsAndLocationsInWalkOrder) {
    IndexedDrives index(fs, {"C:", "D:"}, {"tool.exe", "readme.txt", "none.exe"}, 2);
    index.Build();
    Locations locations;
    EXPECT_EQ(index.FindOnDrive("C:", "tool.exe", locations), 6);
    EXPECT_EQ(locations, (Locations{"C:", "C:\\A", "C:\\A\\B", "C:\\A\\bin",
                                    "C:\\Z\\plain\\tool.exe", "C:\\Z\\hidden"}));
    EXPECT_EQ(index.FindOnDrive("D:", "tool.exe", locations), 1);
    EXPECT_EQ(locations, Locations{"D:\\Apps"});
    EXPECT_EQ(index.FindOnDrive("C:", "none.exe", locations), 0);
    EXPECT_EQ(locations, Locations{""});
    ExpectSameAsFindOnDrive(fs, {"C:", "D:"}, {"tool.exe", "Tool.Exe", "readme.txt", "none.exe"},
                            2);
}

TEST_F(DriveIndex, WalksEachDriveOnceAndProbesOnlyWhereAListingHoldsTheName) {
    std::vector<std::string> names;
    for (int i = 0; i < 50; ++i) names.push_back("absent" + std::to_string(i) + ".exe");
    names.push_back("tool.exe");
    const int listedBefore = fs.ListCalls();
    IndexedDrives index(fs, {"C:", "D:"}, names, 3);
    index.Build();
    // C: has 9 folders with its root, D: 2; every one is listed once.
    EXPECT_EQ(fs.ListCalls() - listedBefore, 11);
    EXPECT_EQ(index.FoldersSearched(), 11);
    // Two root probes per name, then one per folder holding tool.exe.
    EXPECT_EQ(fs.ProbeCalls(), 2 * 51 + 7);
}

TEST_F(DriveIndex, NamesThePathSearchResolvesItselfAreProbedInEveryFolder) {
    fs.AddFile("C:\\A\\bin\\x\\tool.exe");
    ExpectSameAsFindOnDrive(fs, {"C:", "D:"},
                            {"bin\\tool.exe", "BIN\\TOOL.EXE", "C:\\tool.exe", "\\A\\TOOL.EXE",
                             "*.exe", "tool.???", ".", "..", "", "tool.exe.", "tool.exe ",
                             std::string("tool.exe\0x", 10), "plain\\tool.exe"},
                            2);
}

TEST_F(DriveIndex, AbsentAndMalformedDrivesGiveMinusOneAfterTheReset) {
    const std::vector<std::string> drives{"E:", "C", "1:", "", "c:", "C:\\A"};
    IndexedDrives index(fs, drives, {"tool.exe"}, 1);
    index.Build();
    Locations locations{"stale"};
    EXPECT_EQ(index.FindOnDrive("E:", "tool.exe", locations), -1);
    EXPECT_EQ(locations, Locations{""});
    ExpectSameAsFindOnDrive(fs, drives, {"tool.exe"}, 1);
}

// Short names: the probe finds an alias that no listing shows.
class AliasFileSystem : public test::ForwardingFileSystem {
  public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::optional<std::string> ProbeFolder(const std::string& folder,
                                           const std::string& fileName) override {
        const auto alias = aliases.find(fileName);
        return inner_.ProbeFolder(folder, alias == aliases.end() ? fileName : alias->second);
    }
    bool ListingDecides(std::string_view name) const override {
        return name.find('~') == std::string_view::npos;
    }
    std::map<std::string, std::string> aliases{{"TOOL~1.EXE", "tool.exe"}};
};

TEST_F(DriveIndex, NamesTheListingCannotDecideAreProbedInEveryFolder) {
    AliasFileSystem aliased(fs);
    IndexedDrives index(aliased, {"C:"}, {"TOOL~1.EXE"}, 2);
    index.Build();
    EXPECT_EQ(index.CountOnDrive("C:", "TOOL~1.EXE"), 6);
    ExpectSameAsFindOnDrive(aliased, {"C:", "D:"}, {"TOOL~1.EXE", "tool.exe"}, 2);
}

// A listing that gives some entries and then fails.
class BrokenListing : public test::ForwardingFileSystem {
  public:
    using ForwardingFileSystem::ForwardingFileSystem;
    bool ListFolder(const std::string& folder,
                    const std::function<void(const platform::FolderEntry&)>& visit) override {
        if (folder != broken) return inner_.ListFolder(folder, visit);
        int left = 4;  // ".", "..", TOOL.EXE and B
        inner_.ListFolder(folder, [&](const platform::FolderEntry& entry) {
            if (left-- > 0) visit(entry);
        });
        return false;
    }
    std::string broken = "C:\\A\\";
};

TEST_F(DriveIndex, FoldersMetBeforeAListingFailsAreWalkedAndItsFolderProbed) {
    BrokenListing broken(fs);
    IndexedDrives index(broken, {"C:"}, {"tool.exe"}, 2);
    index.Build();
    Locations locations;
    // A's first sub-folder B is walked, bin is never met.
    EXPECT_EQ(index.FindOnDrive("C:", "tool.exe", locations), 5);
    EXPECT_EQ(locations[2], "C:\\A\\B");
    ExpectSameAsFindOnDrive(broken, {"C:"}, {"tool.exe", "readme.txt"}, 2);
}

TEST_F(DriveIndex, ProgressCanBeReadWhileAnotherThreadBuilds) {
    for (int i = 0; i < 300; ++i) fs.AddFolder("C:\\many\\f" + std::to_string(i) + "\\g");
    IndexedDrives index(fs, {"C:", "D:"}, {"tool.exe"}, 2);
    auto build = std::async(std::launch::async, [&] { index.Build(); });
    long long last = 0;
    while (build.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        const long long now = index.FoldersSearched();
        EXPECT_GE(now, last);
        last = now;
    }
    build.get();
    EXPECT_EQ(index.FoldersSearched(), 11 + 1 + 600);
    EXPECT_EQ(index.CountOnDrive("C:", "tool.exe"), 6);
}

class ThrowingListing : public test::ForwardingFileSystem {
  public:
    using ForwardingFileSystem::ForwardingFileSystem;
    bool ListFolder(const std::string& folder,
                    const std::function<void(const platform::FolderEntry&)>& visit) override {
        if (folder == "C:\\Z\\") throw std::runtime_error("listing broke");
        return inner_.ListFolder(folder, visit);
    }
};

TEST_F(DriveIndex, AFailureInAWorkerReachesTheBuilder) {
    ThrowingListing throwing(fs);
    IndexedDrives index(throwing, {"C:", "D:"}, {"tool.exe"}, 3);
    EXPECT_THROW(index.Build(), std::runtime_error);
}

}  // namespace
}  // namespace zelmo
