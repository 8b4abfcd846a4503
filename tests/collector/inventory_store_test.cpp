// Collections into the database and the changes read back from it.

#include "collector/inventory_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>

#include "collector/collect_folder.h"
#include "tests/test_support.h"

namespace zelmo::collector {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

void Sql(const std::string& db, const char* sql) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &handle), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(handle, sql, nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(handle);
}

std::int64_t Count(const std::string& db, const char* table) {
    sqlite3* handle = nullptr;
    sqlite3_open(db.c_str(), &handle);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, (std::string("SELECT COUNT(*) FROM ") + table).c_str(), -1, &stmt,
                       nullptr);
    sqlite3_step(stmt);
    const std::int64_t n = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
    return n;
}

Collection Collect(const std::string& save, const std::string& list, std::int64_t now) {
    return CollectFolder({save, list, "UTF-8", 365 * 100, now});
}

TEST(InventoryStore, ChangesBetweenCollectionsAndAllOrNothing) {
    TempDir dir;
    const std::string save = dir / "save", list = dir / "list.csv", db = dir / "inventory.db";
    fs::create_directories(save);
    WriteBytes(list, "A,Word,w.exe,\r\nB,Excel,e.exe,\r\n");
    WriteBytes(save + "/WS01.txt", "u,P1,M1,WS01,10.0.0.1,4096,3F,AWord,B\r\n");
    WriteBytes(save + "/WS02.txt", "u,P2,M2,WS02,10.0.0.2,4096,3F,A,BExcel\r\n");
    WriteBytes(save + "/WS03.txt", "u,P3,M3,WS03,10.0.0.3,4096,3F,A,B\r\n");
    SaveCollection(db, Collect(save, list, 1'000'000'000));
    // Unchanged: nothing stored but the collection and its references.
    SaveCollection(db, Collect(save, list, 1'000'086'400));
    EXPECT_EQ(Count(db, "records"), 3);

    WriteBytes(save + "/WS01.txt", "u,P1,M1,WS01,10.0.0.1,8192,3F,A,BExcel\r\n");
    fs::remove(save + "/WS02.txt");
    WriteBytes(save + "/WS04.txt", "u,P4,M4,WS04,10.0.0.4,4096,4F,A,B\r\n");
    WriteBytes(save + "/WS03.txt", "u,P3,M3,WS03,10.0.0.3,4096,5F,A,B\r\n");
    SaveCollection(db, Collect(save, list, 1'000'172'800));
    EXPECT_EQ(Count(db, "records"), 6);

    const auto all = LoadChanges(db, "");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_TRUE(all[0].changes.empty());
    std::vector<std::string> seen;
    for (const Change& c : all[1].changes) {
        seen.push_back(c.host + " " + c.what + " " + c.application + c.from + ">" + c.to);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"WS01 installed Excel>", "WS01 removed Word>",
                                              "WS01 memory 4096>8192", "WS02 host gone >",
                                              "WS03 location 3F>5F", "WS04 new host >"}));
    EXPECT_EQ(LoadChanges(db, "2001-09-11").size(), 1u);

    // A collection that fails half-way leaves the file as it was.
    Sql(db,
        "CREATE TRIGGER refuse BEFORE INSERT ON records WHEN NEW.location = '6F' "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const std::string before = ReadBytes(db);
    WriteBytes(save + "/WS01.txt", "u,P1,M1,WS01,10.0.0.1,8192,4F,A,BExcel\r\n");
    WriteBytes(save + "/WS04.txt", "u,P4,M4,WS04,10.0.0.4,4096,6F,A,B\r\n");
    EXPECT_THROW(SaveCollection(db, Collect(save, list, 1'000'259'200)), StoreError);
    EXPECT_EQ(ReadBytes(db), before);
    EXPECT_EQ(Count(db, "collections"), 3);
}

// Only this program's databases are written to: a new or empty one, its
// own, or one the release before wrote (the same tables, no stamp yet).
TEST(InventoryStore, WritesOnlyItsOwnDatabases) {
    TempDir dir;
    const std::string save = dir / "save", list = dir / "list.csv";
    fs::create_directories(save);
    WriteBytes(list, "A,Word,w.exe,\r\n");
    WriteBytes(save + "/WS01.txt", "u,P1,M1,WS01,10.0.0.1,4096,3F,AWord\r\n");

    const std::string foreign = dir / "crm.db", text = dir / "notes.db";
    Sql(foreign, "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT)");
    WriteBytes(text, "not a database at all, but the history's name\n");
    for (const std::string& refused : {foreign, text}) {
        const std::string before = ReadBytes(refused);
        EXPECT_THROW(SaveCollection(refused, Collect(save, list, 1'000'000'000)), StoreError);
        EXPECT_EQ(ReadBytes(refused), before) << refused;
    }

    const std::string newer = dir / "newer.db";
    SaveCollection(newer, Collect(save, list, 1'000'000'000));
    EXPECT_EQ(Count(newer, "pragma_application_id WHERE application_id <> 0"), 1);
    Sql(newer, "PRAGMA user_version = 99");
    EXPECT_THROW(SaveCollection(newer, Collect(save, list, 1'000'172'800)), StoreError);
    // Its own database, unstamped, is no database of the release before.
    Sql(newer, "PRAGMA application_id = 0; PRAGMA user_version = 0");
    EXPECT_THROW(SaveCollection(newer, Collect(save, list, 1'000'172'800)), StoreError);

    // Reading the history never creates one.
    EXPECT_THROW(LoadChanges(dir / "missing.db", ""), StoreError);
    EXPECT_FALSE(fs::exists(dir / "missing.db"));
    EXPECT_THROW(LoadChanges(foreign, ""), StoreError);
}

std::string Text(const std::string& db, const char* sql) {
    sqlite3* handle = nullptr;
    sqlite3_open(db.c_str(), &handle);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, sql, -1, &stmt, nullptr);
    std::string text;
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0)) {
        text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
    return text;
}

std::vector<std::string> ChangeLines(const std::string& db) {
    std::vector<std::string> lines;
    for (const CollectionChanges& collection : LoadChanges(db, "")) {
        lines.push_back("#" + std::to_string(collection.collection));
        for (const Change& c : collection.changes) {
            lines.push_back(c.host + " " + c.what + " " + c.application + c.from + ">" + c.to);
        }
    }
    return lines;
}

// What the release that first stamped its databases wrote: two collections,
// WS01's memory and Excel changed in the second. Its digests held the
// files' times, which the new ones do not.
constexpr const char* kVersion1Database = R"(
CREATE TABLE collections(
    id INTEGER PRIMARY KEY, collected_at TEXT NOT NULL, folder TEXT NOT NULL,
    hosts INTEGER NOT NULL, problems INTEGER NOT NULL);
CREATE TABLE hosts(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE applications(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE records(
    id INTEGER PRIMARY KEY, host_id INTEGER NOT NULL REFERENCES hosts(id),
    digest INTEGER NOT NULL, file TEXT NOT NULL, name TEXT, pc TEXT, monitor TEXT,
    host_value TEXT, ip TEXT, memory TEXT, location TEXT, recorded_at TEXT, problems TEXT);
CREATE TABLE installs(
    record_id INTEGER NOT NULL REFERENCES records(id),
    application_id INTEGER NOT NULL REFERENCES applications(id),
    drives INTEGER NOT NULL, PRIMARY KEY(record_id, application_id)) WITHOUT ROWID;
CREATE TABLE host_records(
    host_id INTEGER NOT NULL REFERENCES hosts(id), record_id INTEGER NOT NULL REFERENCES records(id),
    first_collection INTEGER NOT NULL, last_collection INTEGER,
    PRIMARY KEY(host_id, first_collection)) WITHOUT ROWID;
CREATE INDEX host_records_last ON host_records(last_collection);
CREATE INDEX host_records_first ON host_records(first_collection);
CREATE TABLE problems(
    collection_id INTEGER NOT NULL REFERENCES collections(id), file TEXT NOT NULL,
    kind TEXT NOT NULL, detail TEXT NOT NULL);
CREATE INDEX problems_collection ON problems(collection_id);
CREATE VIEW latest_inventory AS
    SELECT h.name AS host, r.name, r.pc, r.monitor, r.ip, r.memory, r.location,
           r.recorded_at, r.problems
    FROM host_records s JOIN hosts h ON h.id = s.host_id JOIN records r ON r.id = s.record_id
    WHERE s.last_collection IS NULL;
CREATE VIEW installs_per_application AS
    SELECT a.name AS application, COUNT(*) AS hosts
    FROM host_records s JOIN installs i ON i.record_id = s.record_id
    JOIN applications a ON a.id = i.application_id
    WHERE s.last_collection IS NULL
    GROUP BY a.id ORDER BY hosts DESC, application;
INSERT INTO collections VALUES(1, '2001-09-09T01:46:40Z', 'save', 2, 0),
                              (2, '2001-09-10T01:46:40Z', 'save', 2, 0);
INSERT INTO hosts VALUES(1, 'WS01'), (2, 'WS02');
INSERT INTO applications VALUES(1, 'Word'), (2, 'Excel');
INSERT INTO records VALUES
    (1, 1, 11, 'WS01.txt', 'u', 'P1', 'M1', 'WS01', '10.0.0.1', '4096', '3F',
     '2001-09-08T10:00:00Z', ''),
    (2, 2, 22, 'WS02.txt', 'u', 'P2', 'M2', 'WS02', '10.0.0.2', '4096', '3F',
     '2001-09-08T11:00:00Z', ''),
    (3, 1, 33, 'WS01.txt', 'u', 'P1', 'M1', 'WS01', '10.0.0.1', '8192', '3F',
     '2001-09-09T12:00:00Z', '');
INSERT INTO installs VALUES(1, 1, 1), (2, 2, 1), (3, 1, 1), (3, 2, 1);
INSERT INTO host_records VALUES(1, 1, 1, 1), (2, 2, 1, NULL), (1, 3, 2, NULL);
)";

// A database of the release before, stamped or not yet, is brought up to
// date by the first collection into it and keeps its history; from then on
// an unchanged record filed again costs no record, only its time.
TEST(InventoryStore, KeepsTheHistoryOfEarlierVersionsAndKeysRecordsByContent) {
    for (const bool stamped : {true, false}) {
        SCOPED_TRACE(stamped ? "stamped version 1" : "unstamped");
        TempDir dir;
        const std::string save = dir / "save", list = dir / "list.csv", db = dir / "old.db";
        fs::create_directories(save);
        WriteBytes(list, "A,Word,w.exe,\r\nB,Excel,e.exe,\r\n");
        Sql(db, kVersion1Database);
        if (stamped) Sql(db, "PRAGMA application_id = 1517044546; PRAGMA user_version = 1");
        const std::vector<std::string> before = ChangeLines(db);
        ASSERT_EQ(before, (std::vector<std::string>{"#2", "WS01 installed Excel>",
                                                    "WS01 memory 4096>8192"}));

        // Refreshed records, the same content as collection 2 at new times.
        const std::string ws01 = save + "/WS01.txt", ws02 = save + "/WS02.txt";
        WriteBytes(ws01, "u,P1,M1,WS01,10.0.0.1,8192,3F,AWord,BExcel\r\n");
        WriteBytes(ws02, "u,P2,M2,WS02,10.0.0.2,4096,3F,A,BExcel\r\n");
        const auto at = [](std::int64_t seconds) {
            return std::chrono::file_clock::from_sys(
                std::chrono::sys_seconds(std::chrono::seconds(seconds)));
        };
        fs::last_write_time(ws01, at(1'000'200'000));
        fs::last_write_time(ws02, at(1'000'200'000));
        SaveCollection(db, Collect(save, list, 1'000'259'200));
        EXPECT_EQ(Count(db, "pragma_user_version WHERE user_version = 2"), 1);
        EXPECT_EQ(Count(db, "records"), 3);
        std::vector<std::string> after = before;
        after.push_back("#3");
        EXPECT_EQ(ChangeLines(db), after);
        EXPECT_EQ(Text(db,
                       "SELECT group_concat(host || ' ' || memory || ' ' || recorded_at, '; ') "
                       "FROM latest_inventory"),
                  "WS01 8192 2001-09-11T09:20:00Z; WS02 4096 2001-09-11T09:20:00Z");
        EXPECT_EQ(Text(db, "SELECT GROUP_CONCAT(hosts) FROM installs_per_application"), "2,1");

        // Refreshed again, unchanged: a time each, no record; not refreshed:
        // nothing at all. WS01 back to its first content takes that record.
        const std::int64_t times = Count(db, "recorded_times");
        fs::last_write_time(ws01, at(1'000'300'000));
        SaveCollection(db, Collect(save, list, 1'000'345'600));
        SaveCollection(db, Collect(save, list, 1'000'432'000));
        EXPECT_EQ(Count(db, "recorded_times"), times + 1);
        WriteBytes(ws01, "u,P1,M1,WS01,10.0.0.1,4096,3F,AWord,B\r\n");
        SaveCollection(db, Collect(save, list, 1'000'518'400));
        EXPECT_EQ(Count(db, "records"), 3);
        after.insert(after.end(),
                     {"#4", "#5", "#6", "WS01 removed Excel>", "WS01 memory 8192>4096"});
        EXPECT_EQ(ChangeLines(db), after);
    }
}

TEST(HistoryTime, TakesRealDatesAndUtcTimesOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"2026-12-01", "2026-12-01T00:00:00Z"},
        {"2024-02-29", "2024-02-29T00:00:00Z"},
        {"2026-12-01T08:30:00Z", "2026-12-01T08:30:00Z"},
        {"2026-13-45", nullptr},
        {"2026-ab-cd", nullptr},
        {"2025-02-29", nullptr},
        {"2026-12-01x", nullptr},
        {"2026-12-1", nullptr},
        {"2026-12-01T24:00:00Z", nullptr},
        {"2026-12-01T08:30:00", nullptr},
        {"", nullptr},
    };
    for (const auto& [text, expected] : cases) {
        const std::optional<std::string> time = HistoryTime(text);
        if (expected) {
            EXPECT_EQ(time, std::optional<std::string>(expected)) << text;
        } else {
            EXPECT_FALSE(time) << text;
        }
    }
}

}  // namespace
}  // namespace zelmo::collector
