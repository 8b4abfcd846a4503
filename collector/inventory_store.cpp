#include "collector/inventory_store.h"

#include <map>
#include <unordered_map>
#include <vector>

#include "collector/sqlite_handle.h"

namespace zelmo::collector {

// ---- handles ---------------------------------------------------------------

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

// ---- the store -------------------------------------------------------------

namespace {

// A record's values are stored once and referenced by a span of
// collections for as long as they stay the same: an open span (no last
// collection) costs nothing a night. A changed record closes its host's span
// and opens a new one; a host gone closes its span.
//
// The schema as the first stamped release made it; a new database is made
// the same way and then brought up to date by the same steps as an old one,
// so that the two cannot differ.
constexpr const char* kSchemaV1 = R"(
CREATE TABLE IF NOT EXISTS collections(
    id INTEGER PRIMARY KEY, collected_at TEXT NOT NULL, folder TEXT NOT NULL,
    hosts INTEGER NOT NULL, problems INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS hosts(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS applications(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS records(
    id INTEGER PRIMARY KEY, host_id INTEGER NOT NULL REFERENCES hosts(id),
    digest INTEGER NOT NULL, file TEXT NOT NULL, @VALUES@, recorded_at TEXT, problems TEXT);
CREATE TABLE IF NOT EXISTS installs(
    record_id INTEGER NOT NULL REFERENCES records(id),
    application_id INTEGER NOT NULL REFERENCES applications(id),
    drives INTEGER NOT NULL, PRIMARY KEY(record_id, application_id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS host_records(
    host_id INTEGER NOT NULL REFERENCES hosts(id), record_id INTEGER NOT NULL REFERENCES records(id),
    first_collection INTEGER NOT NULL, last_collection INTEGER,
    PRIMARY KEY(host_id, first_collection)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS host_records_last ON host_records(last_collection);
CREATE INDEX IF NOT EXISTS host_records_first ON host_records(first_collection);
CREATE TABLE IF NOT EXISTS problems(
    collection_id INTEGER NOT NULL REFERENCES collections(id), file TEXT NOT NULL,
    kind TEXT NOT NULL, detail TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS problems_collection ON problems(collection_id);
CREATE VIEW IF NOT EXISTS latest_inventory AS
    SELECT h.name AS host, @TABLED@,
           r.recorded_at, r.problems
    FROM host_records s JOIN hosts h ON h.id = s.host_id JOIN records r ON r.id = s.record_id
    WHERE s.last_collection IS NULL;
CREATE VIEW IF NOT EXISTS installs_per_application AS
    SELECT a.name AS application, COUNT(*) AS hosts
    FROM host_records s JOIN installs i ON i.record_id = s.record_id
    JOIN applications a ON a.id = i.application_id
    WHERE s.last_collection IS NULL
    GROUP BY a.id ORDER BY hosts DESC, application;
)";

using Installs = std::map<std::string, int>;

Installs InstallsOf(const Collection& collection, const HostRecord& host) {
    Installs installs;
    if (collection.hasList) {
        for (std::size_t i = 0; i < collection.columns.size() && i < host.counts.size(); ++i) {
            if (host.counts[i] > 0) installs[collection.columns[i].label] = host.counts[i];
        }
    } else {
        for (const std::string& item : collection.InstalledOn(host)) installs[item] = 1;
    }
    return installs;
}

// A record is keyed by its content, without the time it was filed: a PC
// that refreshes an unchanged record every night must cost no new record.
// The time is kept per host and collection, a row only when it moved.
// Version 2 moves it there from the records.
constexpr const char* kSchemaV2 = R"(
CREATE TABLE recorded_times(
    host_id INTEGER NOT NULL REFERENCES hosts(id),
    collection_id INTEGER NOT NULL REFERENCES collections(id),
    recorded_at INTEGER NOT NULL, PRIMARY KEY(host_id, collection_id)) WITHOUT ROWID;
INSERT INTO recorded_times(host_id, collection_id, recorded_at)
    SELECT s.host_id, s.first_collection, CAST(strftime('%s', r.recorded_at) AS INTEGER)
    FROM host_records s JOIN records r ON r.id = s.record_id
    WHERE strftime('%s', r.recorded_at) IS NOT NULL;
DROP VIEW latest_inventory;
ALTER TABLE records DROP COLUMN recorded_at;
CREATE INDEX records_content ON records(host_id, digest);
CREATE VIEW latest_inventory AS
    SELECT h.name AS host, @TABLED@,
           (SELECT strftime('%Y-%m-%dT%H:%M:%SZ', t.recorded_at, 'unixepoch')
            FROM recorded_times t WHERE t.host_id = s.host_id
            ORDER BY t.collection_id DESC LIMIT 1) AS recorded_at,
           r.problems
    FROM host_records s JOIN hosts h ON h.id = s.host_id JOIN records r ON r.id = s.record_id
    WHERE s.last_collection IS NULL;
)";

// A schema text with the record's value columns filled in from the record's
// fields.
std::string Schema(const char* text) {
    std::string values;
    std::string tabled;
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        if (!values.empty()) values += ", ";
        values += std::string(field.key) + " TEXT";
        if (!field.tabled) continue;
        if (!tabled.empty()) tabled += ", ";
        tabled += "r." + std::string(field.key);
    }
    std::string schema = text;
    if (const std::size_t at = schema.find("@VALUES@"); at != std::string::npos) {
        schema.replace(at, 8, values);
    }
    schema.replace(schema.find("@TABLED@"), 8, tabled);
    return schema;
}

// Marks a database as this program's: 'ZlCB'. The version counts schema
// changes; 1 is the first stamped one.
constexpr std::int64_t kApplicationId = 0x5A6C4342;
constexpr std::int64_t kSchemaVersion = 2;

std::int64_t Pragma(SqliteDb& db, const char* name) {
    SqliteStatement read(db, (std::string("PRAGMA ") + name).c_str());
    return read.Step() ? read.Int(0) : 0;
}

// Every table and view with its columns, in one comparable text.
std::string SchemaShape(SqliteDb& db) {
    SqliteStatement shape(db,
                          "SELECT m.type, m.name, p.name FROM sqlite_master m, "
                          "pragma_table_info(m.name) p WHERE m.type IN ('table', 'view') "
                          "ORDER BY m.type, m.name, p.cid");
    std::string text;
    while (shape.Step()) text += shape.Text(0) + " " + shape.Text(1) + "." + shape.Text(2) + "\n";
    return text;
}

bool HasNoTables(SqliteDb& db) {
    SqliteStatement any(db, "SELECT 1 FROM sqlite_master LIMIT 1");
    return !any.Step();
}

// Whether the database is one this program may write to: its own (stamped),
// new and empty, or one that the release before stamps existed wrote
// (exactly the first stamped release's tables and columns). Any other
// database is refused as it is. Returns the schema version the database has,
// 0 for none yet.
std::int64_t CheckOwnDatabase(SqliteDb& db) {
    const std::int64_t id = Pragma(db, "application_id");
    if (id == kApplicationId) {
        const std::int64_t version = Pragma(db, "user_version");
        if (version > kSchemaVersion) {
            throw StoreError(db.Path() + ": written by a newer release of this program");
        }
        return version;
    }
    if (id != 0) throw StoreError(db.Path() + ": another program's database, left as it is");
    if (HasNoTables(db)) return 0;
    SqliteDb reference(":memory:", SqliteDb::Mode::ReadWriteCreate);
    reference.Exec(Schema(kSchemaV1).c_str());
    if (SchemaShape(db) != SchemaShape(reference)) {
        throw StoreError(db.Path() + ": not an inventory database (other tables), left as it is");
    }
    return 1;
}

// What the ledger and the licence file found is not kept: a record's history
// must not change with the files one run was given besides the folder.
bool Kept(ProblemKind kind) {
    switch (kind) {
        case ProblemKind::NotInLedger:
        case ProblemKind::LedgerConflict:
        case ProblemKind::NoPcNumber:
        case ProblemKind::OverLicensed:
            return false;
        default:
            return true;
    }
}

std::string KeptProblemWords(const HostRecord& h) {
    std::string words;
    for (const ProblemKind kind : h.problems) {
        if (!Kept(kind)) continue;
        if (!words.empty()) words += ' ';
        words += inventory::ProblemKindName(kind);
    }
    return words;
}


// FNV-1a over a record's content: every stored value, each ended by a
// separator byte that UTF-8 text never holds. Not the time it was filed.
std::int64_t Digest(const std::string& file, const inventory::RecordValues& values,
                    const Installs& installs, const std::string& problems) {
    std::uint64_t hash = 14695981039346656037ULL;
    const auto add = [&hash](std::string_view text) {
        for (const char c : text) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ULL;
        }
        hash ^= 0xFF;
        hash *= 1099511628211ULL;
    };
    add(file);
    for (const inventory::RecordField& field : inventory::kRecordFields) add(values.*field.value);
    add(problems);
    for (const auto& [name, drives] : installs) {
        add(name);
        add(std::to_string(drives));
    }
    return static_cast<std::int64_t>(hash);
}

// Version 1 to 2: the records' times move to recorded_times, and every
// record is keyed again by its content alone.
void MigrateToVersion2(SqliteDb& db) {
    db.Exec(Schema(kSchemaV2).c_str());
    std::string columns;
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        columns += ", " + std::string(field.key);
    }
    SqliteStatement records(db, ("SELECT id, file, problems" + columns + " FROM records").c_str());
    SqliteStatement installs(db,
                             "SELECT a.name, i.drives FROM installs i JOIN applications a "
                             "ON a.id = i.application_id WHERE i.record_id = ?");
    SqliteStatement update(db, "UPDATE records SET digest = ? WHERE id = ?");
    std::vector<std::pair<std::int64_t, std::int64_t>> digests;
    while (records.Step()) {
        inventory::RecordValues values;
        int column = 3;
        for (const inventory::RecordField& field : inventory::kRecordFields) {
            values.*field.value = records.Text(column++);
        }
        Installs stored;
        installs.Bind(1, records.Int(0));
        while (installs.Step()) stored[installs.Text(0)] = static_cast<int>(installs.Int(1));
        installs.Reset();
        digests.emplace_back(records.Int(0),
                             Digest(records.Text(1), values, stored, records.Text(2)));
    }
    for (const auto& [id, digest] : digests) update.Bind(1, digest).Bind(2, id).Run();
}

std::int64_t IdFor(SqliteDb& db, SqliteStatement& find, SqliteStatement& insert,
                   std::unordered_map<std::string, std::int64_t>& cache, const std::string& name) {
    const auto it = cache.find(name);
    if (it != cache.end()) return it->second;
    find.Bind(1, name);
    std::int64_t id = 0;
    if (find.Step()) {
        id = find.Int(0);
    } else {
        insert.Bind(1, name).Run();
        id = sqlite3_last_insert_rowid(db.get());
    }
    find.Reset();
    cache.emplace(name, id);
    return id;
}

struct Span {
    std::int64_t hostId;
    std::int64_t first;
    std::int64_t digest;
    bool seen = false;
};

}  // namespace

void SaveCollection(const std::string& dbPath, const Collection& collection) {
    SqliteDb db(dbPath, SqliteDb::Mode::ReadWriteCreate);
    db.Exec("PRAGMA foreign_keys = ON");
    SqliteTransaction transaction(db);
    // A database of an earlier version is brought up to date in the same
    // transaction as the collection it takes: both happen or neither.
    const std::int64_t version = CheckOwnDatabase(db);
    if (version == 0) db.Exec(Schema(kSchemaV1).c_str());
    if (version < 2) MigrateToVersion2(db);
    // Stamped in the same transaction as the first collection it takes.
    db.Exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
    db.Exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());

    std::int64_t previous = 0;
    {
        SqliteStatement last(db, "SELECT IFNULL(MAX(id), 0) FROM collections");
        if (last.Step()) previous = last.Int(0);
    }
    std::int64_t kept = 0;
    for (const Problem& p : collection.problems) kept += Kept(p.kind) ? 1 : 0;
    SqliteStatement addCollection(
        db, "INSERT INTO collections(collected_at, folder, hosts, problems) VALUES(?,?,?,?)");
    addCollection.Bind(1, IsoTime(collection.collectedAt))
        .Bind(2, collection.folder)
        .Bind(3, static_cast<std::int64_t>(collection.hosts.size()))
        .Bind(4, kept)
        .Run();
    const std::int64_t current = sqlite3_last_insert_rowid(db.get());

    // The open spans, by host name.
    std::unordered_map<std::string, Span> open;
    {
        SqliteStatement spans(db,
                              "SELECT h.name, s.host_id, s.first_collection, r.digest "
                              "FROM host_records s JOIN records r ON r.id = s.record_id "
                              "JOIN hosts h ON h.id = s.host_id WHERE s.last_collection IS NULL");
        while (spans.Step()) open[spans.Text(0)] = {spans.Int(1), spans.Int(2), spans.Int(3)};
    }

    SqliteStatement findHost(db, "SELECT id FROM hosts WHERE name = ?");
    SqliteStatement addHost(db, "INSERT INTO hosts(name) VALUES(?)");
    SqliteStatement findApp(db, "SELECT id FROM applications WHERE name = ?");
    SqliteStatement addApp(db, "INSERT INTO applications(name) VALUES(?)");
    SqliteStatement close(db,
                          "UPDATE host_records SET last_collection = ? "
                          "WHERE host_id = ? AND first_collection = ?");
    std::string columns;
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        columns += ", " + std::string(field.key);
    }
    SqliteStatement addRecord(db, ("INSERT INTO records(host_id, digest, file" + columns +
                                   ", problems) VALUES(?,?,?,?,?,?,?,?,?,?,?)")
                                      .c_str());
    static_assert(inventory::kRecordValueCount == 7, "one placeholder per value above");
    SqliteStatement findRecord(db,
                               "SELECT id FROM records WHERE host_id = ? AND digest = ? "
                               "ORDER BY id LIMIT 1");
    SqliteStatement addInstall(
        db, "INSERT INTO installs(record_id, application_id, drives) VALUES(?,?,?)");
    SqliteStatement addSpan(db,
                            "INSERT INTO host_records(host_id, record_id, first_collection, "
                            "last_collection) VALUES(?,?,?,NULL)");
    SqliteStatement addTime(
        db, "INSERT INTO recorded_times(host_id, collection_id, recorded_at) VALUES(?,?,?)");
    std::unordered_map<std::string, std::int64_t> hostIds;
    std::unordered_map<std::string, std::int64_t> appIds;

    // Each host's time as last stored, by host id.
    std::unordered_map<std::int64_t, std::int64_t> lastTimes;
    {
        SqliteStatement times(db,
                              "SELECT h.id, (SELECT t.recorded_at FROM recorded_times t "
                              "WHERE t.host_id = h.id ORDER BY t.collection_id DESC LIMIT 1) "
                              "FROM hosts h");
        while (times.Step()) {
            if (!times.IsNull(1)) lastTimes[times.Int(0)] = times.Int(1);
        }
    }

    for (const HostRecord& h : collection.hosts) {
        const Installs installs = InstallsOf(collection, h);
        const std::string problems = KeptProblemWords(h);
        const std::int64_t digest = Digest(h.file, h.values, installs, problems);
        const auto span = open.find(h.host);
        std::int64_t hostId = 0;
        bool unchanged = false;
        if (span != open.end()) {
            span->second.seen = true;
            hostId = span->second.hostId;
            unchanged = span->second.digest == digest;
            if (!unchanged)
                close.Bind(1, previous).Bind(2, hostId).Bind(3, span->second.first).Run();
        } else {
            hostId = IdFor(db, findHost, addHost, hostIds, h.host);
        }
        if (!unchanged) {
            // A record that returns to an earlier content takes that record again.
            std::int64_t recordId = 0;
            findRecord.Bind(1, hostId).Bind(2, digest);
            if (findRecord.Step()) recordId = findRecord.Int(0);
            findRecord.Reset();
            if (recordId == 0) {
                addRecord.Bind(1, hostId).Bind(2, digest).Bind(3, h.file);
                int column = 4;
                for (const inventory::RecordField& field : inventory::kRecordFields) {
                    addRecord.Bind(column++, h.values.*field.value);
                }
                addRecord.Bind(column, problems).Run();
                recordId = sqlite3_last_insert_rowid(db.get());
                for (const auto& [name, drives] : installs) {
                    addInstall.Bind(1, recordId)
                        .Bind(2, IdFor(db, findApp, addApp, appIds, name))
                        .Bind(3, static_cast<std::int64_t>(drives))
                        .Run();
                }
            }
            addSpan.Bind(1, hostId).Bind(2, recordId).Bind(3, current).Run();
        }
        const auto last = lastTimes.find(hostId);
        if (last == lastTimes.end() || last->second != h.recorded) {
            addTime.Bind(1, hostId).Bind(2, current).Bind(3, h.recorded).Run();
        }
    }
    for (const auto& [host, span] : open) {
        if (!span.seen) close.Bind(1, previous).Bind(2, span.hostId).Bind(3, span.first).Run();
    }

    SqliteStatement addProblem(
        db, "INSERT INTO problems(collection_id, file, kind, detail) VALUES(?,?,?,?)");
    for (const Problem& p : collection.problems) {
        if (!Kept(p.kind)) continue;
        addProblem.Bind(1, current)
            .Bind(2, p.file)
            .Bind(3, inventory::ProblemKindName(p.kind))
            .Bind(4, p.detail)
            .Run();
    }
    transaction.Commit();
}

namespace {

// The hosts' states in one collection, restricted to the records given.
void LoadStates(SqliteDb& db, const char* spanQuery, std::int64_t collection, Snapshot& snapshot) {
    SqliteStatement spans(db, spanQuery);
    std::string columns;
    std::vector<std::string> names;
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        if (!field.tabled) continue;
        columns += (columns.empty() ? "" : ", ") + std::string(field.key);
        names.emplace_back(field.key);
    }
    SqliteStatement values(db, ("SELECT " + columns + " FROM records WHERE id = ?").c_str());
    SqliteStatement installs(db,
                             "SELECT a.name, i.drives FROM installs i JOIN applications a "
                             "ON a.id = i.application_id WHERE i.record_id = ?");
    spans.Bind(1, collection);
    while (spans.Step()) {
        HostState& state = snapshot[spans.Text(0)];
        const std::int64_t recordId = spans.Int(1);
        values.Bind(1, recordId);
        if (values.Step()) {
            for (std::size_t i = 0; i < names.size(); ++i) {
                state.values[names[i]] = values.Text(static_cast<int>(i));
            }
        }
        values.Reset();
        installs.Bind(1, recordId);
        while (installs.Step())
            state.installs[installs.Text(0)] = static_cast<int>(installs.Int(1));
        installs.Reset();
    }
}

}  // namespace

std::vector<CollectionChanges> LoadChanges(const std::string& dbPath, const std::string& since) {
    // Read only: a mistyped name must not leave an empty database behind.
    SqliteDb db(dbPath, SqliteDb::Mode::ReadOnly);
    // Read as one snapshot, whatever a collection running meanwhile does.
    SqliteTransaction reading(db, false);
    const std::int64_t id = Pragma(db, "application_id");
    if (id != 0 && id != kApplicationId) {
        throw StoreError(dbPath + ": another program's database, not an inventory");
    }
    {
        SqliteStatement check(db, "SELECT 1 FROM sqlite_master WHERE name = 'collections'");
        if (!check.Step()) throw StoreError(dbPath + ": no collections in this database");
    }
    std::vector<std::pair<std::int64_t, std::string>> collections;
    {
        SqliteStatement list(db, "SELECT id, collected_at FROM collections ORDER BY id");
        while (list.Step()) collections.emplace_back(list.Int(0), list.Text(1));
    }
    std::vector<CollectionChanges> result;
    for (std::size_t i = 1; i < collections.size(); ++i) {
        if (!since.empty() && collections[i].second < since) continue;
        CollectionChanges c;
        c.collection = collections[i].first;
        c.collectedAt = collections[i].second;
        c.previous = collections[i - 1].first;
        c.previousAt = collections[i - 1].second;
        // Only spans that end at the earlier or start at the later collection
        // differ between the two.
        Snapshot before, after;
        LoadStates(db,
                   "SELECT h.name, s.record_id FROM host_records s JOIN hosts h "
                   "ON h.id = s.host_id WHERE s.last_collection = ?",
                   c.previous, before);
        LoadStates(db,
                   "SELECT h.name, s.record_id FROM host_records s JOIN hosts h "
                   "ON h.id = s.host_id WHERE s.first_collection = ?",
                   c.collection, after);
        c.changes = CompareSnapshots(before, after);
        result.push_back(std::move(c));
    }
    reading.Commit();
    return result;
}

}  // namespace zelmo::collector
