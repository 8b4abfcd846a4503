// The collector's outputs on a real file system: what they may name, what is
// written in place or replaced, and that nothing moves until the database has
// its collection.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "posix_test_support.h"

namespace zelmo::test::posix {
namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct CollectRun {
    int status = -1;
    std::string err;
};

// zelmocb-cli collect in folder, on a save folder "save" of demo records and
// with the demo application list as "list.csv".
CollectRun Collect(const TempFolder& folder, const std::string& arguments) {
    const std::string err = folder.At("stderr");
    const std::string command = "cd '" + folder.path() +
                                "' && '" ZELMO_CLI_PATH "' collect save --list list.csv " +
                                arguments + " >/dev/null 2>'" + err + "'";
    const int status = std::system(command.c_str());
    CollectRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = Read(err);
    unlink(err.c_str());
    return run;
}

void SetUpSaveFolder(const TempFolder& folder) {
    fs::create_directory(folder.At("save"));
    for (const char* name : {"WS001.txt", "WS002.txt"}) {
        fs::copy_file(ZELMO_SOURCE_DIR "/demo/save/" + std::string(name),
                      folder.At("save/") + name);
    }
    fs::copy_file(ZELMO_SOURCE_DIR "/demo/ZelmoAppl.csv", folder.At("list.csv"));
}

bool IsA(const std::string& path, mode_t type) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == type;
}

// Reads a FIFO from before the run starts until its writer closes it.
class FifoReader {
  public:
    explicit FifoReader(const std::string& path)
        : path_(path), fd_(open(path.c_str(), O_RDONLY | O_NONBLOCK)) {
        thread_ = std::thread([this] {
            // No hang-up is reported before a writer has come and gone.
            pollfd p{fd_, POLLIN, 0};
            while (poll(&p, 1, -1) >= 0) {
                char buffer[4096];
                const ssize_t n = read(fd_, buffer, sizeof buffer);
                if (n == 0) break;
                if (n > 0) text_.append(buffer, static_cast<std::size_t>(n));
            }
        });
    }
    // What was read; a writer that never came is stood in for, so this ends.
    std::string Finish() {
        const int writer = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
        thread_.join();
        close(fd_);
        return text_;
    }

  private:
    std::string path_;
    int fd_;
    std::string text_;
    std::thread thread_;
};

TEST(CollectOutputs, ClashesAndTargetsAreRefusedOrWrittenAsTheirKindAsks) {
    constexpr int kOk = 0;  // the two demo records have no problems
    struct Case {
        const char* name;
        std::function<void(const TempFolder&)> arrange;
        const char* arguments;
        int status;
        const char* inErr;
        std::function<void(const TempFolder&)> check;
    };
    const auto unchanged = [](const char* name, const char* bytes) {
        return [=](const TempFolder& f) { EXPECT_EQ(Read(f.At(name)), bytes) << name; };
    };
    const auto absent = [](const char* name) {
        return [=](const TempFolder& f) { EXPECT_FALSE(fs::exists(f.At(name))) << name; };
    };
    const Case cases[] = {
        {"one file by two names", [](const TempFolder& f) { Write(f.At("out.csv"), "old"); },
         "--csv out.csv --html save/../out.csv", 64, "are the same file",
         unchanged("out.csv", "old")},
        {"one new name twice", nullptr, "--csv new.csv --json ./new.csv", 64, "are the same file",
         absent("new.csv")},
        {"a hard link to a record",
         [](const TempFolder& f) {
             ASSERT_EQ(link(f.At("save/WS001.txt").c_str(), f.At("ws.csv").c_str()), 0);
         },
         "--csv ws.csv", 64, "the record 'WS001.txt'",
         [](const TempFolder& f) {
             EXPECT_EQ(Read(f.At("save/WS001.txt")), Read(ZELMO_SOURCE_DIR "/demo/save/WS001.txt"));
         }},
        {"a link to the database",
         [](const TempFolder& f) {
             Write(f.At("history.db"), "");
             ASSERT_EQ(symlink("history.db", f.At("report.json").c_str()), 0);
         },
         "--json report.json --db history.db", 64, "--db 'history.db'",
         [](const TempFolder& f) {
             EXPECT_EQ(Read(f.At("history.db")), "");
             EXPECT_TRUE(IsA(f.At("report.json"), S_IFLNK));
         }},
        {"the list", nullptr, "--html list.csv", 64, "--list 'list.csv'",
         [](const TempFolder& f) {
             EXPECT_EQ(Read(f.At("list.csv")), Read(ZELMO_SOURCE_DIR "/demo/ZelmoAppl.csv"));
         }},
        {"a record", nullptr, "--json save/WS002.txt", 64, "named like a record",
         [](const TempFolder& f) {
             EXPECT_EQ(Read(f.At("save/WS002.txt")), Read(ZELMO_SOURCE_DIR "/demo/save/WS002.txt"));
         }},
        {"a new record's name", nullptr, "--csv ./save/Summary.TXT", 64, "named like a record",
         absent("save/Summary.TXT")},
        {"a new name beside the records", nullptr, "--csv save/summary.csv", kOk, "",
         [](const TempFolder& f) { EXPECT_TRUE(IsA(f.At("save/summary.csv"), S_IFREG)); }},
        {"/dev/null", nullptr, "--json /dev/null --csv out.csv", kOk, "",
         [](const TempFolder& f) {
             EXPECT_TRUE(IsA("/dev/null", S_IFCHR));
             EXPECT_TRUE(IsA(f.At("out.csv"), S_IFREG));
         }},
        {"a FIFO nobody reads",
         [](const TempFolder& f) {
             mkfifo(f.At("pipe").c_str(), 0600);
             Write(f.At("out.csv"), "old");
         },
         "--csv out.csv --json pipe", 2, "pipe: a FIFO that nobody reads",
         [](const TempFolder& f) {
             EXPECT_TRUE(IsA(f.At("pipe"), S_IFIFO));
             EXPECT_EQ(Read(f.At("out.csv")), "old");
         }},
        {"a folder", [](const TempFolder& f) { fs::create_directory(f.At("reports")); },
         "--html reports", 2, "reports: a folder",
         [](const TempFolder& f) { EXPECT_TRUE(IsA(f.At("reports"), S_IFDIR)); }},
        {"a link to a file",
         [](const TempFolder& f) {
             Write(f.At("elsewhere.json"), "theirs");
             ASSERT_EQ(symlink("elsewhere.json", f.At("out.json").c_str()), 0);
         },
         "--json out.json", kOk, "'out.json' was a link",
         [](const TempFolder& f) {
             EXPECT_EQ(Read(f.At("elsewhere.json")), "theirs");
             EXPECT_TRUE(IsA(f.At("out.json"), S_IFREG));
             EXPECT_EQ(Read(f.At("out.json")).substr(0, 1), "{");
         }},
        {"Windows-looking names", nullptr, "--csv 'sub\\inv.csv' --html 'C:\\srv\\inv.html'", kOk,
         "",
         [](const TempFolder& f) {
             EXPECT_TRUE(IsA(f.At("sub\\inv.csv"), S_IFREG));
             EXPECT_TRUE(IsA(f.At("C:\\srv\\inv.html"), S_IFREG));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string_view(c.arguments).find("/dev/null") != std::string_view::npos &&
            !IsA("/dev/null", S_IFCHR)) {
            // Something on this system has already replaced it: no run here
            // can say anything about the collector.
            ADD_FAILURE() << "/dev/null is not a character device here";
            continue;
        }
        TempFolder folder;
        SetUpSaveFolder(folder);
        if (c.arrange) c.arrange(folder);
        const CollectRun run = Collect(folder, c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.inErr), std::string::npos) << run.err;
        c.check(folder);
        // Nothing half-done stays behind, whatever the outcome.
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
        }
    }
}

TEST(CollectOutputs, AFifoWithAReaderIsWrittenInPlace) {
    TempFolder folder;
    SetUpSaveFolder(folder);
    mkfifo(folder.At("pipe").c_str(), 0600);
    FifoReader reader(folder.At("pipe"));
    const CollectRun run = Collect(folder, "--json pipe");
    const std::string read = reader.Finish();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read.substr(0, 1), "{");
    EXPECT_TRUE(IsA(folder.At("pipe"), S_IFIFO));
}

TEST(CollectOutputs, AFailedDatabaseStepLeavesEveryOutputAsItWas) {
    TempFolder folder;
    SetUpSaveFolder(folder);
    Write(folder.At("out.csv"), "csv before");
    Write(folder.At("out.json"), "json before");
    Write(folder.At("out.html"), "html before");
    Write(folder.At("history.db"), std::string(4096, 'x'));  // no database
    const CollectRun run =
        Collect(folder, "--csv out.csv --json out.json --html out.html --db history.db");
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("history.db"), std::string::npos) << run.err;
    EXPECT_EQ(Read(folder.At("out.csv")), "csv before");
    EXPECT_EQ(Read(folder.At("out.json")), "json before");
    EXPECT_EQ(Read(folder.At("out.html")), "html before");
    EXPECT_EQ(Read(folder.At("history.db")), std::string(4096, 'x'));
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
    }
}

TEST(CollectOutputs, ADeadRunsTemporaryFileGoesAndALiveRunsStays) {
    TempFolder folder;
    SetUpSaveFolder(folder);
    const std::string dead = folder.At(".out.csv.AAAAAA.tmp");
    const std::string live = folder.At(".out.csv.BBBBBB.tmp");
    const std::string fifo = folder.At(".out.csv.CCCCCC.tmp");
    const std::string other = folder.At(".other.csv.DDDDDD.tmp");
    Write(dead, "dead");
    Write(live, "live");
    Write(other, "other");
    mkfifo(fifo.c_str(), 0600);
    const int held = open(live.c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);

    const CollectRun run = Collect(folder, "--csv out.csv");
    close(held);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_EQ(Read(live), "live");
    EXPECT_TRUE(IsA(fifo, S_IFIFO));
    EXPECT_EQ(Read(other), "other");
    EXPECT_TRUE(IsA(folder.At("out.csv"), S_IFREG));
}

}  // namespace
}  // namespace zelmo::test::posix
