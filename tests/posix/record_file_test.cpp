#include "platform/record_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../test_support.h"
#include "platform/drives.h"
#include "platform/runtime_error.h"

namespace zelmo::platform {
namespace {

namespace fs = std::filesystem;

class RecordFile : public ::testing::Test {
  protected:
    std::vector<std::string> Names(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The error number ReplaceContents raises, or 0 when it succeeds.
    int FailureOf(const std::string& path, std::string_view bytes) {
        try {
            files_->ReplaceContents(path, bytes);
        } catch (const RunTimeError& e) {
            if (!path.empty()) {
                EXPECT_EQ(e.Subject(), path);
            }
            return e.Number();
        }
        return 0;
    }

    test::TempDir dir_;
    std::unique_ptr<RecordFileService> files_ = OpenSystemRecordFiles();
};

TEST_F(RecordFile, WritesTheBytesAsGivenAndLeavesNothingElse) {
    const std::string bytes = "a,b,HOST,10.0.0.1,123,\x83\x65\x83\x58\x83\x67,X\r\n";
    files_->ReplaceContents(dir_ / "HOST.txt", bytes);
    EXPECT_EQ(test::ReadBytes(dir_ / "HOST.txt"), bytes);
    EXPECT_EQ(Names(dir_.path()), std::vector<std::string>{"HOST.txt"});

    // A longer earlier record leaves nothing behind the new one.
    test::WriteBytes(dir_ / "OTHER.txt", std::string(500, 'x'));
    files_->ReplaceContents(dir_ / "OTHER.txt", "short\r\n");
    EXPECT_EQ(test::ReadBytes(dir_ / "OTHER.txt"), "short\r\n");
    EXPECT_EQ(test::ReadBytes(dir_ / "HOST.txt"), bytes);
}

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
    EXPECT_EQ(Names(dir_ / "elsewhere"), std::vector<std::string>{"victim"});
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
    EXPECT_EQ(Names(dir_.path()),
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

TEST_F(RecordFile, FailuresLeaveTheEarlierRecordAndNoTemporaryFile) {
    test::WriteBytes(dir_ / "HOST.txt", "earlier\r\n");
    fs::create_directory(dir_.path() / "HOST.dir");
    test::WriteBytes(dir_ / "plain", "");

    EXPECT_EQ(FailureOf(dir_ / "missing/HOST.txt", "x"), kPathNotFound);
    EXPECT_EQ(FailureOf(dir_ / "plain/HOST.txt", "x"), kPathNotFound);
    EXPECT_EQ(FailureOf(dir_ / "HOST.dir", "x"), kPathFileAccessError);
    EXPECT_EQ(FailureOf(dir_ / "***\\HOST.txt", "x"), kBadFileNameOrNumber);
    EXPECT_EQ(FailureOf("", "x"), kBadFileNameOrNumber);
    EXPECT_EQ(FailureOf(dir_ / std::string(300, 'n'), "x"), kBadFileNameOrNumber);

    // The system's output open refuses a read-only file, even for root.
    ASSERT_EQ(chmod((dir_ / "HOST.txt").c_str(), 0444), 0);
    EXPECT_EQ(FailureOf(dir_ / "HOST.txt", "new\r\n"), kPermissionDenied);

    EXPECT_EQ(test::ReadBytes(dir_ / "HOST.txt"), "earlier\r\n");
    EXPECT_EQ(Names(dir_.path()), (std::vector<std::string>{"HOST.dir", "HOST.txt", "plain"}));
}

TEST_F(RecordFile, ReadOnlyFolderIsPermissionDenied) {
    test::WriteBytes(dir_ / "HOST.txt", "earlier\r\n");
    ASSERT_EQ(chmod(dir_.path().c_str(), 0555), 0);
    int number = 0;
    if (geteuid() != 0) {
        number = FailureOf(dir_ / "HOST.txt", "new\r\n");
    } else {
        // Root writes into read-only folders; an ordinary user does not.
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(255);
            _exit(FailureOf(dir_ / "HOST.txt", "new\r\n"));
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        number = WEXITSTATUS(status);
    }
    chmod(dir_.path().c_str(), 0755);
    EXPECT_EQ(number, kPermissionDenied);
    EXPECT_EQ(test::ReadBytes(dir_ / "HOST.txt"), "earlier\r\n");
    EXPECT_EQ(Names(dir_.path()), std::vector<std::string>{"HOST.txt"});
}

// Full and read-only file systems need a private mount; each case runs in a
// child that reports the failed check by its exit status.
TEST_F(RecordFile, FullOrReadOnlyFileSystemKeepsTheEarlierRecord) {
    constexpr int kCannotMount = 99;
    const std::string small = dir_ / "small";
    const std::string frozen = dir_ / "frozen";
    fs::create_directory(small);
    fs::create_directory(frozen);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int flags = geteuid() == 0 ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS;
        if (unshare(flags) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0 ||
            mount("tmpfs", frozen.c_str(), "tmpfs", 0, nullptr) != 0) {
            _exit(kCannotMount);
        }
        test::WriteBytes(small + "/HOST.txt", "earlier\r\n");
        test::WriteBytes(frozen + "/HOST.txt", "earlier\r\n");
        if (mount(nullptr, frozen.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            _exit(kCannotMount);
        }
        if (FailureOf(small + "/HOST.txt", std::string(1 << 20, 'x')) != kDiskFull) _exit(1);
        if (test::ReadBytes(small + "/HOST.txt") != "earlier\r\n") _exit(2);
        if (Names(small) != std::vector<std::string>{"HOST.txt"}) _exit(3);
        if (FailureOf(frozen + "/HOST.txt", "new\r\n") != kPermissionDenied) _exit(4);
        if (test::ReadBytes(frozen + "/HOST.txt") != "earlier\r\n") _exit(5);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kCannotMount) GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed check " << WEXITSTATUS(status);
}

}  // namespace
}  // namespace zelmo::platform
