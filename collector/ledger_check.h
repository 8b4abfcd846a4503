#pragma once

#include <string>
#include <vector>

#include "collector/ledger.h"

namespace zelmo::collector {

struct Collection;

// A record and the ledger row it was matched with.
struct LedgerMatch {
    std::size_t host;           // index into Collection::hosts
    std::size_t row;            // index into the ledger's rows
    bool byHost = false;        // the record has no PC number; matched by host name
    bool zerosIgnored = false;  // the numbers differ only in leading zeros
};

// A matched record and its row differing in one value.
struct LedgerConflict {
    std::size_t host;
    std::size_t row;
    std::string field;  // "user", "location", "monitor", "host"
    std::string recordValue;
    std::string ledgerValue;
};

// A key the ledger gives more than one row.
struct DuplicateKey {
    std::string key;  // as the first of its rows has it
    std::vector<std::size_t> rows;
};

// A record without a PC number, and the row its host name found, if any.
struct UnnumberedRecord {
    std::size_t host;
    std::optional<std::size_t> row;
};

// The collection checked against the ledger.
struct LedgerCheck {
    Ledger ledger;
    std::vector<LedgerMatch> matched;
    std::vector<std::size_t> notCollected;  // ledger rows no record matched
    std::vector<std::size_t> notInLedger;   // records whose number the ledger lacks
    std::vector<LedgerConflict> conflicts;
    std::vector<DuplicateKey> duplicateKeys;
    std::vector<UnnumberedRecord> noPcNumber;

    // Nothing but matches.
    bool Clean() const {
        return notCollected.empty() && notInLedger.empty() && conflicts.empty() &&
               duplicateKeys.empty() && noPcNumber.empty();
    }
};

// Matches each record's PC number against the ledger's key, both as people
// type them (see NumberKey), and stores the results in collection.ledger.
// Records get the problems not-in-ledger, ledger-conflict and no-pc-number;
// ledger rows are no records and get none.
void CheckAgainstLedger(Collection& collection, Ledger ledger);

// "ledger: 30 matched, 2 not collected, ..." for the terminal.
std::string LedgerSummary(const LedgerCheck& check);

}  // namespace zelmo::collector
