#pragma once

#include <ostream>
#include <string>

namespace CLI {
class App;
}

namespace zelmo::cli {

struct CollectOptions {
    std::string folder;
    std::string listPath;
    std::string encoding;
    std::string csvPath;
    bool csvAnsi = false;
    std::string jsonPath;  // "-": standard output
    std::string htmlPath;
    std::string dbPath;
    int staleDays = 365;
};

// zelmocb-cli collect FOLDER [--list FILE] [--encoding NAME] [--csv FILE]
// [--csv-encoding utf8|ansi] [--json FILE|-] [--html FILE] [--db FILE] [--stale-days N];
// the command's exit status goes to status.
void AddCollectCommand(CLI::App& app, int& status);

// Reads every record in the save folder and writes the outputs asked for.
// 0: written; 1: written, with problems; 2: run-time error (a publish that
// failed after the database commit too); 64: outputs that clash.
int RunCollectCommand(const CollectOptions& options, std::ostream& out, std::ostream& err);

}  // namespace zelmo::cli
