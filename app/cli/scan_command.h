#pragma once

#include <iosfwd>
#include <string>

#include "inventory/application_list_scan.h"
#include "platform/drives.h"

namespace CLI {
class App;
}

namespace zelmo::cli {

// What `scan` is asked to do. One walk per drive answers every row; perRow
// walks the drives afresh for each row instead, the plainest search, to
// compare with. threads is how many folders are read at once (0: one per
// core).
struct ScanOptions {
    std::string listPath = inventory::kApplicationListName;
    platform::DriveOverrides drives;
    bool perRow = false;
    unsigned threads = 0;
    bool json = false;
};

// zelmocb-cli scan [--list FILE] [--drive L=FOLDER]... [--per-row] [--threads N] [--json]
void AddScanCommand(CLI::App& app);

void RunScanCommand(const ScanOptions& options, std::ostream& out, std::ostream& err);

}  // namespace zelmo::cli
