#pragma once

#include <cstdint>
#include <string>

#include "collector/collection.h"
#include "collector/ledger.h"
#include "platform/text_codec.h"

namespace zelmo::collector {

struct CollectSettings {
    std::string folder;
    std::string listPath;  // empty: items are kept as they stand
    std::string encoding;  // empty: the system's ANSI code page
    int staleDays = 365;
    std::int64_t now = 0;           // seconds since 1970 UTC
    LedgerSettings ledger = {};     // path empty: no ledger
    std::string licencesPath = {};  // empty: no licence file; needs the list
};

// The code page a name or number stands for ("CP932", "932", "SHIFT_JIS").
platform::TextCodec RecordCodec(const std::string& encoding);

// Reads and checks every record in the folder, and the collection against
// the ledger and the licences when given. Problems with single records are
// collected, never raised; a folder or list that cannot be read raises a
// RunTimeError; a ledger or licence file that cannot be used a UsageError,
// before any record is read.
Collection CollectFolder(const CollectSettings& settings);

}  // namespace zelmo::collector
