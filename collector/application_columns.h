#pragma once

#include <string>
#include <vector>

#include "collector/collection.h"
#include "platform/text_codec.h"

namespace zelmo::collector {

// The application list's rows as inventory columns, read with the program's
// field rules in the records' code page (a list saved with a byte order mark
// is read as UTF-8). Raises a RunTimeError naming the list when it is
// missing or ends inside a row.
std::vector<ApplicationColumn> ReadApplicationColumns(const std::string& listPath,
                                                      const platform::TextCodec& codec);

// Matches item i against row i: the row's tag followed by its display name
// 0, 1 or 2 times. Fills record.counts (-1 where an item is missing or does
// not match) and reports a count or content mismatch as a problem.
void MatchItems(HostRecord& record, const std::vector<ApplicationColumn>& columns,
                std::vector<Problem>& problems);

}  // namespace zelmo::collector
