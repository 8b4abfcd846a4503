#pragma once

#include <string>

#include "collector/collection.h"

namespace zelmo::collector {

// The collection as an Excel workbook (its bytes, written by the spreadsheet
// library in a private temporary folder): the sheets Hosts, Applications and
// Problems, and with a ledger one sheet per result. Values typed by people
// stay text cells; memory, counts and times are numbers and dates. Raises a
// RunTimeError when the library cannot write it.
std::string XlsxReport(const Collection& collection);

}  // namespace zelmo::collector
