// Records swapped between the folder's listing and their reading: a PC user
// can do this at any time, and the collection often runs as a privileged
// account.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <future>
#include <thread>

#include "collector/collect_folder.h"
#include "collector/record_reader.h"
#include "tests/test_support.h"

namespace zelmo::collector {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteBytes;

TEST(HostileRecords, ASwapAfterTheListingIsNeitherFollowedNorWaitedFor) {
    TempDir dir;
    const std::string save = dir / "save";
    fs::create_directories(save + "/sub");
    WriteBytes(dir / "secret", "root,secret,,SECRET,1.2.3.4,1,l\r\n");
    const char* const hosts[] = {"FIFO", "LINK", "DIR", "GONE", "GOOD"};
    for (const std::string host : hosts) {
        WriteBytes(save + "/" + host + ".txt", "u,P,M," + host + ",10.0.0.1,1,l\r\n");
    }
    const std::vector<fs::path> listed = ListRecordFiles(save);
    ASSERT_EQ(listed.size(), std::size(hosts));

    fs::remove(save + "/FIFO.txt");
    ASSERT_EQ(mkfifo((save + "/FIFO.txt").c_str(), 0600), 0);
    fs::remove(save + "/LINK.txt");
    fs::create_symlink(dir / "secret", save + "/LINK.txt");
    fs::remove(save + "/DIR.txt");
    fs::create_directory(save + "/DIR.txt");
    fs::remove(save + "/GONE.txt");

    // A reader that waited for a writer on the FIFO would never return: the
    // reading runs on a thread of its own, given 20 seconds.
    auto done = std::make_shared<std::promise<std::vector<std::string>>>();
    std::future<std::vector<std::string>> words = done->get_future();
    std::thread([listed, done] {
        std::vector<std::string> result;
        std::vector<Problem> problems;
        for (const fs::path& path : listed) {
            const HostRecord record = ReadRecordFile(path, platform::TextCodec("UTF-8"), problems);
            result.push_back(record.host + ":" + record.ProblemWords() + ":" + record.values.pc);
        }
        done->set_value(result);
    }).detach();
    ASSERT_EQ(words.wait_for(std::chrono::seconds(20)), std::future_status::ready)
        << "reading a FIFO swapped in after the listing hangs";
    EXPECT_EQ(words.get(), (std::vector<std::string>{
                               "DIR:unreadable:", "FIFO:unreadable:", "GONE:unreadable:", "GOOD::P",
                               "LINK:unreadable:"}));
}

// Paths from the command line are names as they stand: a backslash is part
// of a name where the system has no drive letters.
TEST(HostileRecords, ACommandLineListNameIsTakenAsItStands) {
    TempDir dir;
    fs::create_directories(dir / "save");
    WriteBytes(dir / "save/WS1.txt", "u,P,M,WS1,10.0.0.1,1,l,AWord\r\n");
    WriteBytes(dir / "C:\\list.csv", "A,Word,w.exe,\r\n");
    const Collection c = CollectFolder({dir / "save", dir / "C:\\list.csv", "UTF-8", 365, 0});
    ASSERT_EQ(c.columns.size(), 1u);
    EXPECT_EQ(c.hosts.at(0).counts, std::vector<int>{1});
}

}  // namespace
}  // namespace zelmo::collector
