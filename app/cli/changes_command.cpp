#include "app/cli/changes_command.h"

#include "collector/changes.h"
#include "collector/inventory_store.h"

namespace zelmo::cli {

std::optional<ChangesOptions> ParseChangesOptions(const std::vector<std::string>& args,
                                                  std::ostream& err) {
    ChangesOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--db" && i + 1 < args.size()) {
            options.dbPath = args[++i];
        } else if (arg == "--since" && i + 1 < args.size()) {
            options.since = args[++i];
            const bool date =
                options.since.size() >= 10 && options.since[4] == '-' && options.since[7] == '-' &&
                options.since.substr(0, 4).find_first_not_of("0123456789") == std::string::npos;
            if (!date) {
                err << "zelmocb-cli: --since wants an ISO date (2026-12-01), not '" << options.since
                    << "'\n";
                return std::nullopt;
            }
        } else {
            err << "zelmocb-cli: unknown argument for changes: '" << arg << "'\n";
            return std::nullopt;
        }
    }
    if (options.dbPath.empty()) {
        err << "zelmocb-cli: changes wants --db FILE\n";
        return std::nullopt;
    }
    return options;
}

int RunChangesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::optional<ChangesOptions> options = ParseChangesOptions(args, err);
    if (!options) return 64;
    try {
        const auto changes = collector::LoadChanges(options->dbPath, options->since);
        out << (options->json ? collector::ChangesJson(changes) : collector::ChangesText(changes));
        return 0;
    } catch (const collector::StoreError& e) {
        err << "zelmocb-cli: " << e.what() << '\n';
        return 2;
    }
}

}  // namespace zelmo::cli
