#include "app/cli/scan_command.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <cctype>
#include <chrono>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/cli/exit_status.h"
#include "app/cli/progress_line.h"
#include "app/services/settings.h"
#include "inventory/application_list_scan.h"
#include "inventory/indexed_scan.h"
#include "platform/ascii.h"
#include "platform/drives.h"
#include "platform/file_system.h"
#include "platform/forwarding_file_system.h"
#include "platform/runtime_error.h"
#include "platform/terminal.h"

namespace zelmo::cli {
namespace {

// Counts the folders listed, for the report.
class CountingFileSystem : public platform::ForwardingFileSystem {
  public:
    using ForwardingFileSystem::ForwardingFileSystem;
    bool ListFolder(const std::string& folder,
                    const std::function<void(const platform::FolderEntry&)>& visit) override {
        ++folders_;
        return inner_.ListFolder(folder, visit);
    }
    long long Folders() const { return folders_; }

  private:
    std::atomic<long long> folders_{0};
};

}  // namespace

void RunScanCommand(const ScanOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& listPath = options.listPath;
    platform::ConfigureDrives(app::SettingsPath(), options.drives);
    const auto system = platform::OpenSystemFileSystem();
    CountingFileSystem fs(*system);
    // Progress only where a person watches it: not into a pipe or file, and
    // not beside JSON that a program reads.
    ProgressLine progress(
        err, [&fs] { return "Folders searched: " + std::to_string(fs.Folders()); },
        platform::StandardErrorIsTerminal() &&
            !(options.json && !platform::StandardOutputIsTerminal()));
    StderrMessages messages(progress);
    std::vector<std::string> entries;
    std::string summary;
    const inventory::ScanTarget target{[&](const std::string& entry) { entries.push_back(entry); },
                                       summary, messages};
    const auto start = std::chrono::steady_clock::now();
    if (options.perRow) {
        // Two walks per row, each drive searched afresh for each file: slow, but
        // the plainest search, against which the indexed scan is checked.
        inventory::PerRowSearch search(fs);
        inventory::ScanApplicationList(listPath, search, target);
    } else {
        inventory::ScanApplicationListIndexed(listPath, fs, target, options.threads);
    }
    progress.Stop();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (options.json) {
        nlohmann::ordered_json report;
        report["entries"] = entries;
        report["summary"] = summary;
        report["list_errors"] = messages.Count();
        report["folders"] = fs.Folders();
        report["seconds"] = seconds;
        out << report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        for (const std::string& entry : entries) out << entry << '\n';
        out << "Summary: " << summary << '\n';
        out << "Folders searched: " << fs.Folders() << ", list errors: " << messages.Count() << ", "
            << seconds << " s\n";
    }
}

void AddScanCommand(CLI::App& app) {
    CLI::App* scan = app.add_subcommand(
        "scan", "Run the application scan as the program does and print what it finds.");
    auto options = std::make_shared<ScanOptions>();
    auto drives = std::make_shared<std::vector<std::string>>();
    scan->add_option("--list", options->listPath,
                     "The application list (default: ZelmoAppl.csv in the current folder)")
        ->option_text("FILE");
    scan->add_option("--drive", *drives,
                     "Search FOLDER as drive LETTER (Linux; repeatable), over the [Drives] "
                     "section of " +
                         std::string(app::kSettingsFileName) + " (read from " +
                         app::SettingsOrder() + ")")
        ->option_text("LETTER=FOLDER")
        ->check(CLI::Validator(
            [](std::string& mapping) -> std::string {
                if (mapping.size() < 3 || mapping[1] != '=' ||
                    !std::isalpha(static_cast<unsigned char>(mapping[0]))) {
                    return "wants LETTER=FOLDER, not '" + mapping + "'";
                }
                return "";
            },
            "LETTER=FOLDER"));
    scan->add_flag("--per-row", options->perRow,
                   "Walk the drives afresh for each row, the plainest search, to compare with");
    scan->add_option("--threads", options->threads,
                     "Folders read at once (default 0: one per core)")
        ->option_text("N")
        ->check(CLI::Range(0u, 999u));
    scan->add_flag("--json", options->json,
                   "One JSON object: {\"entries\", \"summary\", \"list_errors\", "
                   "\"folders\", \"seconds\"}");
    scan->footer(ExitStatusHelp());
    scan->callback([options, drives] {
        for (const std::string& mapping : *drives) {
            options->drives[platform::AsciiUpper(mapping[0])] = mapping.substr(2);
        }
        RunScanCommand(*options, std::cout, std::cerr);
    });
}

}  // namespace zelmo::cli
