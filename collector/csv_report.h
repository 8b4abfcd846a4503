#pragma once

#include <string>
#include <string_view>

#include "collector/collection.h"

namespace zelmo::collector {

// The inventory as a table: a header row, then one row per host (UTF-8, CR LF
// line ends, no byte order mark). With a list, one column per row holding
// the drives it was found on; without one, the items in one column.
std::string CsvReport(const Collection& collection);

// One cell: quoted when it holds a comma, quote or line end, and kept as
// text when a spreadsheet would take it for a formula.
std::string CsvCell(std::string_view value);

}  // namespace zelmo::collector
