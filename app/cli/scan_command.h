#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zelmo::cli {

// zelmocb-cli scan [--list FILE] [--drive L=FOLDER]... [--per-row] [--json]
int RunScanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelmo::cli
