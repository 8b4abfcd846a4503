// Bad input that needs the real system: permissions, a full file system, the
// record file on disk and a machine without a network.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "../program_driver.h"
#include "platform/host_identity.h"
#include "platform/record_file.h"
#include "platform/text_codec.h"
#include "posix_test_support.h"

namespace zelmo {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using test::NamesIn;
using test::ProgramDriver;
using test::Seen;
using test::posix::EnterOwnNamespaces;
using test::posix::InChild;
using test::posix::kCannot;

constexpr const char* kEarlier = "earlier record\r\n";

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
        if (!EnterOwnNamespaces(CLONE_NEWNS) ||
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

TEST_F(BadInputOnDisk, OnlyAPlainHostNameNamesARecordFileAndOnlyInTheSaveFolder) {
    fs::create_directory(save + "/A");
    const platform::TextCodec& codec = platform::TextCodec::System();
    const std::string upper = "WS-\xD0\x9F\xD0\x9A";
    const struct {
        std::string host;
        std::string file;  // empty: error 52 naming the host, nothing written
    } rows[] = {
        {"ws-\xD0\xBF\xD0\xBA", codec.ToAnsi(upper) + ".txt"},
        {"..x", "..X.txt"},
        {"", ""},
        {".", ""},
        {"..", ""},
        {"../escape", ""},
        {"a\\..\\..\\bs", ""},
        {"a/b", ""},
        {"tab\tname", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.host);
        run.host.SetName(row.host);
        const Seen seen = run.Run();
        Names expected{"A", "WS01.txt"};
        if (row.file.empty()) {
            EXPECT_TRUE(Ended(seen, 52, "host name")) << seen.error;
        } else {
            EXPECT_EQ(seen.error, "");
            const std::string shown = codec.FromAnsi(row.file.substr(0, row.file.size() - 4));
            EXPECT_EQ(test::ReadBytes(save + "/" + row.file),
                      codec.ToAnsi(ProgramDriver::Record("AEditor", shown)));
            expected.push_back(row.file);
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(NamesIn(save), expected);
        if (!row.file.empty()) fs::remove(save + "/" + row.file);
        EXPECT_EQ(NamesIn(save + "/A"), Names{});
        EXPECT_EQ(NamesIn(run.dir.path()), (Names{"Zelmo.ini", "ZelmoAppl.csv", "save"}));
    }
    EXPECT_EQ(test::ReadBytes(save + "/WS01.txt"), kEarlier);
}

TEST_F(BadInputOnDisk, AListTooBigForTheMemoryAllowedEndsWithOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer reserves more address space than any limit allows";
#endif
    {
        std::ofstream out(run.ListPath(), std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (int mb = 0; mb < 100; ++mb) out << block;
        out << ",Editor,one.exe,\r\n";
    }
    const int status = InChild([&] {
        // 128 MiB beyond what the process already has mapped: less than
        // the field and its text take at once.
        rlimit limit{};
        std::ifstream statm("/proc/self/statm");
        long pages = 0;
        if (!(statm >> pages)) return kCannot;
        limit.rlim_cur = limit.rlim_max = pages * sysconf(_SC_PAGESIZE) + (128ul << 20);
        if (setrlimit(RLIMIT_AS, &limit) != 0) return kCannot;
        const Seen seen = run.Run();
        return Ended(seen, 7, "Out of memory") ? 0 : 1;
    });
    if (status == kCannot) GTEST_SKIP() << "cannot limit memory here";
    EXPECT_EQ(status, 0);
    ExpectEarlierRecordOnly();
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

TEST(BadInputMachine, HostNamesAreReadWholeUpToTheLongestTheSystemAllows) {
    const int status = InChild([] {
        if (!EnterOwnNamespaces(CLONE_NEWUTS)) return kCannot;
        const auto host = platform::OpenSystemHostIdentity();
        int check = 0;
        for (const std::string& name :
             {std::string(63, 'a'), std::string(64, 'b'), std::string("../escape")}) {
            ++check;
            if (sethostname(name.data(), name.size()) != 0) return kCannot;
            if (host->LocalHostName() != name) return check;
        }
        return 0;
    });
    if (status == kCannot) GTEST_SKIP() << "no private UTS namespace here";
    EXPECT_EQ(status, 0) << "failed check " << status;
}

TEST(BadInputMachine, WithoutANetworkTheAddressIsStillADottedAddress) {
    const int status = InChild([] {
        if (!EnterOwnNamespaces(CLONE_NEWNET)) return kCannot;
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
