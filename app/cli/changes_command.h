#pragma once

#include <ostream>
#include <string>

namespace CLI {
class App;
}

namespace zelmo::cli {

struct ChangesOptions {
    std::string dbPath;
    std::string since;  // ISO date; empty: every collection
    bool json = false;
};

// zelmocb-cli changes --db FILE [--since ISO-DATE] [--json]; the command's
// exit status goes to status.
void AddChangesCommand(CLI::App& app, int& status);

// Per collection, what appeared and disappeared against the one before it.
// 0: listed; 2: run-time error.
int RunChangesCommand(const ChangesOptions& options, std::ostream& out, std::ostream& err);

}  // namespace zelmo::cli
