#pragma once

#include <optional>
#include <string>
#include <vector>

#include "collector/csv_table.h"
#include "platform/text_codec.h"

namespace zelmo::collector {

// Where the ledger is and how to read it, as the command line gave it.
struct LedgerSettings {
    std::string path;
    std::string encoding;    // empty: UTF-8 with a byte order mark, else the records'
    std::string keyHeading;  // empty: a usual heading for the PC number
    std::string map;         // "user=使用者,location=設置場所,monitor=...,host=..."
};

// The organisation's asset ledger: its table and which columns hold what.
// Columns not named here are carried to the results as they are.
struct Ledger {
    CsvTable table;
    std::size_t key = 0;  // the PC inventory number
    std::optional<std::size_t> user;
    std::optional<std::size_t> location;
    std::optional<std::size_t> monitor;
    std::optional<std::size_t> host;
};

// Reads the ledger and finds its columns by their headings. A ledger without
// a key column, a heading named but not there or a bad --ledger-map raise a
// UsageError naming the file and what is missing.
Ledger ReadLedger(const LedgerSettings& settings, const platform::TextCodec& recordCodec);

}  // namespace zelmo::collector
