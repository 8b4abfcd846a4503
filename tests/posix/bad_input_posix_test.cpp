// Bad input that needs the real system: permissions, a full file system, the
// record file on disk and a machine without a network.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "../program_driver.h"
#include "platform/host_identity.h"
#include "platform/record_file.h"
#include "platform/text_codec.h"

namespace zelmo {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using test::ProgramDriver;
using test::Seen;

constexpr const char* kEarlier = "earlier record\r\n";
constexpr int kCannot = 99;

Names NamesIn(const std::string& folder) {
    Names names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs body in a child process, as an ordinary user when asked (root passes
// every permission check), and gives its exit status; kCannot when the child
// could not be set up.
int InChild(const std::function<int()>& body, bool asOrdinaryUser = false) {
    const pid_t pid = fork();
    if (pid < 0) return kCannot;
    if (pid == 0) {
        if (asOrdinaryUser && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(kCannot);
        }
        _exit(body());
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

bool Ended(const Seen& seen, int number, const std::string& subject) {
    return seen.status != 0 &&
           seen.error.find("Run-time error '" + std::to_string(number) + "':") !=
               std::string::npos &&
           seen.error.find(subject) != std::string::npos;
}

class BadInputOnDisk : public ::testing::Test {
  protected:
    BadInputOnDisk() {
        fs::create_directory(save);
        test::WriteBytes(save + "/WS01.txt", kEarlier);
        run.fs.AddFile("C:\\Apps\\one.exe");
        run.WriteList("A,Editor,one.exe,\r\n");
        SaveInto(save);
    }

    void SaveInto(const std::string& folder) {
        run.WriteSettings("[Save]\r\nSavePath=" + folder +
                          "\r\nPathString=" + std::to_string(folder.size()) + "\r\n");
    }

    void ExpectEarlierRecordOnly() {
        EXPECT_EQ(test::ReadBytes(save + "/WS01.txt"), kEarlier);
        EXPECT_EQ(NamesIn(save), Names{"WS01.txt"});
    }

    std::unique_ptr<platform::RecordFileService> records = platform::OpenSystemRecordFiles();
    ProgramDriver run{*records};
    std::string save = run.dir / "save";
};

TEST_F(BadInputOnDisk, SaveFoldersAndRecordFilesThatRefuseTheRecordKeepTheEarlierOne) {
    // A missing folder: path not found, and nothing is created.
    SaveInto(run.dir / "missing");
    Seen seen = run.Run();
    EXPECT_TRUE(Ended(seen, 76, "missing\\WS01.txt")) << seen.error;
    EXPECT_FALSE(fs::exists(run.dir / "missing"));
    SaveInto(save);

    // A read-only record file is refused even to root.
    ASSERT_EQ(chmod((save + "/WS01.txt").c_str(), 0444), 0);
    seen = run.Run();
    EXPECT_TRUE(Ended(seen, 70, save + "\\WS01.txt")) << seen.error;
    ExpectEarlierRecordOnly();
    ASSERT_EQ(chmod((save + "/WS01.txt").c_str(), 0644), 0);

    // A read-only folder, for an ordinary user.
    ASSERT_EQ(chmod(save.c_str(), 0555), 0);
    const int status =
        InChild([&] { return Ended(run.Run(), 70, save + "\\WS01.txt") ? 0 : 1; }, true);
    ASSERT_EQ(chmod(save.c_str(), 0755), 0);
    EXPECT_EQ(status, 0);
    ExpectEarlierRecordOnly();
}

TEST_F(BadInputOnDisk, AFullFileSystemKeepsTheEarlierRecord) {
    const int status = InChild([&] {
        const int flags = geteuid() == 0 ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS;
        if (unshare(flags) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", save.c_str(), "tmpfs", 0, "size=64k") != 0) {
            return kCannot;
        }
        test::WriteBytes(save + "/WS01.txt", kEarlier);
        // Fill what is left, so that not one more block can be had.
        std::FILE* filler = std::fopen((save + "/filler").c_str(), "wb");
        if (filler == nullptr) return 1;
        const std::string block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
        }
        std::fclose(filler);
        const Seen seen = run.Run();
        if (!Ended(seen, 61, save + "\\WS01.txt")) return 2;
        if (test::ReadBytes(save + "/WS01.txt") != kEarlier) return 3;
        if (NamesIn(save) != Names{"WS01.txt", "filler"}) return 4;
        return 0;
    });
    if (status == kCannot) GTEST_SKIP() << "no private mount namespace for a small tmpfs here";
    EXPECT_EQ(status, 0) << "failed check " << status;
}

TEST_F(BadInputOnDisk, HostNamesNameTheRecordFileAsTheyAre) {
    // An empty host name files ".txt", as nothing is checked before writing.
    run.host.SetName("");
    Seen seen = run.Run();
    EXPECT_EQ(seen.error, "");
    EXPECT_EQ(test::ReadBytes(save + "/.txt"), ProgramDriver::Record("AEditor", ""));

    // Lower-case and non-ASCII letters: upper-cased, in the code page on disk.
    run.host.SetName("ws-\xD0\xBF\xD0\xBA");
    seen = run.Run();
    const std::string upper = "WS-\xD0\x9F\xD0\x9A";
    EXPECT_EQ(seen.host, upper);
    const platform::TextCodec& codec = platform::TextCodec::System();
    EXPECT_EQ(test::ReadBytes(save + "/" + codec.ToAnsi(upper) + ".txt"),
              codec.ToAnsi(ProgramDriver::Record("AEditor", upper)));
    EXPECT_EQ(test::ReadBytes(save + "/WS01.txt"), kEarlier);
    EXPECT_EQ(NamesIn(save), (Names{".txt", codec.ToAnsi(upper) + ".txt", "WS01.txt"}));
}

TEST_F(BadInputOnDisk, AnUnreadableListEndsTheProgramNamingIt) {
    ASSERT_EQ(chmod(run.ListPath().c_str(), 0), 0);
    const int status = InChild(
        [&] {
            const Seen seen = run.Run();
            return !seen.mainShown && Ended(seen, 70, "ZelmoAppl.csv") ? 0 : 1;
        },
        true);
    if (status == kCannot) GTEST_SKIP() << "cannot run as an ordinary user here";
    EXPECT_EQ(status, 0);
    ExpectEarlierRecordOnly();
}

TEST(BadInputMachine, WithoutANetworkTheAddressIsStillADottedAddress) {
    const int status = InChild([] {
        const int flags = geteuid() == 0 ? CLONE_NEWNET : CLONE_NEWUSER | CLONE_NEWNET;
        if (unshare(flags) != 0) return kCannot;
        const auto host = platform::OpenSystemHostIdentity();
        const std::string ip = host->LocalIp();
        in_addr address;
        return inet_pton(AF_INET, ip.c_str(), &address) == 1 ? 0 : 1;
    });
    if (status == kCannot) GTEST_SKIP() << "no private network namespace here";
    EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace zelmo
