// The collection checked against a ledger and a licence file, read from real
// files the way a spreadsheet saves them: one table of records and ledger
// rows typed the ways people type numbers.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "collector/collect_folder.h"
#include "collector/usage_error.h"
#include "platform/text_codec.h"
#include "tests/test_support.h"

namespace zelmo::collector {
namespace {

using test::TempDir;
using test::WriteBytes;

struct RecordCase {
    const char* host;
    const char* pc;
    const char* monitor;
    const char* user;
    const char* kinds;  // the problem kinds expected
    int ledgerLine;     // the ledger line it matches, 0 for none
    bool zerosIgnored;
};

// Ledger lines (the header is line 1): 2 ＡＢ－００１, 3 12, 4 0034, 5 ｶﾞｸ1,
// 6 P50, 7 P77, 8 P77 again, 9 P88 (nobody), 10 host NOPC without a number.
const char* const kLedger =
    "資産番号,使用者,設置場所,ホスト名,購入日\r\n"
    "ＡＢ－００１,山田,,FW,2020/4/1\r\n"
    "12,鈴木,,ZERO,2021/4/1\r\n"
    "0034,佐藤,,,\r\n"
    "ガク1,,,,\r\n"
    "P50,田中,\"大阪, 2F\",CONFLICT,\r\n"
    "P77,,,,\r\n"
    "P77,,,,\r\n"
    "P88,,倉庫,,\r\n"
    ",伊藤,,nopc,\r\n";

const RecordCase kRecords[] = {
    // Full-width, case and spaces: the same number.
    {"FW", " ab-001 ", "M1", "山田", "", 2, false},
    // Dropped leading zeros, said so; "０１２" files the same number.
    {"ZERO", "0012", "M2", "鈴木", "duplicate-pc", 3, true},
    {"ZERO2", "０１２", "M3", "x", "duplicate-pc ledger-conflict", 3, true},
    // Full-width digits spelling the ledger's zeros exactly.
    {"FULL", "００３４", "M4", "佐藤", "", 4, false},
    // Half-width katakana.
    {"KANA", "ｶﾞｸ1", "M5", "u", "", 5, false},
    // Matched, another user; the same place with full-width spaces around.
    {"CONFLICT", "P50", "M6", "田中一郎", "ledger-conflict", 6, false},
    // The repeated key still matches its first row.
    {"REPEAT", "p77", "Ｍ７", "u", "duplicate-monitor", 7, false},
    {"MON", "P99", "M7", "u", "duplicate-monitor not-in-ledger", 0, false},
    // No PC number: found by host name where the ledger has one.
    {"NOPC", "", "M9", "伊藤", "no-pc-number", 10, false},
    {"NOPC2", "  ", "M10", "u", "no-pc-number", 0, false},
};

std::string Kinds(const HostRecord& h) {
    std::vector<std::string> words;
    for (const ProblemKind kind : h.problems) {
        words.emplace_back(inventory::ProblemKindName(kind));
    }
    std::sort(words.begin(), words.end());
    std::string joined;
    for (const std::string& w : words) {
        if (!joined.empty()) joined += ' ';
        joined += w;
    }
    return joined;
}

class LedgerCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const platform::TextCodec cp932("CP932");
        std::filesystem::create_directories(save());
        // The records in CP932, as the PCs file them.
        for (const RecordCase& r : kRecords) {
            const std::string location =
                std::string(r.host) == "CONFLICT" ? "\"\xE3\x80\x80大阪, 2F\xE3\x80\x80\"" : "l";
            WriteBytes(save() + "/" + r.host + ".txt",
                       cp932.ToAnsi(std::string(r.user) + "," + r.pc + "," + r.monitor + "," +
                                    r.host + ",10.0.0.1,1," + location + ",T1Word,T2\r\n"));
        }
        WriteBytes(dir_ / "list.csv", "T1,Word,winword.exe,\r\nT2,Excel,excel.exe,\r\n");
    }
    std::string save() const { return dir_ / "save"; }
    CollectSettings Settings(const std::string& ledgerBytes) {
        WriteBytes(dir_ / "ledger.csv", ledgerBytes);
        CollectSettings settings;
        settings.folder = save();
        settings.listPath = dir_ / "list.csv";
        settings.encoding = "CP932";
        settings.now = test::NowSeconds();
        settings.ledger.path = dir_ / "ledger.csv";
        return settings;
    }

    TempDir dir_;
};

TEST_F(LedgerCheckTest, MatchesNumbersAsPeopleTypeThemInEitherCodePage) {
    const platform::TextCodec cp932("CP932");
    // "CSV UTF-8" with its byte order mark although the records are CP932,
    // and the same ledger saved in CP932, read in the records' code page.
    for (const std::string& ledger :
         {std::string("\xEF\xBB\xBF") + kLedger, cp932.ToAnsi(kLedger)}) {
        SCOPED_TRACE(ledger.substr(0, 3) == "\xEF\xBB\xBF" ? "UTF-8 ledger" : "CP932 ledger");
        CollectSettings settings = Settings(ledger);
        settings.licencesPath = dir_ / "licences.csv";
        WriteBytes(settings.licencesPath,
                   "\xEF\xBB\xBFタグ,ライセンス数,備考\r\nT1,9,\r\nT2,4,site\r\n");
        const Collection c = CollectFolder(settings);
        ASSERT_TRUE(c.ledger);
        const LedgerCheck& check = *c.ledger;

        std::map<std::string, const LedgerMatch*> matchOf;
        for (const LedgerMatch& m : check.matched) matchOf[c.hosts[m.host].host] = &m;
        for (const RecordCase& r : kRecords) {
            SCOPED_TRACE(r.host);
            const auto h = std::find_if(c.hosts.begin(), c.hosts.end(),
                                        [&](const HostRecord& x) { return x.host == r.host; });
            ASSERT_NE(h, c.hosts.end());
            EXPECT_EQ(Kinds(*h), r.kinds);
            const auto m = matchOf.find(r.host);
            if (r.ledgerLine == 0) {
                EXPECT_EQ(m, matchOf.end());
                continue;
            }
            ASSERT_NE(m, matchOf.end());
            EXPECT_EQ(check.ledger.table.lines[m->second->row],
                      static_cast<std::size_t>(r.ledgerLine));
            EXPECT_EQ(m->second->zerosIgnored, r.zerosIgnored);
            EXPECT_EQ(m->second->byHost, std::string(r.host) == "NOPC");
        }
        // The ledger's own findings: rows are no records and file no problem.
        std::vector<std::size_t> notCollected;
        for (const std::size_t row : check.notCollected)
            notCollected.push_back(check.ledger.table.lines[row]);
        EXPECT_EQ(notCollected, (std::vector<std::size_t>{9}));
        ASSERT_EQ(check.duplicateKeys.size(), 1u);
        EXPECT_EQ(check.duplicateKeys[0].key, "P77");
        EXPECT_EQ(check.duplicateKeys[0].rows.size(), 2u);
        std::set<std::string> conflicts;
        for (const LedgerConflict& x : check.conflicts) {
            conflicts.insert(c.hosts[x.host].host + " " + x.field + " " + x.recordValue + "|" +
                             x.ledgerValue);
        }
        EXPECT_EQ(conflicts, (std::set<std::string>{"CONFLICT user 田中一郎|田中",
                                                    "ZERO2 host ZERO2|ZERO", "ZERO2 user x|鈴木"}));
        EXPECT_FALSE(c.AllClear());

        // Every record has T1 on one drive: 10 installs of 9 seats.
        ASSERT_EQ(c.licences.size(), 2u);
        EXPECT_EQ(c.licences[0].installed, 10);
        EXPECT_EQ(c.licences[1].installed, 0);
        EXPECT_EQ(c.licences[1].note, "site");
        const auto over = std::find_if(c.problems.begin(), c.problems.end(), [](const Problem& p) {
            return p.kind == ProblemKind::OverLicensed;
        });
        ASSERT_NE(over, c.problems.end());
        EXPECT_EQ(over->file, "");
        EXPECT_NE(over->detail.find("T1"), std::string::npos);
    }
}

TEST_F(LedgerCheckTest, UnusableLedgersAndLicenceFilesAreUsageErrorsNamingThem) {
    struct Case {
        const char* what;
        std::string ledger;
        std::string licences;  // empty: none
        std::string key;       // --ledger-key
        const char* named;     // in the message
    };
    // The records are CP932: a UTF-8 ledger carries its byte order mark.
    const std::string utf8 = std::string("\xEF\xBB\xBF") + kLedger;
    const Case cases[] = {
        {"no key column", "\xEF\xBB\xBF名前,場所\r\na,b\r\n", "", "", "no key column"},
        {"key named but absent", utf8, "", "機器番号", "機器番号"},
        {"not UTF-8 after its mark", "\xEF\xBB\xBF資産番号\r\n\x82\xA0\r\n", "", "", "not UTF-8"},
        {"not CP932", std::string("資産番号\r\n\x82\r\n"), "", "", "CP932"},
        {"unlisted tag", utf8, "tag,seats\r\nT1,1\r\nT9,2\r\n", "", "\"T9\""},
        {"repeated tag", utf8, "tag,seats\r\nT1,1\r\nT1,2\r\n", "", "repeated"},
        {"seats not a number", utf8, "tag,seats\r\nT1,many\r\n", "", "many"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CollectSettings settings = Settings(c.ledger);
        settings.ledger.keyHeading = c.key;
        if (!c.licences.empty()) {
            settings.licencesPath = dir_ / "licences.csv";
            WriteBytes(settings.licencesPath, c.licences);
        }
        try {
            CollectFolder(settings);
            ADD_FAILURE() << "no usage error";
        } catch (const UsageError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.named), std::string::npos) << message;
            const std::string file = c.licences.empty() ? "ledger.csv" : "licences.csv";
            EXPECT_NE(message.find(file), std::string::npos) << message;
        }
    }
}

}  // namespace
}  // namespace zelmo::collector
