#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "inventory/application_list_scan.h"

namespace CLI {
class App;
}

namespace zelmo::cli {

// What `record` is asked to do. A typed fact left unset comes from this
// host's existing record.
struct RecordOptions {
    std::optional<std::string> name;
    std::optional<std::string> pc;
    std::optional<std::string> monitor;
    std::optional<std::string> location;
    std::string listPath = inventory::kApplicationListName;
    bool dryRun = false;
    int waitSeconds = 0;   // how long an unreachable save folder is retried
    int delaySeconds = 0;  // the longest random wait before starting
};

// zelmocb-cli record [--name TEXT] [--pc TEXT] [--monitor TEXT] [--location TEXT]
// [--list FILE] [--dry-run] [--wait SECONDS] [--delay SECONDS]; the command's
// exit status goes to status.
void AddRecordCommand(CLI::App& app, int& status);

// Collects the inventory and files this host's record as OK does.
// 0: filed (or shown, with dryRun); 2: the existing record cannot be used or
// a run-time error; 64: a fact is missing and no record holds it.
int RunRecordCommand(const RecordOptions& options, std::ostream& out, std::ostream& err);

}  // namespace zelmo::cli
