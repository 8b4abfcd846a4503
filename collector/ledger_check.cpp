#include "collector/ledger_check.h"

#include <unordered_map>

#include "collector/collection.h"
#include "collector/typed_number.h"

namespace zelmo::collector {
namespace {

struct Compared {
    const char* field;
    std::optional<std::size_t> column;
    std::string inventory::RecordValues::*value;  // null: the file's host
    bool number;
};

bool SameValue(const std::string& a, const std::string& b, bool number) {
    return number ? NumberKey(a).key == NumberKey(b).key : TextKey(a) == TextKey(b);
}

// The ledger's rows by key and by host. A key's later rows are reported as
// repeats, not as PCs that were never collected.
struct LedgerIndex {
    std::unordered_map<std::string, std::size_t> rowOf;
    std::unordered_map<std::string, std::size_t> rowOfHost;
    std::vector<bool> accounted;
};

LedgerIndex IndexLedger(LedgerCheck& check) {
    const CsvTable& table = check.ledger.table;
    const std::size_t keyColumn = check.ledger.key;
    LedgerIndex index;
    index.accounted.assign(table.rows.size(), false);
    std::unordered_map<std::string, std::size_t> repeatOf;  // key -> index in duplicateKeys
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const std::string key = NumberKey(table.rows[r][keyColumn]).key;
        if (key.empty()) continue;
        const auto [first, added] = index.rowOf.emplace(key, r);
        if (added) continue;
        index.accounted[r] = true;
        auto [repeat, isNew] = repeatOf.emplace(key, check.duplicateKeys.size());
        if (isNew)
            check.duplicateKeys.push_back({table.rows[first->second][keyColumn], {first->second}});
        check.duplicateKeys[repeat->second].rows.push_back(r);
    }
    if (check.ledger.host) {
        for (std::size_t r = table.rows.size(); r-- > 0;) {
            const std::string host = TextKey(table.rows[r][*check.ledger.host]);
            if (!host.empty()) index.rowOfHost[host] = r;
        }
    }
    return index;
}

// The record's values that the ledger's row claims otherwise, each a
// conflict; the problem's text lists them all.
std::string Differences(LedgerCheck& check, const HostRecord& record, std::size_t h,
                        std::size_t row) {
    const Compared compared[] = {
        {"user", check.ledger.user, &inventory::RecordValues::name, false},
        {"location", check.ledger.location, &inventory::RecordValues::location, false},
        {"monitor", check.ledger.monitor, &inventory::RecordValues::monitor, true},
        {"host", check.ledger.host, nullptr, false},
    };
    const std::vector<std::string>& values = check.ledger.table.rows[row];
    std::string differences;
    for (const Compared& c : compared) {
        if (!c.column) continue;
        const std::string& theirs = values[*c.column];
        const std::string& ours = c.value ? record.values.*c.value : record.host;
        // An empty cell claims nothing.
        if (theirs.empty() || SameValue(ours, theirs, c.number)) continue;
        check.conflicts.push_back({h, row, c.field, ours, theirs});
        if (!differences.empty()) differences += "; ";
        differences +=
            std::string(c.field) + " \"" + ours + "\", the ledger has \"" + theirs + "\"";
    }
    return differences;
}

}  // namespace

void CheckAgainstLedger(Collection& collection, Ledger ledger) {
    LedgerCheck check;
    check.ledger = std::move(ledger);
    const CsvTable& table = check.ledger.table;
    const std::size_t keyColumn = check.ledger.key;
    LedgerIndex index = IndexLedger(check);

    for (std::size_t h = 0; h < collection.hosts.size(); ++h) {
        HostRecord& record = collection.hosts[h];
        if (!record.ValuesRead()) continue;
        const TypedNumber pc = NumberKey(record.values.pc);
        std::optional<std::size_t> row;
        bool byHost = false;
        if (pc.key.empty()) {
            const auto found = index.rowOfHost.find(TextKey(record.host));
            if (found != index.rowOfHost.end()) {
                row = found->second;
                byHost = true;
            }
            check.noPcNumber.push_back({h, row});
            record.AddProblem(collection.problems, ProblemKind::NoPcNumber,
                              row ? "no PC number; the ledger's row " +
                                        std::to_string(table.lines[*row]) + " has this host"
                                  : std::string("no PC number"));
        } else if (const auto found = index.rowOf.find(pc.key); found != index.rowOf.end()) {
            row = found->second;
        } else {
            check.notInLedger.push_back(h);
            record.AddProblem(collection.problems, ProblemKind::NotInLedger,
                              "PC number \"" + record.values.pc + "\" is not in the ledger");
        }
        if (!row) continue;
        index.accounted[*row] = true;
        const std::string& key = table.rows[*row][keyColumn];
        check.matched.push_back({h, *row, byHost,
                                 !byHost && (pc.zerosDropped || NumberKey(key).zerosDropped) &&
                                     TextKey(record.values.pc) != TextKey(key)});
        const std::string differences = Differences(check, record, h, *row);
        if (!differences.empty()) {
            record.AddProblem(collection.problems, ProblemKind::LedgerConflict, differences);
        }
    }
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        if (!index.accounted[r]) check.notCollected.push_back(r);
    }
    collection.ledger = std::move(check);
}

std::string LedgerSummary(const LedgerCheck& check) {
    return "ledger: " + std::to_string(check.matched.size()) + " matched, " +
           std::to_string(check.notCollected.size()) + " not collected, " +
           std::to_string(check.notInLedger.size()) + " not in the ledger, " +
           std::to_string(check.conflicts.size()) + " conflicts, " +
           std::to_string(check.duplicateKeys.size()) + " repeated keys, " +
           std::to_string(check.noPcNumber.size()) + " without a PC number";
}

}  // namespace zelmo::collector
