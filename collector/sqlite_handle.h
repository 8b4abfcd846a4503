#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "collector/inventory_store.h"

namespace zelmo::collector {

// Small owners of SQLite's handles; every failure raises a StoreError naming
// the database file.
class SqliteDb {
  public:
    enum class Mode { ReadOnly, ReadWriteCreate };
    SqliteDb(const std::string& path, Mode mode);
    ~SqliteDb() { sqlite3_close_v2(db_); }
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    sqlite3* get() const { return db_; }
    const std::string& Path() const { return path_; }
    void Exec(const char* sql);
    [[noreturn]] void Fail(const char* what) const;

  private:
    std::string path_;
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
  public:
    SqliteStatement(SqliteDb& db, const char* sql);
    ~SqliteStatement() { sqlite3_finalize(stmt_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& Bind(int index, std::int64_t value);
    SqliteStatement& Bind(int index, std::string_view text);
    // True while a row is there to read.
    bool Step();
    // Runs a statement that returns no rows and makes it ready to run again.
    void Run();
    void Reset();
    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    std::string Text(int column) const;

  private:
    SqliteDb& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Rolls back unless committed, so that a failure anywhere leaves the
// database as it was.
class SqliteTransaction {
  public:
    // A writer takes the write lock at once; a reader's snapshot starts at
    // its first read (a read-only connection cannot take that lock).
    explicit SqliteTransaction(SqliteDb& db, bool write = true) : db_(db) {
        db_.Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
    }
    ~SqliteTransaction() {
        if (!done_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void Commit() {
        db_.Exec("COMMIT");
        done_ = true;
    }

  private:
    SqliteDb& db_;
    bool done_ = false;
};

}  // namespace zelmo::collector
