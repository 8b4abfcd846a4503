// The indexed scan against the row-by-row search it replaces, on random
// drives and random lists: every observable result must be the same.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "file_system_fakes.h"
#include "inventory/application_list_scan.h"
#include "inventory/file_search.h"
#include "inventory/indexed_scan.h"
#include "platform/ascii.h"
#include "platform/memory/file_system.h"
#include "platform/memory/message_box.h"
#include "platform/runtime_error.h"
#include "test_support.h"

namespace zelmo {
namespace {

using platform::memory::MemoryFileSystem;

// Few names, so that they repeat across folders and lists.
const std::vector<std::string> kFileNames{"tool.exe", "Tool.EXE", "setup.exe", "readme.txt",
                                          "bin",      "app.dll",  "x"};
const std::vector<std::string> kFolderNames{"bin", "Bin",      "Program Files",
                                            "sub", "tool.exe", "app.dll"};

class RandomDrives {
  public:
    explicit RandomDrives(std::mt19937& random) : random_(random) {}

    void Fill(MemoryFileSystem& fs) {
        AddTree(fs, "C:", Below(5) + 1);
        if (Chance(0.7)) {
            fs.AddDrive('D');
            AddTree(fs, "D:", Below(4));
        }
    }

  private:
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
    template <typename T>
    const T& Pick(const std::vector<T>& from) {
        return from[static_cast<std::size_t>(Below(static_cast<int>(from.size())))];
    }

    void AddTree(MemoryFileSystem& fs, const std::string& folder, int depth) {
        for (int i = Below(4); i > 0; --i) fs.AddFile(folder + "\\" + Pick(kFileNames));
        if (depth == 0) return;
        for (int i = Below(5); i > 0; --i) {
            std::string name = Pick(kFolderNames);
            // Long names push some paths past what can be listed or found.
            if (Chance(0.1)) name += std::string(static_cast<std::size_t>(60 + Below(40)), 'L');
            const std::string sub = folder + "\\" + name;
            // A folder named like the file counts unless it is exactly a
            // plain folder.
            const std::uint32_t attributes = Chance(0.3) ? (Chance(0.5) ? 16 : 18) : 16;
            fs.AddFolder(sub, attributes);
            if (Chance(0.1)) fs.SetListable(sub, false);
            AddTree(fs, sub, std::max(0, depth - 1 - Below(2)));
        }
    }

    std::mt19937& random_;
};

class RandomList {
  public:
    explicit RandomList(std::mt19937& random) : random_(random) {}

    // Rows of Tag, DisplayName, FileName, Spare; sometimes the last row is
    // cut short, which ends the scan with a run-time error.
    std::string Make() {
        std::string list;
        const int rows = Below(12);
        for (int row = 0; row < rows; ++row) {
            std::string name = FileName();
            list.append("T").append(std::to_string(row)).append(",");
            list.append(Chance(0.2) ? "\"Name, " : "\"Name ").append(std::to_string(Below(3)));
            list.append("\",").append(name).append(",s\r\n");
        }
        if (Chance(0.1)) list += "cut,short\r\n";
        return list;
    }

  private:
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }

    std::string FileName() {
        static const std::vector<std::string> kSpecial{"bin\\tool.exe",
                                                       "Bin\\TOOL.exe",
                                                       "sub\\setup.exe",
                                                       "C:\\bin\\tool.exe",
                                                       "\\bin\\tool.exe",
                                                       "*.exe",
                                                       "tool.???",
                                                       ".",
                                                       "..",
                                                       "tool.exe.",
                                                       "absent.exe"};
        if (Chance(0.25)) return kSpecial[static_cast<std::size_t>(Below(11))];
        std::string name = kFileNames[static_cast<std::size_t>(Below(7))];
        // A different letter case, which the memory drive ignores.
        if (Chance(0.3)) {
            platform::AsciiUpperCase(name);
        }
        return name;
    }

    std::mt19937& random_;
};

// Everything one scan shows: list entries, summary, each message with the
// number of entries at the time, and the error it ended with.
struct ScanResult {
    std::vector<std::string> entries;
    std::string summary;
    std::vector<std::pair<std::string, std::size_t>> messages;
    std::string error;
    std::int32_t rows = -1;

    bool operator==(const ScanResult&) const = default;
};

template <typename Scan>
ScanResult Observe(Scan scan) {
    ScanResult result;
    platform::memory::RecordingMessageBox box;
    box.onShow = [&](const std::string& text) {
        result.messages.emplace_back(text, result.entries.size());
    };
    const inventory::ScanTarget target{
        [&](const std::string& entry) { result.entries.push_back(entry); }, result.summary, box};
    try {
        result.rows = scan(target);
    } catch (const platform::RunTimeError& e) {
        result.error = e.Report();
    }
    return result;
}

void PrintTo(const ScanResult& r, std::ostream* os) {
    *os << "rows " << r.rows << ", summary '" << r.summary << "', " << r.entries.size()
        << " entries, " << r.messages.size() << " messages, error '" << r.error << "'";
}

class DifferentialScan : public ::testing::TestWithParam<bool> {};

TEST_P(DifferentialScan, IndexedAndRowByRowScansAgreeOnEveryResult) {
    const bool caseSensitive = GetParam();
    std::mt19937 random(caseSensitive ? 20240611u : 19980402u);
    test::TempDir dir;
    const std::string listPath = dir / "ZelmoAppl.csv";
    // So that agreement cannot come from scans that find nothing.
    int entries = 0, messages = 0, errors = 0;
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        MemoryFileSystem memory;
        RandomDrives(random).Fill(memory);
        test::CaseSensitiveFileSystem exact(memory);
        platform::FileSystem& fs =
            caseSensitive ? static_cast<platform::FileSystem&>(exact) : memory;
        test::WriteBytes(listPath, RandomList(random).Make());
        const unsigned threads = static_cast<unsigned>(round % 4 + 1);

        const ScanResult rowByRow = Observe([&](const inventory::ScanTarget& target) {
            inventory::PerRowSearch search(fs);
            return inventory::ScanApplicationList(listPath, search, target);
        });
        const ScanResult indexed = Observe([&](const inventory::ScanTarget& target) {
            return inventory::ScanApplicationListIndexed(listPath, fs, target, threads);
        });
        ASSERT_EQ(indexed, rowByRow);
        entries += static_cast<int>(indexed.entries.size());
        messages += static_cast<int>(indexed.messages.size());
        errors += !indexed.error.empty();

        // Location lists, which the scan itself never shows.
        const inventory::ApplicationList list = inventory::ReadApplicationList(listPath);
        inventory::IndexedSearch search(fs, list.FileNames(), threads);
        search.Build();
        for (const inventory::ApplicationRow& row : list.rows) {
            for (const char* drive : {"C:", "D:"}) {
                std::vector<std::string> expected;
                std::vector<std::string> actual;
                const std::int32_t count =
                    inventory::FindOnDrive(fs, drive, row.FileName, expected);
                ASSERT_EQ(search.FindOnDrive(drive, row.FileName, actual), count)
                    << drive << " " << row.FileName;
                ASSERT_EQ(actual, expected) << drive << " " << row.FileName;
            }
        }
    }
    EXPECT_GT(entries, 200);
    EXPECT_GT(messages, 50);
    EXPECT_GT(errors, 5);
}

INSTANTIATE_TEST_SUITE_P(MemoryDrives, DifferentialScan, ::testing::Values(false, true),
                         [](const auto& info) {
                             return info.param ? "CaseSensitive" : "CaseInsensitive";
                         });

}  // namespace
}  // namespace zelmo
