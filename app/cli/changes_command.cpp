#include "app/cli/changes_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>

#include "app/cli/exit_status.h"
#include "collector/changes.h"
#include "collector/inventory_store.h"

namespace zelmo::cli {

void AddChangesCommand(CLI::App& app, int& status) {
    CLI::App* changes = app.add_subcommand(
        "changes", "List what appeared and disappeared between consecutive collections.");
    auto options = std::make_shared<ChangesOptions>();
    changes->add_option("--db", options->dbPath, "The collections' SQLite database")
        ->option_text("FILE")
        ->required();
    changes->add_option("--since", options->since, "Only collections from this date on")
        ->option_text("ISO-DATE")
        ->check(CLI::Validator(
            [](std::string& since) -> std::string {
                const std::optional<std::string> time = collector::HistoryTime(since);
                if (!time) {
                    return "wants a date (2026-12-01) or a UTC time (2026-12-01T08:30:00Z), "
                           "not '" +
                           since + "'";
                }
                since = *time;
                return "";
            },
            "ISO-DATE"));
    changes->add_flag("--json", options->json, "One JSON document instead of text");
    changes->footer(ExitStatusHelp());
    changes->callback(
        [options, &status] { status = RunChangesCommand(*options, std::cout, std::cerr); });
}

int RunChangesCommand(const ChangesOptions& options, std::ostream& out, std::ostream& err) {
    try {
        const auto changes = collector::LoadChanges(options.dbPath, options.since);
        out << (options.json ? collector::ChangesJson(changes) : collector::ChangesText(changes));
        return kExitOk;
    } catch (const collector::StoreError& e) {
        err << "zelmocb-cli: " << e.what() << '\n';
        return kExitRunTimeError;
    }
}

}  // namespace zelmo::cli
