#include "collector/sqlite_handle.h"

namespace zelmo::collector {

SqliteDb::SqliteDb(const std::string& path, Mode mode) : path_(path) {
    const int flags =
        mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        // No destructor runs for a constructor that throws.
        const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw StoreError(path_ + ": " +
                         (mode == Mode::ReadOnly
                              ? "cannot open for reading (missing or not readable)"
                              : "cannot open") +
                         ": " + why);
    }
    sqlite3_busy_timeout(db_, 10000);
}

void SqliteDb::Fail(const char* what) const {
    throw StoreError(path_ + ": " + what + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory"));
}

void SqliteDb::Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail("cannot run");
}

SqliteStatement::SqliteStatement(SqliteDb& db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db.get(), sql, -1, &stmt_, nullptr) != SQLITE_OK)
        db.Fail("cannot prepare");
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) db_.Fail("cannot bind");
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK) {
        db_.Fail("cannot bind");
    }
    return *this;
}

bool SqliteStatement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    db_.Fail("cannot step");
}

void SqliteStatement::Run() {
    while (Step()) {
    }
    Reset();
}

void SqliteStatement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::string SqliteStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                : std::string();
}

}  // namespace zelmo::collector
