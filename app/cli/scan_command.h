#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zelmo::cli {

// zelmocb-cli scan [--list FILE] [--drive L=FOLDER]... [--per-row] [--threads N] [--json]
// One walk per drive answers every row; --per-row walks the drives for each
// row instead, as the program always did, to compare with. --threads
// sets how many folders are read at once (default: one per core).
int RunScanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelmo::cli
