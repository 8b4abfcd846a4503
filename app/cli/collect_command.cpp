#include "app/cli/collect_command.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "app/cli/exit_status.h"
#include "app/cli/output_clashes.h"
#include "collector/collect_folder.h"
#include "collector/csv_report.h"
#include "collector/html_report.h"
#include "collector/inventory_store.h"
#include "collector/json_report.h"
#include "collector/usage_error.h"
#include "collector/xlsx_report.h"
#include "platform/output_file.h"
#include "platform/text_codec.h"

namespace zelmo::cli {

void AddCollectCommand(CLI::App& app, int& status) {
    CLI::App* collect = app.add_subcommand(
        "collect", "Collect the save folder's records into a table, a report and a database.");
    auto options = std::make_shared<CollectOptions>();
    const CLI::Validator knownCodePage(
        [](std::string& name) -> std::string {
            return collector::RecordCodec(name).IsKnown()
                       ? ""
                       : "names no code page this system can read: '" + name + "'";
        },
        "NAME");
    collect->add_option("FOLDER", options->folder, "The save folder")->required();
    collect->add_option("--list", options->listPath, "The application list the PCs used")
        ->option_text("FILE");
    collect
        ->add_option("--encoding", options->encoding,
                     "The records' code page (default: this system's ANSI code page)")
        ->option_text("NAME")
        ->check(knownCodePage);
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
    collect->add_option("--xlsx", options->xlsxPath, "Write an Excel workbook")
        ->option_text("FILE");
    CLI::Option* list = collect->get_option("--list");
    CLI::Option* ledger = collect
                              ->add_option("--ledger", options->ledgerPath,
                                           "Check the records against the asset ledger (CSV)")
                              ->option_text("FILE");
    collect
        ->add_option("--ledger-encoding", options->ledgerEncoding,
                     "The ledger's code page (default: UTF-8 with a byte order mark, else the "
                     "records')")
        ->option_text("NAME")
        ->check(knownCodePage)
        ->needs(ledger);
    collect->add_option("--ledger-key", options->ledgerKey, "The ledger's heading of the PC number")
        ->option_text("HEADING")
        ->needs(ledger);
    collect
        ->add_option("--ledger-map", options->ledgerMap,
                     "The ledger's headings of user, location, monitor and host")
        ->option_text("user=H,location=H,monitor=H,host=H")
        ->needs(ledger);
    collect
        ->add_option("--licences", options->licencesPath,
                     "Seats owned per application tag (CSV: tag, seats, note)")
        ->option_text("FILE")
        ->needs(list);
    collect->add_option("--db", options->dbPath, "Add this collection to an SQLite history")
        ->option_text("FILE");
    collect
        ->add_option("--stale-days", options->staleDays,
                     "A record older than N days is a problem (default 365)")
        ->option_text("N")
        ->check(CLI::Range(0, 99999));
    collect->footer(ExitStatusHelp(std::to_string(kExitProblems) +
                                   " done, but some records have problems (each on standard "
                                   "error, the outputs written); "));
    collect->callback(
        [options, &status] { status = RunCollectCommand(*options, std::cout, std::cerr); });
}

namespace {

// An output staged before the database is touched, with the option that named it.
struct PendingOutput {
    std::string option;
    std::string path;
    std::unique_ptr<platform::StagedOutput> staged;
};

std::vector<NamedPath> NamedPaths(const CollectOptions& options) {
    std::vector<NamedPath> paths;
    if (!options.csvPath.empty()) paths.push_back({"--csv", options.csvPath, true});
    if (!options.jsonPath.empty() && options.jsonPath != "-") {
        paths.push_back({"--json", options.jsonPath, true});
    }
    if (!options.htmlPath.empty()) paths.push_back({"--html", options.htmlPath, true});
    if (!options.xlsxPath.empty()) paths.push_back({"--xlsx", options.xlsxPath, true});
    if (!options.ledgerPath.empty()) paths.push_back({"--ledger", options.ledgerPath, false});
    if (!options.licencesPath.empty()) {
        paths.push_back({"--licences", options.licencesPath, false});
    }
    if (!options.dbPath.empty()) paths.push_back({"--db", options.dbPath, false});
    if (!options.listPath.empty()) paths.push_back({"--list", options.listPath, false});
    return paths;
}

collector::CollectSettings SettingsOf(const CollectOptions& options) {
    collector::CollectSettings settings;
    settings.folder = options.folder;
    settings.listPath = options.listPath;
    settings.encoding = options.encoding;
    settings.staleDays = options.staleDays;
    settings.ledger = {options.ledgerPath, options.ledgerEncoding, options.ledgerKey,
                       options.ledgerMap};
    settings.licencesPath = options.licencesPath;
    settings.now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
    return settings;
}

// Every report asked for, each in its temporary file; JSON for standard
// output is kept in jsonOut, to be written once the outputs are in place.
std::vector<PendingOutput> StageReports(const CollectOptions& options,
                                        const collector::Collection& collection,
                                        std::string& jsonOut) {
    std::vector<PendingOutput> outputs;
    const auto stage = [&outputs](const char* option, const std::string& path,
                                  std::span<const std::string_view> parts) {
        outputs.push_back({option, path, platform::StageOutput(path, parts)});
    };
    if (!options.csvPath.empty()) {
        const std::string csv = collector::CsvReport(collection);
        if (options.csvAnsi) {
            const std::string ansi = platform::TextCodec::System().ToAnsi(csv);
            const std::string_view parts[] = {ansi};
            stage("--csv", options.csvPath, parts);
        } else {
            // A byte order mark, so that spreadsheets take the file as UTF-8.
            const std::string_view parts[] = {"\xEF\xBB\xBF", csv};
            stage("--csv", options.csvPath, parts);
        }
    }
    if (!options.jsonPath.empty()) {
        std::string json = collector::JsonReport(collection);
        if (options.jsonPath == "-") {
            jsonOut = std::move(json);
        } else {
            const std::string_view parts[] = {json};
            stage("--json", options.jsonPath, parts);
        }
    }
    if (!options.htmlPath.empty()) {
        const std::string html = collector::HtmlReport(collection);
        const std::string_view parts[] = {html};
        stage("--html", options.htmlPath, parts);
    }
    if (!options.xlsxPath.empty()) {
        const std::string xlsx = collector::XlsxReport(collection);
        const std::string_view parts[] = {xlsx};
        stage("--xlsx", options.xlsxPath, parts);
    }
    return outputs;
}

// After the commit: each output that cannot take its place now is reported
// and the others still go. False when one could not.
bool PublishAll(std::vector<PendingOutput>& outputs, std::ostream& err) {
    bool published = true;
    for (PendingOutput& output : outputs) {
        try {
            output.staged->Publish();
        } catch (const platform::OutputError& e) {
            err << "zelmocb-cli: " << e.what() << " (" << output.option
                << " not written; the collection is in the database)\n";
            published = false;
            continue;
        }
        if (output.staged->How() == platform::StagedOutput::Placement::ReplaceLink) {
            err << "zelmocb-cli: " << output.option << " '" << output.path
                << "' was a link; it is now a file, and what it pointed to is unchanged\n";
        }
    }
    return published;
}

void ReportProblems(const collector::Collection& collection, std::ostream& err) {
    for (const collector::Problem& p : collection.problems) {
        err << collector::TerminalText((p.file.empty() ? "" : p.file + ": ") +
                                       std::string(inventory::ProblemKindName(p.kind)) + ": " +
                                       p.detail)
            << '\n';
    }
    err << collection.hosts.size() << " hosts, " << collection.problems.size() << " problems\n";
    if (collection.ledger) err << collector::LedgerSummary(*collection.ledger) << '\n';
}

}  // namespace

int RunCollectCommand(const CollectOptions& options, std::ostream& out, std::ostream& err) {
    try {
        if (const std::optional<std::string> clash =
                FindOutputClash(NamedPaths(options), options.folder)) {
            err << "zelmocb-cli: " << *clash << "; nothing written\n";
            return kExitUsage;
        }
        const collector::Collection collection = collector::CollectFolder(SettingsOf(options));

        // Every output is written to its temporary file first and the
        // collection committed to the database next; only then do the
        // outputs take their places, so that a run that fails before the
        // commit leaves the reports and the history as they were, and a
        // report is never newer than the history. Unpublished, they go.
        std::string jsonOut;
        std::vector<PendingOutput> outputs = StageReports(options, collection, jsonOut);
        if (!options.dbPath.empty()) collector::SaveCollection(options.dbPath, collection);
        const bool published = PublishAll(outputs, err);
        out << jsonOut;

        ReportProblems(collection, err);
        if (!published) return kExitRunTimeError;
        return collection.AllClear() ? kExitOk : kExitProblems;
    } catch (const collector::UsageError& e) {
        err << "zelmocb-cli: " << e.what() << '\n';
        return kExitUsage;
    } catch (const collector::StoreError& e) {
        err << "zelmocb-cli: " << e.what() << '\n';
        return kExitRunTimeError;
    } catch (const platform::OutputError& e) {
        err << "zelmocb-cli: " << e.what() << "; nothing written\n";
        return kExitRunTimeError;
    } catch (const std::filesystem::filesystem_error& e) {
        err << "zelmocb-cli: " << e.what() << '\n';
        return kExitRunTimeError;
    }
}

}  // namespace zelmo::cli
