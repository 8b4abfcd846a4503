#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zelmo::cli {

struct ChangesOptions {
    std::string dbPath;
    std::string since;  // ISO date; empty: every collection
    bool json = false;
};

std::optional<ChangesOptions> ParseChangesOptions(const std::vector<std::string>& args,
                                                  std::ostream& err);

// `changes --db FILE [--since ISO-DATE] [--json]`: per collection, what
// appeared and disappeared against the one before it.
int RunChangesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelmo::cli
