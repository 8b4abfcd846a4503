#include "collector/inventory_schema.h"

#include <utility>
#include <vector>

#include "collector/stored_record.h"
#include "inventory/record_format.h"

namespace zelmo::collector {
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

// Version 1 to 2: the records' times move to recorded_times, and every
// record is keyed again by its content alone.
void MigrateToVersion2(SqliteDb& db) {
    db.Exec(Schema(kSchemaV2).c_str());
    SqliteStatement records(
        db, ("SELECT id, file, problems" + RecordValueColumns() + " FROM records").c_str());
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

}  // namespace

std::int64_t Pragma(SqliteDb& db, const char* name) {
    SqliteStatement read(db, (std::string("PRAGMA ") + name).c_str());
    return read.Step() ? read.Int(0) : 0;
}

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

void BringSchemaUpToDate(SqliteDb& db, std::int64_t version) {
    if (version == 0) db.Exec(Schema(kSchemaV1).c_str());
    if (version < 2) MigrateToVersion2(db);
    db.Exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
    db.Exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
}

std::string RecordValueColumns() {
    std::string columns;
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        columns += ", " + std::string(field.key);
    }
    return columns;
}

}  // namespace zelmo::collector
