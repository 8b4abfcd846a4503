#include "collector/inventory_store.h"

#include <unordered_map>
#include <vector>

#include "collector/inventory_schema.h"
#include "collector/sqlite_handle.h"
#include "collector/stored_record.h"

namespace zelmo::collector {
namespace {

// A record's values are stored once and referenced by a span of collections
// for as long as they stay the same: an open span (no last collection) costs
// nothing a night. A changed record closes its host's span and opens a new
// one; a host gone closes its span.
struct Span {
    std::int64_t hostId;
    std::int64_t first;
    std::int64_t digest;
    bool seen = false;
};

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

// One collection added to an open database, inside the caller's transaction.
class CollectionWriter {
  public:
    CollectionWriter(SqliteDb& db, const Collection& collection)
        : db_(db), collection_(collection) {}

    void Write() {
        previous_ = LastCollection();
        current_ = AddCollection();
        ReadOpenSpans();
        ReadLastTimes();
        for (const HostRecord& h : collection_.hosts) WriteHost(h);
        // A host whose record is gone ends its span with the collection before.
        for (const auto& [host, span] : open_) {
            if (!span.seen)
                close_.Bind(1, previous_).Bind(2, span.hostId).Bind(3, span.first).Run();
        }
        WriteProblems();
    }

  private:
    std::int64_t LastCollection() {
        SqliteStatement last(db_, "SELECT IFNULL(MAX(id), 0) FROM collections");
        return last.Step() ? last.Int(0) : 0;
    }

    std::int64_t AddCollection() {
        std::int64_t kept = 0;
        for (const Problem& p : collection_.problems) kept += Kept(p.kind) ? 1 : 0;
        SqliteStatement add(
            db_, "INSERT INTO collections(collected_at, folder, hosts, problems) VALUES(?,?,?,?)");
        add.Bind(1, IsoTime(collection_.collectedAt))
            .Bind(2, collection_.folder)
            .Bind(3, static_cast<std::int64_t>(collection_.hosts.size()))
            .Bind(4, kept)
            .Run();
        return sqlite3_last_insert_rowid(db_.get());
    }

    void ReadOpenSpans() {
        SqliteStatement spans(db_,
                              "SELECT h.name, s.host_id, s.first_collection, r.digest "
                              "FROM host_records s JOIN records r ON r.id = s.record_id "
                              "JOIN hosts h ON h.id = s.host_id WHERE s.last_collection IS NULL");
        while (spans.Step()) open_[spans.Text(0)] = {spans.Int(1), spans.Int(2), spans.Int(3)};
    }

    // Each host's time as last stored, by host id.
    void ReadLastTimes() {
        SqliteStatement times(db_,
                              "SELECT h.id, (SELECT t.recorded_at FROM recorded_times t "
                              "WHERE t.host_id = h.id ORDER BY t.collection_id DESC LIMIT 1) "
                              "FROM hosts h");
        while (times.Step()) {
            if (!times.IsNull(1)) lastTimes_[times.Int(0)] = times.Int(1);
        }
    }

    void WriteHost(const HostRecord& h) {
        const Installs installs = InstallsOf(collection_, h);
        const std::string problems = KeptProblemWords(h);
        const std::int64_t digest = Digest(h.file, h.values, installs, problems);
        const auto span = open_.find(h.host);
        std::int64_t hostId = 0;
        bool unchanged = false;
        if (span != open_.end()) {
            span->second.seen = true;
            hostId = span->second.hostId;
            unchanged = span->second.digest == digest;
            if (!unchanged)
                close_.Bind(1, previous_).Bind(2, hostId).Bind(3, span->second.first).Run();
        } else {
            hostId = IdFor(db_, findHost_, addHost_, hostIds_, h.host);
        }
        if (!unchanged) {
            const std::int64_t recordId = RecordFor(hostId, digest, h, installs, problems);
            addSpan_.Bind(1, hostId).Bind(2, recordId).Bind(3, current_).Run();
        }
        const auto last = lastTimes_.find(hostId);
        if (last == lastTimes_.end() || last->second != h.recorded) {
            addTime_.Bind(1, hostId).Bind(2, current_).Bind(3, h.recorded).Run();
        }
    }

    // A record that returns to an earlier content takes that record again.
    std::int64_t RecordFor(std::int64_t hostId, std::int64_t digest, const HostRecord& h,
                           const Installs& installs, const std::string& problems) {
        std::int64_t recordId = 0;
        findRecord_.Bind(1, hostId).Bind(2, digest);
        if (findRecord_.Step()) recordId = findRecord_.Int(0);
        findRecord_.Reset();
        if (recordId != 0) return recordId;
        addRecord_.Bind(1, hostId).Bind(2, digest).Bind(3, h.file);
        int column = 4;
        for (const inventory::RecordField& field : inventory::kRecordFields) {
            addRecord_.Bind(column++, h.values.*field.value);
        }
        addRecord_.Bind(column, problems).Run();
        recordId = sqlite3_last_insert_rowid(db_.get());
        for (const auto& [name, drives] : installs) {
            addInstall_.Bind(1, recordId)
                .Bind(2, IdFor(db_, findApp_, addApp_, appIds_, name))
                .Bind(3, static_cast<std::int64_t>(drives))
                .Run();
        }
        return recordId;
    }

    void WriteProblems() {
        SqliteStatement add(
            db_, "INSERT INTO problems(collection_id, file, kind, detail) VALUES(?,?,?,?)");
        for (const Problem& p : collection_.problems) {
            if (!Kept(p.kind)) continue;
            add.Bind(1, current_)
                .Bind(2, p.file)
                .Bind(3, inventory::ProblemKindName(p.kind))
                .Bind(4, p.detail)
                .Run();
        }
    }

    SqliteDb& db_;
    const Collection& collection_;
    std::int64_t previous_ = 0;
    std::int64_t current_ = 0;
    std::unordered_map<std::string, Span> open_;  // by host name
    std::unordered_map<std::int64_t, std::int64_t> lastTimes_;
    std::unordered_map<std::string, std::int64_t> hostIds_;
    std::unordered_map<std::string, std::int64_t> appIds_;

    SqliteStatement findHost_{db_, "SELECT id FROM hosts WHERE name = ?"};
    SqliteStatement addHost_{db_, "INSERT INTO hosts(name) VALUES(?)"};
    SqliteStatement findApp_{db_, "SELECT id FROM applications WHERE name = ?"};
    SqliteStatement addApp_{db_, "INSERT INTO applications(name) VALUES(?)"};
    SqliteStatement close_{db_,
                           "UPDATE host_records SET last_collection = ? "
                           "WHERE host_id = ? AND first_collection = ?"};
    SqliteStatement addRecord_{db_,
                               ("INSERT INTO records(host_id, digest, file" + RecordValueColumns() +
                                ", problems) VALUES(?,?,?,?,?,?,?,?,?,?,?)")
                                   .c_str()};
    static_assert(inventory::kRecordValueCount == 7, "one placeholder per value above");
    SqliteStatement findRecord_{db_,
                                "SELECT id FROM records WHERE host_id = ? AND digest = ? "
                                "ORDER BY id LIMIT 1"};
    SqliteStatement addInstall_{
        db_, "INSERT INTO installs(record_id, application_id, drives) VALUES(?,?,?)"};
    SqliteStatement addSpan_{db_,
                             "INSERT INTO host_records(host_id, record_id, first_collection, "
                             "last_collection) VALUES(?,?,?,NULL)"};
    SqliteStatement addTime_{
        db_, "INSERT INTO recorded_times(host_id, collection_id, recorded_at) VALUES(?,?,?)"};
};

}  // namespace

void SaveCollection(const std::string& dbPath, const Collection& collection) {
    SqliteDb db(dbPath, SqliteDb::Mode::ReadWriteCreate);
    db.Exec("PRAGMA foreign_keys = ON");
    SqliteTransaction transaction(db);
    BringSchemaUpToDate(db, CheckOwnDatabase(db));
    CollectionWriter(db, collection).Write();
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
