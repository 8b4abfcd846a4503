#include "app/cli/record_command.h"

#include <CLI/CLI.hpp>
#include <array>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "app/cli/exit_status.h"
#include "app/cli/progress_line.h"
#include "app/services/record_writer.h"
#include "app/services/scan_run.h"
#include "app/services/settings.h"
#include "collector/record_reader.h"
#include "inventory/host_identity.h"
#include "inventory/mem_info.h"
#include "platform/drives.h"
#include "platform/file_system.h"
#include "platform/host_identity.h"
#include "platform/memory_status.h"
#include "platform/native_file_name.h"
#include "platform/record_file.h"
#include "platform/runtime_error.h"
#include "platform/terminal.h"
#include "platform/text_codec.h"

namespace zelmo::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kRetryPause = std::chrono::seconds(2);

// The facts a person types, with the option that gives each.
struct TypedFact {
    const char* option;
    std::optional<std::string> RecordOptions::*given;
    std::string inventory::RecordValues::*value;
};
constexpr TypedFact kTypedFacts[] = {
    {"--name", &RecordOptions::name, &inventory::RecordValues::name},
    {"--pc", &RecordOptions::pc, &inventory::RecordValues::pc},
    {"--monitor", &RecordOptions::monitor, &inventory::RecordValues::monitor},
    {"--location", &RecordOptions::location, &inventory::RecordValues::location},
};

// Why a run ends early with a status of its own rather than a run-time error.
struct Refusal {
    int status;
    std::string message;
};

// A path as the system names it, for people to read.
std::string Shown(const std::string& path) {
    const platform::TextCodec& codec = platform::TextCodec::System();
    return codec.FromAnsi(platform::NativeFileName(path, codec));
}

void SleepUntilOrFor(Clock::time_point deadline, Clock::duration pause) {
    std::this_thread::sleep_for(
        std::min(pause, std::max(Clock::duration(0), deadline - Clock::now())));
}

// A laptop at logon may reach the save folder only a while later.
bool WaitForFolder(const fs::path& folder, Clock::time_point deadline) {
    while (true) {
        std::error_code ec;
        if (fs::is_directory(folder, ec)) return true;
        if (Clock::now() >= deadline) return false;
        SleepUntilOrFor(deadline, kRetryPause);
    }
}

// Fills the facts not given from this host's record in the save folder, read
// as the collector reads it. A record that would not read back as it was
// filed is not used.
std::optional<Refusal> TakeMissingFacts(const RecordOptions& options, const std::string& path,
                                        inventory::RecordValues& values,
                                        Clock::time_point deadline) {
    std::string missing;
    for (const TypedFact& fact : kTypedFacts) {
        if (options.*fact.given) {
            values.*fact.value = *(options.*fact.given);
        } else {
            missing += (missing.empty() ? "" : ", ") + std::string(fact.option);
        }
    }
    if (missing.empty()) return std::nullopt;

    const fs::path file = platform::NativePath(path);
    const std::string shown = collector::TerminalText(Shown(path));
    if (!WaitForFolder(file.parent_path(), deadline)) {
        throw platform::RunTimeError(platform::kPathNotFound, shown);
    }
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec))) {
        return Refusal{kExitUsage, "zelmocb-cli record: no record " + shown + " to take " +
                                       missing + " from: give them on the command line"};
    }
    std::vector<collector::Problem> problems;
    const collector::HostRecord existing =
        collector::ReadRecordFile(file, platform::TextCodec::System(), problems);
    if (problems.empty() && existing.values.host != values.host) {
        problems.push_back({existing.file, inventory::ProblemKind::HostMismatch,
                            "the record names host \"" + existing.values.host + "\""});
    }
    if (!problems.empty()) {
        std::string why;
        for (const collector::Problem& p : problems) {
            // The details quote the record: no escape sequence reaches a terminal.
            why += "\n  " + std::string(inventory::ProblemKindName(p.kind)) + ": " +
                   collector::TerminalText(p.detail);
        }
        return Refusal{kExitRunTimeError, "zelmocb-cli record: the existing record " + shown +
                                              " cannot be used for " + missing +
                                              "; it is left as it is:" + why};
    }
    for (const TypedFact& fact : kTypedFacts) {
        if (!(options.*fact.given)) values.*fact.value = existing.values.*fact.value;
    }
    return std::nullopt;
}

// The scan as the main window runs it, list errors on standard error.
std::string ScanSummary(const std::string& listPath, std::ostream& err) {
    const auto files = platform::OpenSystemFileSystem();
    app::ScanRun scan(*files, listPath);
    ProgressLine progress(
        err, [&scan] { return scan.ProgressText(); }, platform::StandardErrorIsTerminal());
    scan.Walk();
    StderrMessages messages(progress);
    std::string summary;
    scan.Replay({[](const std::string&) {}, summary, messages});
    return summary;
}

// Writes the record, trying again while the save folder may still appear.
void FileWhenReachable(const app::FiledRecord& record, Clock::time_point deadline) {
    const auto records = platform::OpenSystemRecordFiles();
    while (true) {
        try {
            app::FileRecord(*records, record);
            return;
        } catch (const platform::RunTimeError&) {
            if (Clock::now() >= deadline) throw;
        }
        SleepUntilOrFor(deadline, kRetryPause);
    }
}

}  // namespace

int RunRecordCommand(const RecordOptions& options, std::ostream& out, std::ostream& err) {
    if (options.delaySeconds > 0) {
        // Spreads a thousand PCs started at the same minute over the delay.
        std::mt19937_64 engine{std::random_device{}()};
        std::uniform_int_distribution<long long> pick(0, options.delaySeconds * 1000LL);
        std::this_thread::sleep_for(std::chrono::milliseconds(pick(engine)));
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(options.waitSeconds);
    const std::string settingsPath = app::SettingsPath();
    platform::ConfigureDrives(settingsPath, {});

    // The host first, to find its record: fail on a missing fact before
    // the long scan, not after.
    inventory::RecordValues values;
    {
        const auto host = platform::OpenSystemHostIdentity();
        const inventory::HostIdentity identity = inventory::ReadHostIdentity(*host);
        values.host = identity.hostName;
        values.ip = identity.ip;
    }
    const std::string path = app::RecordPath(app::ReadSavePathFrom(settingsPath), values.host);
    if (const std::optional<Refusal> refusal = TakeMissingFacts(options, path, values, deadline)) {
        err << refusal->message << '\n';
        return refusal->status;
    }

    std::string summary = ScanSummary(options.listPath, err);
    {
        const auto memory = platform::OpenSystemMemoryStatus();
        inventory::clsMemInfo info(*memory);
        values.memory = inventory::MemoryCaption(info.AllSpace());
    }
    const app::FiledRecord record = app::PrepareRecord(values, summary, settingsPath);
    if (options.dryRun) {
        out << record.Line() << '\n' << Shown(record.path) << '\n';
        return kExitOk;
    }
    FileWhenReachable(record, deadline);
    return kExitOk;
}

void AddRecordCommand(CLI::App& app, int& status) {
    CLI::App* command = app.add_subcommand(
        "record",
        "Collect this PC's inventory and file its record as the program's OK does, taking the "
        "typed facts not given here from the existing record (for logon scripts and timers).");
    auto options = std::make_shared<RecordOptions>();
    // Whether a fact was given, empty or not, only the option itself knows.
    auto texts = std::make_shared<std::array<std::string, std::size(kTypedFacts)>>();
    auto given = std::make_shared<std::array<CLI::Option*, std::size(kTypedFacts)>>();
    const char* const helps[] = {"The user's name", "The PC's inventory number",
                                 "The monitor's inventory number", "The location"};
    for (std::size_t k = 0; k < std::size(kTypedFacts); ++k) {
        (*given)[k] =
            command->add_option(kTypedFacts[k].option, (*texts)[k], helps[k])->option_text("TEXT");
    }
    command
        ->add_option("--list", options->listPath,
                     "The application list (default: ZelmoAppl.csv in the current folder)")
        ->option_text("FILE");
    command->add_flag("--dry-run", options->dryRun,
                      "Print the line and the file it would go to; write nothing");
    command
        ->add_option("--wait", options->waitSeconds,
                     "Retry an unreachable save folder for this long (default 0)")
        ->option_text("SECONDS")
        ->check(CLI::Range(0, 86400));
    command
        ->add_option("--delay", options->delaySeconds,
                     "Wait a random time up to this long before starting (default 0)")
        ->option_text("SECONDS")
        ->check(CLI::Range(0, 86400));
    command->footer(ExitStatusHelp() + " Also " + std::to_string(kExitUsage) +
                    " when a fact is neither given nor in this host's record, and " +
                    std::to_string(kExitRunTimeError) +
                    " when that record cannot be read back (it is left as it is).");
    command->callback([options, texts, given, &status] {
        for (std::size_t k = 0; k < std::size(kTypedFacts); ++k) {
            if ((*given)[k]->count() > 0) (*options).*kTypedFacts[k].given = (*texts)[k];
        }
        status = RunRecordCommand(*options, std::cout, std::cerr);
    });
}

}  // namespace zelmo::cli
