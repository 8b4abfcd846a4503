#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collector/ledger_check.h"
#include "collector/licences.h"
#include "inventory/record_format.h"

namespace zelmo::collector {

using inventory::ProblemKind;

// What a check found in one record file; detail says it for people.
struct Problem {
    std::string file;  // empty for a problem of no record (too few licences)
    ProblemKind kind;
    std::string detail;
};

// One application-list row as a column of the inventory.
struct ApplicationColumn {
    std::string tag;
    std::string displayName;
    // The column's heading: the display name, or the tag when display names
    // repeat in the list.
    std::string label;
};

// One record file as far as it could be read.
struct HostRecord {
    std::string file;  // the file's name in the save folder (UTF-8)
    std::string host;  // the file's name without ".txt": unique in a folder
    inventory::RecordValues values;
    std::vector<std::string> items;  // kept only where there is no list
    // With a list: per column the number of drives the row was found on
    // (0, 1, 2), or -1 when the item does not match its row or is missing.
    std::vector<int> counts;
    std::int64_t recorded = 0;          // the file's modification time, seconds since 1970 UTC
    std::vector<ProblemKind> problems;  // the kinds found in this record

    bool Has(ProblemKind kind) const;
    // Whether the seven values could be read at all.
    bool ValuesRead() const {
        return !Has(ProblemKind::Unreadable) && !Has(ProblemKind::TooFewValues);
    }
    // Notes a problem of this record in both places it is listed.
    void AddProblem(std::vector<Problem>& problems, ProblemKind kind, std::string detail);
    // The kinds' words, space-separated.
    std::string ProblemWords() const;
};

struct Collection {
    std::string folder;
    std::int64_t collectedAt = 0;
    bool hasList = false;
    std::vector<ApplicationColumn> columns;
    std::vector<HostRecord> hosts;      // in host order
    std::vector<Problem> problems;      // in host order, then in the order found
    std::optional<LedgerCheck> ledger;  // when checked against a ledger
    bool hasLicences = false;
    std::vector<Licence> licences;  // with their installs counted

    // Installed applications per host: with a list, each column found on at
    // least one drive; without one, the items as they stand.
    std::vector<std::string> InstalledOn(const HostRecord& host) const;
    // Per application name, the number of hosts that have it, most first.
    std::vector<std::pair<std::string, int>> HostsPerApplication() const;
    std::int64_t LatestRecord() const;
    // No problem, and nothing but matches against the ledger.
    bool AllClear() const { return problems.empty() && (!ledger || ledger->Clean()); }
};

// Text for a terminal: control characters from a record (escape sequences
// included) become '?'.
std::string TerminalText(std::string_view text);

// "2026-12-09T13:20:41Z"
std::string IsoTime(std::int64_t secondsSince1970);

}  // namespace zelmo::collector
