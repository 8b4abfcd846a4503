#pragma once

#include <string>

#include "collector/collection.h"

namespace zelmo::collector {

// The ledger check's results, a table each: matched, in the ledger but not
// collected, collected but not in the ledger, conflicts, repeated keys, and
// records without a PC number. For a collection with a ledger only.
std::string LedgerSection(const Collection& collection);

}  // namespace zelmo::collector
