// Whole-drive walks over real folders that fight back: the walk must finish,
// skip what it cannot read, never loop, and keep its memory bounded. Every
// case runs the row-by-row search and the one-walk index and wants the same
// answer from both.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "inventory/drive_index.h"
#include "inventory/file_search.h"
#include "platform/drives.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "posix_test_support.h"

namespace zelmo {
namespace {

using Paths = std::vector<std::string>;
using test::posix::InChild;
using test::posix::kCannot;

#if defined(__SANITIZE_ADDRESS__)
#define ZELMO_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELMO_TEST_ASAN 1
#endif
#endif
#ifdef ZELMO_TEST_ASAN
// Freed blocks wait in the sanitizer's quarantine (256 MB at most) before reuse.
constexpr long kMemoryAllowanceKb = (64 + 256) * 1024;
#else
constexpr long kMemoryAllowanceKb = 64 * 1024;
#endif

// Peak resident size in KiB; when asked, freed memory goes back to the system
// first and the peak is reset to what is left.
long PeakRssKb(bool reset = false) {
    if (reset) {
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
    }
    return test::PeakResidentKb();
}

class WalkFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::ConfigureDrives("", {{'C', root_}});
        fs_ = platform::OpenSystemFileSystem();
    }
    void TearDown() override { platform::ConfigureDrives("", {}); }

    std::string At(const std::string& relative) const { return folder_.At(relative); }

    // Folders with any missing parents, then a tool.exe in each.
    void Tools(const Paths& folders) {
        for (const std::string& folder : folders) {
            std::string path;
            for (std::size_t start = 0; start <= folder.size();) {
                const std::size_t end = std::min(folder.find('/', start), folder.size());
                path += (path.empty() ? "" : "/") + folder.substr(start, end - start);
                mkdir(At(path).c_str(), 0755);
                start = end + 1;
            }
            std::ofstream(At(folder + "/tool.exe")) << "x";
        }
    }

    // The locations both searches give for name; a failed expectation when
    // they differ.
    Paths Search(const std::string& name = "tool.exe") {
        Paths reference;
        const std::int32_t count = inventory::FindOnDrive(*fs_, "C:", name, reference);
        inventory::IndexedDrives index(*fs_, {"C:"}, {name}, 3);
        index.Build();
        Paths indexed;
        EXPECT_EQ(index.FindOnDrive("C:", name, indexed), count);
        EXPECT_EQ(indexed, reference);
        if (count == 0) reference.clear();
        std::sort(reference.begin(), reference.end());
        return reference;
    }

    test::posix::TempFolder folder_;  // an ordinary user walks it too
    const std::string& root_ = folder_.path();
    std::unique_ptr<platform::FileSystem> fs_;
};

TEST_F(WalkFaults, FoldersWithoutPermissionAreSkippedAtAnyDepth) {
    Tools({"A", "A/locked/B", "A/B/C/locked/D", "A/B/C/D", "A/B/listonly/sub", "A/B/probeonly"});
    ASSERT_EQ(chmod(At("A/locked").c_str(), 0), 0);
    ASSERT_EQ(chmod(At("A/B/C/locked").c_str(), 0), 0);
    ASSERT_EQ(chmod(At("A/B/listonly").c_str(), 0444), 0);
    ASSERT_EQ(chmod(At("A/B/probeonly").c_str(), 0311), 0);
    // Root reads every folder, so the walk runs as an ordinary user.
    const int status = InChild(
        [&] {
            // A folder that can be searched but not listed is still probed.
            const Paths expected{"C:\\A", "C:\\A\\B\\C\\D", "C:\\A\\B\\probeonly"};
            const Paths found = Search();
            return found == expected && !::testing::Test::HasFailure() ? 0 : 1;
        },
        true);
    if (status == kCannot) GTEST_SKIP() << "cannot run as an ordinary user here";
    EXPECT_EQ(status, 0);
}

TEST_F(WalkFaults, LinkLoopsAreNeverFollowed) {
    Tools({"A/B"});
    ASSERT_EQ(symlink("..", At("A/B/up").c_str()), 0);
    ASSERT_EQ(symlink(".", At("A/self").c_str()), 0);
    ASSERT_EQ(symlink(root_.c_str(), At("A/B/top").c_str()), 0);
    ASSERT_EQ(symlink("ping", At("A/pong").c_str()), 0);
    ASSERT_EQ(symlink("pong", At("A/ping").c_str()), 0);
    EXPECT_EQ(InChild([&] { return Search() == Paths{"C:\\A\\B"} ? 0 : 1; }), 0);
}

TEST_F(WalkFaults, BindMountLoopsAreNotEntered) {
    Tools({"A/B", "A/B/loop", "A/inner"});
    const int status = InChild([&] {
        if (!test::posix::EnterOwnNamespaces(CLONE_NEWNS) ||
            mount(root_.c_str(), At("A/B/loop").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            mount(At("A").c_str(), At("A/inner").c_str(), nullptr, MS_BIND, nullptr) != 0) {
            return kCannot;
        }
        // The mounts hide their folders' own tool.exe and lead back up the path.
        return Search() == Paths{"C:\\A\\B"} ? 0 : 1;
    });
    if (status == kCannot) GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(status, 0);
}

TEST_F(WalkFaults, APathDeeperThanTheLimitEndsItsBranchOnly) {
    Tools({"Z"});
    int fd = open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string name(200, 'L');
    for (std::size_t depth = root_.size(); depth < PATH_MAX + 600; depth += name.size() + 1) {
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int child = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = child;
        ASSERT_GE(fd, 0);
        close(openat(fd, "tool.exe", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    }
    close(fd);
    // Only the first level's file lies within the 260 characters a path may have.
    EXPECT_EQ(Search(), (Paths{"C:\\" + name, "C:\\Z"}));
}

TEST_F(WalkFaults, NamesInvalidInTheLocaleAreSkippedAndTheRestIsWalked) {
    Tools({"ok", "\xE6\x97\xA5\xE6\x9C\xAC", "bad\xFF", "bad\xFF/deeper", "x\xFE/y"});
    const Paths found = Search();
    EXPECT_NE(std::find(found.begin(), found.end(), "C:\\ok"), found.end());
    EXPECT_NE(std::find(found.begin(), found.end(), "C:\\\xE6\x97\xA5\xE6\x9C\xAC"), found.end());
    for (const std::string& path : found) {
        EXPECT_EQ(platform::SanitizeUtf8(path), path) << "not text: " << path;
    }
}

TEST_F(WalkFaults, FoldersRemovedAndAddedDuringTheWalk) {
    Tools({"stable/one", "stable/two"});
    mkdir(At("churn").c_str(), 0755);
    std::atomic<bool> stop{false};
    std::thread mutator([&] {
        for (int round = 0; !stop; ++round) {
            const std::string top = At("churn/" + std::to_string(round % 8));
            mkdir(top.c_str(), 0755);
            for (int i = 0; i < 10; ++i) {
                const std::string sub = top + "/" + std::to_string(i);
                mkdir(sub.c_str(), 0755);
                std::ofstream(sub + "/tool.exe") << "x";
            }
            if (round % 2) test::posix::RemoveTree(AT_FDCWD, top);
        }
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    for (int walk = 0; walk < 3 || std::chrono::steady_clock::now() < until; ++walk) {
        Paths reference;
        EXPECT_GE(inventory::FindOnDrive(*fs_, "C:", "tool.exe", reference), 2);
        inventory::IndexedDrives index(*fs_, {"C:"}, {"tool.exe"}, 3);
        index.Build();
        Paths indexed;
        EXPECT_GE(index.FindOnDrive("C:", "tool.exe", indexed), 2);
        for (const Paths& found : {reference, indexed}) {
            EXPECT_NE(std::find(found.begin(), found.end(), "C:\\stable\\one"), found.end());
            EXPECT_NE(std::find(found.begin(), found.end(), "C:\\stable\\two"), found.end());
        }
    }
    stop = true;
    mutator.join();
}

TEST_F(WalkFaults, AFolderOf200000EntriesIsWalkedInBoundedMemory) {
    constexpr int kEntries = 200000;
    constexpr int kFolderEvery = 50;
    mkdir(At("big").c_str(), 0755);
    for (int i = 0; i * 50000 < kEntries; ++i) std::ofstream(At("file" + std::to_string(i))) << "x";
    const int big = open(At("big").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(big, 0);
    // Hard links make the plain entries cheap to create; a file takes 65,000 at most.
    for (int i = 0; i < kEntries; ++i) {
        const std::string name = "entry-with-a-longish-name-" + std::to_string(i);
        if (i % kFolderEvery == 0) {
            ASSERT_EQ(mkdirat(big, name.c_str(), 0755), 0);
        } else {
            ASSERT_EQ(linkat(AT_FDCWD, At("file" + std::to_string(i / 50000)).c_str(), big,
                             name.c_str(), 0),
                      0);
        }
    }
    ASSERT_EQ(mkdirat(big, "zz", 0755), 0);
    close(openat(big, "zz/tool.exe", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    close(big);

    const long before = PeakRssKb(true);
    EXPECT_EQ(Search(), Paths{"C:\\big\\zz"});
    const long growth = PeakRssKb() - before;
    // 4,000 folders and 200,000 names cost a few MB; anything
    // holding every entry's full path many times over would go far past this.
    if (before > 0) {
        EXPECT_LT(growth, kMemoryAllowanceKb) << "KiB";
    }
    RecordProperty("peak_rss_growth_kib", std::to_string(growth));
}

}  // namespace
}  // namespace zelmo
