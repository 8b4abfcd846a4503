#include "app/cli/collect_command.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>

#include "collector/collect_folder.h"
#include "collector/csv_report.h"
#include "collector/html_report.h"
#include "collector/inventory_store.h"
#include "collector/json_report.h"
#include "platform/record_file.h"
#include "platform/text_codec.h"

namespace zelmo::cli {

void AddCollectCommand(CLI::App& app, int& status) {
    CLI::App* collect = app.add_subcommand(
        "collect", "Collect the save folder's records into a table, a report and a database.");
    auto options = std::make_shared<CollectOptions>();
    collect->add_option("FOLDER", options->folder, "The save folder")->required();
    collect->add_option("--list", options->listPath, "The application list the PCs used")
        ->option_text("FILE");
    collect
        ->add_option("--encoding", options->encoding,
                     "The records' code page (default: this system's ANSI code page)")
        ->option_text("NAME")
        ->check(CLI::Validator(
            [](std::string& name) -> std::string {
                return collector::RecordCodec(name).IsKnown()
                           ? ""
                           : "names no code page this system can read: '" + name + "'";
            },
            "NAME"));
    collect->add_option("--csv", options->csvPath, "Write the hosts table as CSV")
        ->option_text("FILE");
    collect
        ->add_option_function<std::string>(
            "--csv-encoding",
            [options](const std::string& name) { options->csvAnsi = name == "ansi"; },
            "utf8 (with a byte order mark, the default) or ansi")
        ->check(CLI::IsMember({"utf8", "ansi"}))
        ->option_text("utf8|ansi");
    collect
        ->add_option("--json", options->jsonPath,
                     "Write the inventory as JSON (-: standard output)")
        ->option_text("FILE|-");
    collect->add_option("--html", options->htmlPath, "Write a self-contained HTML report")
        ->option_text("FILE");
    collect->add_option("--db", options->dbPath, "Add this collection to an SQLite history")
        ->option_text("FILE");
    collect
        ->add_option("--stale-days", options->staleDays,
                     "A record older than N days is a problem (default 365)")
        ->option_text("N")
        ->check(CLI::Range(0, 99999));
    collect->callback(
        [options, &status] { status = RunCollectCommand(*options, std::cout, std::cerr); });
}

int RunCollectCommand(const CollectOptions& options, std::ostream& out, std::ostream& err) {
    try {
        collector::CollectSettings settings;
        settings.folder = options.folder;
        settings.listPath = options.listPath;
        settings.encoding = options.encoding;
        settings.staleDays = options.staleDays;
        settings.now = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
        const collector::Collection collection = collector::CollectFolder(settings);

        // Each output replaces its file in one step: a failed run leaves the
        // last report in place.
        const auto files = platform::OpenSystemRecordFiles();
        if (!options.csvPath.empty()) {
            const std::string csv = collector::CsvReport(collection);
            if (options.csvAnsi) {
                files->ReplaceContents(options.csvPath, platform::TextCodec::System().ToAnsi(csv));
            } else {
                // A byte order mark, so that spreadsheets take the file as UTF-8.
                const std::string_view parts[] = {"\xEF\xBB\xBF", csv};
                files->ReplaceContents(options.csvPath, parts);
            }
        }
        if (!options.jsonPath.empty()) {
            const std::string json = collector::JsonReport(collection);
            if (options.jsonPath == "-") {
                out << json;
            } else {
                files->ReplaceContents(options.jsonPath, json);
            }
        }
        if (!options.htmlPath.empty()) {
            files->ReplaceContents(options.htmlPath, collector::HtmlReport(collection));
        }
        if (!options.dbPath.empty()) collector::SaveCollection(options.dbPath, collection);

        for (const collector::Problem& p : collection.problems) {
            err << collector::TerminalText(p.file + ": " +
                                           std::string(inventory::ProblemKindName(p.kind)) + ": " +
                                           p.detail)
                << '\n';
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
