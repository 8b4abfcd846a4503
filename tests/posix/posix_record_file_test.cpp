// Record files on POSIX: what the shared contract cannot ask of every
// system (modes, links, other users, full and read-only file systems).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../record_file_backends.h"
#include "platform/drives.h"
#include "platform/runtime_error.h"
#include "posix_test_support.h"

namespace zelmo::platform {
namespace {

namespace fs = std::filesystem;
using test::NamesIn;
using test::posix::InChild;
using test::posix::kCannot;

class RecordFile : public ::testing::Test {
  protected:
    int FailureOf(const std::string& path, std::string_view bytes) {
        return test::FailureOf(*files_, path, bytes);
    }

    test::SystemRecordFilesBackend backend_;
    const test::TempDir& dir_ = backend_.dir();
    RecordFileService* const files_ = &backend_.Service();
};

TEST_F(RecordFile, KeepsTheModeOfAnEarlierRecordAndTheUmaskForANewOne) {
    test::WriteBytes(dir_ / "HOST.txt", "old\r\n");
    ASSERT_EQ(chmod((dir_ / "HOST.txt").c_str(), 0640), 0);
    files_->ReplaceContents(dir_ / "HOST.txt", "new\r\n");
    struct stat st;
    ASSERT_EQ(stat((dir_ / "HOST.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const mode_t mask = umask(022);
    files_->ReplaceContents(dir_ / "NEW.txt", "x");
    umask(mask);
    ASSERT_EQ(stat((dir_ / "NEW.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(RecordFile, ALinkAtTheRecordsNameIsReplacedAndItsTargetNeverWritten) {
    fs::create_directory(dir_.path() / "elsewhere");
    test::WriteBytes(dir_ / "elsewhere/victim", "precious");
    ASSERT_EQ(chmod((dir_ / "elsewhere/victim").c_str(), 0600), 0);
    fs::create_symlink(dir_.path() / "elsewhere/victim", dir_.path() / "HOST.txt");
    fs::create_directory_symlink(dir_.path() / "elsewhere", dir_.path() / "DIR.txt");
    files_->ReplaceContents(dir_ / "HOST.txt", "new");
    files_->ReplaceContents(dir_ / "DIR.txt", "new");
    EXPECT_EQ(test::ReadBytes(dir_ / "elsewhere/victim"), "precious");
    EXPECT_EQ(NamesIn(dir_ / "elsewhere"), std::vector<std::string>{"victim"});
    for (const char* name : {"HOST.txt", "DIR.txt"}) {
        EXPECT_FALSE(fs::is_symlink(dir_.path() / name)) << name;
        EXPECT_EQ(test::ReadBytes(dir_ / name), "new") << name;
    }
    // The link's mode (0777) is no earlier record's mode to keep.
    struct stat st;
    ASSERT_EQ(stat((dir_ / "HOST.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0002, 0u);
}

TEST_F(RecordFile, AWriteClearsOldLeftoversOfItsOwnTemporaryFilesOnly) {
    const auto plant = [&](const std::string& name, int ageSeconds) {
        test::WriteBytes(dir_ / name, "partial");
        const timespec times[2] = {{time(nullptr) - ageSeconds, 0},
                                   {time(nullptr) - ageSeconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (dir_ / name).c_str(), times, 0), 0);
    };
    plant(".HOST.txt.Ab12Cd.tmp", 3600);       // a killed run's: goes
    plant(".HOST.txt.Zz99Yy.tmp", 10);         // perhaps a run in progress: stays
    plant(".OTHER.txt.Ab12Cd.tmp", 3600);      // another record's: stays
    plant(".HOST.txt.Ab12Cd.tmp.keep", 3600);  // not a temporary file's name: stays
    files_->ReplaceContents(dir_ / "HOST.txt", "new");
    EXPECT_EQ(NamesIn(dir_.path()),
              (std::vector<std::string>{".HOST.txt.Ab12Cd.tmp.keep", ".HOST.txt.Zz99Yy.tmp",
                                        ".OTHER.txt.Ab12Cd.tmp", "HOST.txt"}));
}

TEST_F(RecordFile, ProgramPathsGoThroughTheDriveTable) {
    fs::create_directories(dir_.path() / "c/save");
    ConfigureDrives("", {{'C', dir_ / "c"}});
    files_->ReplaceContents("C:\\save\\HOST.txt", "via drive\r\n");
    const int unmapped = FailureOf("Q:\\save\\HOST.txt", "x");
    ConfigureDrives("", {});
    EXPECT_EQ(test::ReadBytes(dir_ / "c/save/HOST.txt"), "via drive\r\n");
    EXPECT_EQ(unmapped, kPathNotFound);
}

TEST_F(RecordFile, ReadOnlyFolderIsPermissionDenied) {
    test::WriteBytes(dir_ / "HOST.txt", "earlier\r\n");
    ASSERT_EQ(chmod(dir_.path().c_str(), 0555), 0);
    // Root writes into read-only folders; an ordinary user does not.
    const int number = InChild([&] { return FailureOf(dir_ / "HOST.txt", "new\r\n"); }, true);
    chmod(dir_.path().c_str(), 0755);
    EXPECT_EQ(number, kPermissionDenied);
    EXPECT_EQ(test::ReadBytes(dir_ / "HOST.txt"), "earlier\r\n");
    EXPECT_EQ(NamesIn(dir_.path()), std::vector<std::string>{"HOST.txt"});
}

// Full and read-only file systems need mounts of their own; the child
// reports the failed check by its exit status.
TEST_F(RecordFile, FullOrReadOnlyFileSystemKeepsTheEarlierRecord) {
    const std::string small = dir_ / "small";
    const std::string frozen = dir_ / "frozen";
    fs::create_directory(small);
    fs::create_directory(frozen);
    const int status = InChild([&] {
        if (!test::posix::EnterOwnNamespaces(CLONE_NEWNS) ||
            mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0 ||
            mount("tmpfs", frozen.c_str(), "tmpfs", 0, nullptr) != 0) {
            return kCannot;
        }
        test::WriteBytes(small + "/HOST.txt", "earlier\r\n");
        test::WriteBytes(frozen + "/HOST.txt", "earlier\r\n");
        if (mount(nullptr, frozen.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            return kCannot;
        }
        if (FailureOf(small + "/HOST.txt", std::string(1 << 20, 'x')) != kDiskFull) return 1;
        if (test::ReadBytes(small + "/HOST.txt") != "earlier\r\n") return 2;
        if (NamesIn(small) != std::vector<std::string>{"HOST.txt"}) return 3;
        if (FailureOf(frozen + "/HOST.txt", "new\r\n") != kPermissionDenied) return 4;
        if (test::ReadBytes(frozen + "/HOST.txt") != "earlier\r\n") return 5;
        return 0;
    });
    if (status == kCannot) GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(status, 0) << "failed check " << status;
}

}  // namespace
}  // namespace zelmo::platform
