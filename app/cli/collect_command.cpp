#include "app/cli/collect_command.h"

#include <chrono>
#include <filesystem>

#include "collector/collect_folder.h"
#include "collector/csv_report.h"
#include "collector/html_report.h"
#include "collector/inventory_store.h"
#include "collector/json_report.h"
#include "platform/record_file.h"
#include "platform/text_codec.h"

namespace zelmo::cli {

std::optional<CollectOptions> ParseCollectOptions(const std::vector<std::string>& args,
                                                  std::ostream& err) {
    CollectOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--list" && hasValue) {
            options.listPath = args[++i];
        } else if (arg == "--encoding" && hasValue) {
            options.encoding = args[++i];
        } else if (arg == "--csv" && hasValue) {
            options.csvPath = args[++i];
        } else if (arg == "--csv-encoding" && hasValue) {
            const std::string& name = args[++i];
            if (name != "ansi" && name != "utf8") {
                err << "zelmocb-cli: --csv-encoding wants utf8 or ansi, not '" << name << "'\n";
                return std::nullopt;
            }
            options.csvAnsi = name == "ansi";
        } else if (arg == "--json" && hasValue) {
            options.jsonPath = args[++i];
        } else if (arg == "--html" && hasValue) {
            options.htmlPath = args[++i];
        } else if (arg == "--db" && hasValue) {
            options.dbPath = args[++i];
        } else if (arg == "--stale-days" && hasValue) {
            const std::string& days = args[++i];
            if (days.empty() || days.size() > 5 ||
                days.find_first_not_of("0123456789") != std::string::npos) {
                err << "zelmocb-cli: --stale-days wants a number of days, not '" << days << "'\n";
                return std::nullopt;
            }
            options.staleDays = std::stoi(days);
        } else if (!arg.starts_with("--") && options.folder.empty()) {
            options.folder = arg;
        } else {
            err << "zelmocb-cli: unknown argument for collect: '" << arg << "'\n";
            return std::nullopt;
        }
    }
    if (options.folder.empty()) {
        err << "zelmocb-cli: collect wants the save folder\n";
        return std::nullopt;
    }
    return options;
}

int RunCollectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::optional<CollectOptions> options = ParseCollectOptions(args, err);
    if (!options) return 64;
    try {
        if (!options->dbPath.empty() && !collector::StoreAvailable()) {
            collector::SaveCollection(options->dbPath, {});  // raises the explanation
        }

        collector::CollectSettings settings;
        settings.folder = options->folder;
        settings.listPath = options->listPath;
        settings.encoding = options->encoding;
        settings.staleDays = options->staleDays;
        settings.now = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
        const collector::Collection collection = collector::CollectFolder(settings);

        // Each output replaces its file in one step: a failed run leaves the
        // last report in place.
        const auto files = platform::OpenSystemRecordFiles();
        if (!options->csvPath.empty()) {
            const std::string csv = collector::CsvReport(collection);
            files->ReplaceContents(options->csvPath, options->csvAnsi
                                                         ? platform::TextCodec::System().ToAnsi(csv)
                                                         : "\xEF\xBB\xBF" + csv);
        }
        if (!options->jsonPath.empty()) {
            const std::string json = collector::JsonReport(collection);
            if (options->jsonPath == "-") {
                out << json;
            } else {
                files->ReplaceContents(options->jsonPath, json);
            }
        }
        if (!options->htmlPath.empty()) {
            files->ReplaceContents(options->htmlPath, collector::HtmlReport(collection));
        }
        if (!options->dbPath.empty()) collector::SaveCollection(options->dbPath, collection);

        for (const collector::Problem& p : collection.problems) {
            err << collector::TerminalText(p.file + ": " + p.kind + ": " + p.detail) << '\n';
        }
        err << collection.hosts.size() << " hosts, " << collection.problems.size() << " problems\n";
        return collection.problems.empty() ? 0 : 1;
    } catch (const collector::StoreError& e) {
        err << "zelmocb-cli: " << e.what() << '\n';
        return 2;
    } catch (const std::filesystem::filesystem_error& e) {
        err << "zelmocb-cli: " << e.what() << '\n';
        return 2;
    }
}

}  // namespace zelmo::cli
