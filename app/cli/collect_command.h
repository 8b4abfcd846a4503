#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

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

// The words after "collect"; nothing (after a message on err) for a usage
// error.
std::optional<CollectOptions> ParseCollectOptions(const std::vector<std::string>& args,
                                                  std::ostream& err);

// `collect FOLDER [...]`: reads every record in the save folder and writes the
// outputs asked for. 0: written; 1: written, with problems; 2: run-time
// error; 64: usage error.
int RunCollectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelmo::cli
