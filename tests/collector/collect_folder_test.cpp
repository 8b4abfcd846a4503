// The collector over real folders: every problem kind from hand-made record
// files, and records written by the program's own record writer read back.

#include "collector/collect_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>

#include "app/record_writer.h"
#include "collector/csv_report.h"
#include "collector/html_report.h"
#include "collector/json_report.h"
#include "inventory/application_list_scan.h"
#include "platform/text_codec.h"
#include "tests/test_support.h"

namespace zelmo::collector {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteBytes;

const HostRecord& Host(const Collection& c, const std::string& host) {
    for (const HostRecord& h : c.hosts) {
        if (h.host == host) return h;
    }
    throw std::runtime_error("no host " + host);
}

TEST(CollectFolder, ReportsEachProblemAndKeepsWhatCouldBeRead) {
    TempDir dir;
    const std::string save = dir / "save";
    fs::create_directories(save + "/SUB.txt");  // a folder: not a record
    WriteBytes(dir / "list.csv", "T1,Word,winword.exe,\r\nT2,Excel,excel.exe,\r\n");
    struct Case {
        const char* host;
        std::string bytes;
        std::string kinds;
    };
    const std::vector<Case> cases = {
        {"GOOD", "u,P1,M1,GOOD,10.0.0.1,8589934592,3F,T1Word,T2ExcelExcel\r\n", ""},
        {"QUOTED", "\"a, \"\"b\"\"\",P2,M2,QUOTED,10.0.0.2,1,\"x\r\ny\",T1,T2\r\n", ""},
        {"LF", "u,P3,M3,LF,10.0.0.3,1,l,T1,T2\n", "not-one-line"},
        {"TWO", "u,P4,M4,TWO,10.0.0.4,1,l,T1,T2\r\nmore\r\n", "not-one-line"},
        {"BYTES", "\x82,P5,M5,BYTES,10.0.0.5,1,l,T1,T2\r\n", "invalid-encoding"},
        {"FEW", "u,P6,M6\r\n", "too-few-values"},
        {"EMPTY", "", "not-one-line too-few-values"},
        {"NAMED", "u,P7,M7,OTHER,10.0.0.7,1,l,T1,T2\r\n", "host-mismatch"},
        {"MEM", "u,P8,M8,MEM,10.0.0.8,8 GB,l,T1,T2\r\n", "memory-not-digits"},
        {"IP", "u,P9,M9,IP,10.0.0.256,1,l,T1,T2\r\n", "ip-not-ipv4"},
        {"SHORT", "u,P10,M10,SHORT,10.0.0.10,1,l,T1\r\n", "item-count"},
        {"OTHERLIST", "u,P11,M11,OTHERLIST,10.0.0.11,1,l,T1Word,X2\r\n", "item-mismatch"},
        {"DUPA", "u,PX,M12,DUPA,10.0.0.12,1,l,T1,T2\r\n", "duplicate-pc"},
        {"DUPB", "u,PX,M13,DUPB,10.0.0.13,1,l,T1,T2\r\n", "duplicate-pc"},
        {"MONA", "u,P14,MX,MONA,10.0.0.14,1,l,T1,T2\r\n", "duplicate-monitor"},
        {"MONB", "u,P15,MX,MONB,10.0.0.15,1,l,T1,T2\r\n", "duplicate-monitor"},
        {"OLD", "u,P16,M16,OLD,10.0.0.16,1,l,T1,T2\r\n", "stale"},
        // Not "NUL": on Windows NUL.txt is the null device.
        {"NIL", std::string("u,P17\0,M17,NIL,10.0.0.17,1,l,T1,T2\r\n", 36), "invalid-encoding"},
    };
    for (const Case& c : cases) WriteBytes(save + "/" + c.host + ".txt", c.bytes);
    // Enough good records besides that the folder is read on several
    // threads; "FILL-1.txt" lists before "FILL.txt" though host FILL sorts
    // first.
    constexpr int kFill = 300;
    for (int i = 0; i < kFill; ++i) {
        const std::string n = std::to_string(i);
        const std::string host = i == 0 ? "FILL" : "FILL-" + n;
        WriteBytes(save + "/" + host + ".txt",
                   "u,F" + n + ",FM" + n + "," + host + ",10.1.0.1,1,l,T1,T2\r\n");
    }
    fs::last_write_time(save + "/OLD.txt",
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    // Windows may not grant the right to make links; the rest holds there too.
    std::error_code linkError;
    fs::create_symlink(dir / "list.csv", save + "/LINK.txt", linkError);
    const bool linked = !linkError;

    CollectSettings settings{save, dir / "list.csv", "CP932", 365, test::NowSeconds()};
    const Collection c = CollectFolder(settings);

    ASSERT_EQ(c.hosts.size(), cases.size() + kFill + (linked ? 1 : 0));
    for (const Case& expected : cases) {
        EXPECT_EQ(Host(c, expected.host).ProblemWords(), expected.kinds) << expected.host;
    }
    if (linked) {
        EXPECT_EQ(Host(c, "LINK").ProblemWords(), "unreadable");
    }
    for (std::size_t i = 1; i < c.hosts.size(); ++i)
        EXPECT_LT(c.hosts[i - 1].host, c.hosts[i].host);

    const HostRecord& good = Host(c, "GOOD");
    EXPECT_EQ(good.counts, (std::vector<int>{1, 2}));
    EXPECT_EQ(good.values.location, "3F");
    const HostRecord& quoted = Host(c, "QUOTED");
    EXPECT_EQ(quoted.values.name, "a, \"b\"");
    EXPECT_EQ(quoted.values.location, "x\r\ny");
    EXPECT_EQ(Host(c, "SHORT").counts, (std::vector<int>{0, -1}));
    EXPECT_EQ(Host(c, "OTHERLIST").counts, (std::vector<int>{1, -1}));
    // A record with problems still shows what could be read.
    EXPECT_EQ(Host(c, "IP").values.pc, "P9");
    // Every problem names its file.
    for (const Problem& p : c.problems)
        EXPECT_TRUE(p.file.ends_with(".txt")) << inventory::ProblemKindName(p.kind);
    // One problem row per kind found, none lost or doubled between threads.
    std::size_t kinds = linked ? 1 : 0;
    for (const Case& expected : cases) {
        kinds += expected.kinds.empty()
                     ? 0
                     : std::count(expected.kinds.begin(), expected.kinds.end(), ' ') + 1;
    }
    EXPECT_EQ(c.problems.size(), kinds);
}

TEST(CollectFolder, MissingFolderIsARunTimeError) {
    TempDir dir;
    EXPECT_ANY_THROW(CollectFolder({dir / "absent", "", "", 365, test::NowSeconds()}));
}

// Records filed the way the PC-side program files them, in CP932, come back
// with their values and per-drive counts.
TEST(CollectFolder, ReadsBackWhatTheRecordWriterWrote) {
    TempDir dir;
    const platform::TextCodec cp932("CP932");
    const std::string save = dir / "save";
    fs::create_directories(save);
    // The list's own quoting: a quoted field runs to the next quote.
    const std::string list = "A,一太郎,taro.exe,\r\nB,\"Word, Pro\",w.exe,\r\nC,Calc,c.exe,\r\n";
    WriteBytes(dir / "ZelmoAppl.csv", cp932.ToAnsi(list));
    const std::vector<inventory::ApplicationRow> listed = {
        {"A", "一太郎", "", ""}, {"B", "Word, Pro", "", ""}, {"C", "Calc", "", ""}};

    const auto files = platform::OpenSystemRecordFiles();
    const auto file = [&](const app::InventoryValues& v, const std::vector<bool>& c,
                          const std::vector<bool>& d) {
        std::string summary;
        for (std::size_t i = 0; i < listed.size(); ++i) {
            summary += inventory::SummaryItem(listed[i], c[i], d[i]);
        }
        summary.pop_back();
        files->ReplaceContents(save + "/" + v.host + ".txt",
                               cp932.ToAnsi(app::ComposeRecord(v, summary)) + "\r\n");
    };
    file({"山田 太郎", "=1+2", "M-1", "WS01", "192.0.2.1", "8589934592", "本社 3F, \"東\""},
         {true, true, false}, {true, false, false});
    file({"鈴木", "PC-2", "M-2", "WS02", "192.0.2.2", "4294967296", "大阪"}, {false, false, true},
         {false, false, true});

    const Collection c =
        CollectFolder({save, dir / "ZelmoAppl.csv", "932", 365, test::NowSeconds()});
    EXPECT_TRUE(c.problems.empty())
        << c.problems.front().file << " " << inventory::ProblemKindName(c.problems.front().kind)
        << " " << c.problems.front().detail;
    ASSERT_EQ(c.hosts.size(), 2u);
    EXPECT_EQ(c.hosts[0].values.name, "山田 太郎");
    EXPECT_EQ(c.hosts[0].values.location, "本社 3F, \"東\"");
    EXPECT_EQ(c.hosts[0].counts, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(c.hosts[1].counts, (std::vector<int>{0, 0, 2}));
    EXPECT_EQ(c.columns[1].label, "Word, Pro");

    const std::string csv = CsvReport(c);
    EXPECT_NE(
        csv.find("\r\nWS01,山田 太郎,'=1+2,M-1,192.0.2.1,8589934592,\"本社 3F, \"\"東\"\"\","),
        std::string::npos)
        << csv;
    EXPECT_NE(csv.find(",\"Word, Pro\",Calc\r\n"), std::string::npos) << csv;
    const auto json = nlohmann::json::parse(JsonReport(c));
    EXPECT_EQ(json["hosts"][0]["installs"]["一太郎"], 2);
    EXPECT_EQ(json["hosts"][1]["location"], "大阪");
    std::map<std::string, int> perApplication;
    for (const auto& app : json["applications"]) perApplication[app["name"]] = app["hosts"];
    EXPECT_EQ(perApplication,
              (std::map<std::string, int>{{"一太郎", 1}, {"Word, Pro", 1}, {"Calc", 1}}));
}

TEST(HtmlReport, EscapesEveryValue) {
    Collection c;
    c.folder = "<b>share</b>";
    HostRecord h;
    h.host = "H\"1";
    h.values.name = "<script>alert(1)</script>";
    h.values.location = "\"><img src=x onerror=alert(1)>";
    h.items = {"<svg onload=alert(1)>"};
    c.hosts.push_back(h);
    c.problems.push_back({"<i>.txt", ProblemKind::Stale, "'quoted'"});
    // With a list the hosts table names applications by tag, the chart by
    // tag and name.
    Collection listed = c;
    listed.hasList = true;
    listed.columns = {{"<u>T", "<svg onload=alert(2)>", "<svg onload=alert(2)>"}};
    listed.hosts[0].counts = {1};
    for (const Collection* each : {&c, &listed}) {
        const std::string page = HtmlReport(*each);
        for (const char* raw :
             {"<script>alert", "<img", "<svg onload", "<b>share", "<i>.txt", "'quoted'", "<u>"}) {
            EXPECT_EQ(page.find(raw), std::string::npos) << raw;
        }
        EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
        EXPECT_NE(page.find("&quot;&gt;&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
    }
    EXPECT_NE(HtmlReport(listed).find("<td data-col=\"applications\">&lt;u&gt;T</td></tr>"),
              std::string::npos);
    EXPECT_NE(HtmlReport(listed).find(">&lt;u&gt;T &lt;svg onload=alert(2)&gt;</text>"),
              std::string::npos);
}

// The stylesheet and the script find the hosts table's columns by name, so
// a column renamed in the program must not leave them pointing at nothing.
TEST(HtmlReport, StylesheetAndScriptNameOnlyColumnsThePageHas) {
    Collection c;
    HostRecord h;
    h.host = "H1";
    h.values.memory = "8589934592";
    h.problems = {ProblemKind::Stale};
    h.items = {"Calc"};
    c.hosts.push_back(h);
    const std::string page = HtmlReport(c);
    const auto between = [&](const std::string& open, const std::string& close) {
        const std::size_t start = page.find(open);
        const std::size_t end = page.find(close, start);
        EXPECT_NE(end, std::string::npos) << open;
        return start == std::string::npos ? std::string() : page.substr(start, end - start);
    };
    const std::string style = between("<style>", "</style>");
    const std::string script = between("<script>", "</script>");
    const std::string table = between("<div id=\"hosts\">", "<h2>Problems");
    int names = 0;
    // Names in the stylesheet style cells, so the cells carry them too.
    const std::regex cssName(R"re(data-col="([a-z_]+)")re");
    for (std::sregex_iterator m(style.begin(), style.end(), cssName), end; m != end; ++m, ++names) {
        const std::string name = (*m)[1];
        EXPECT_NE(table.find("<th data-col=\"" + name + "\""), std::string::npos) << name;
        EXPECT_NE(table.find("<td data-col=\"" + name + "\">"), std::string::npos) << name;
    }
    const std::regex jsName(R"re(columnAt\('([a-z_]+)'\))re");
    for (std::sregex_iterator m(script.begin(), script.end(), jsName), end; m != end;
         ++m, ++names) {
        const std::string name = (*m)[1];
        EXPECT_NE(table.find("<th data-col=\"" + name + "\""), std::string::npos) << name;
    }
    EXPECT_GE(names, 4);  // memory, problems, applications; applications
    EXPECT_EQ(style.find("nth-child"), std::string::npos);
    EXPECT_FALSE(std::regex_search(script, std::regex(R"(cells\[\d)")));
}

}  // namespace
}  // namespace zelmo::collector
