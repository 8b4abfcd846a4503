#include "collector/usage_error.h"
#include "collector/xlsx_report.h"

// Builds without the spreadsheet library keep the other outputs.
namespace zelmo::collector {
namespace {

constexpr const char* kNoWorkbook =
    "--xlsx: this zelmocb-cli was built without workbook support; use --csv, or the Linux "
    "build for the workbook";

}  // namespace

void RequireWorkbook() { throw UsageError(kNoWorkbook); }

std::string XlsxReport(const Collection&) { throw UsageError(kNoWorkbook); }

}  // namespace zelmo::collector
