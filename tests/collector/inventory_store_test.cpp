// Collections into the database and the changes read back from it.

#include "collector/inventory_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

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

    const std::string old = dir / "old.db";
    SaveCollection(old, Collect(save, list, 1'000'000'000));
    Sql(old, "PRAGMA application_id = 0; PRAGMA user_version = 0");
    SaveCollection(old, Collect(save, list, 1'000'086'400));
    EXPECT_EQ(Count(old, "collections"), 2);
    EXPECT_EQ(Count(old, "pragma_application_id WHERE application_id <> 0"), 1);
    Sql(old, "PRAGMA user_version = 99");
    EXPECT_THROW(SaveCollection(old, Collect(save, list, 1'000'172'800)), StoreError);

    // Reading the history never creates one.
    EXPECT_THROW(LoadChanges(dir / "missing.db", ""), StoreError);
    EXPECT_FALSE(fs::exists(dir / "missing.db"));
    EXPECT_THROW(LoadChanges(foreign, ""), StoreError);
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
