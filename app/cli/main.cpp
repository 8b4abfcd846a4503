// zelmocb-cli: the program's collection without its windows, for trying a
// new application list on a reference PC, for benchmarks and for tests.

#include <CLI/CLI.hpp>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "app/cli/changes_command.h"
#include "app/cli/collect_command.h"
#include "app/cli/exit_status.h"
#include "app/cli/facts_command.h"
#include "app/cli/record_command.h"
#include "app/cli/scan_command.h"
#include "platform/command_line.h"
#include "platform/runtime_error.h"
#include "zelmo_version.h"

int main(int argc, char** argv) {
    using namespace zelmo::cli;
    zelmo::platform::UseConsoleText();
    // Paths reach SQLite and the file calls as UTF-8, whatever the code page.
    const std::vector<std::string> args = zelmo::platform::CommandLineArguments(argc, argv);
    std::vector<char*> pointers;
    for (const std::string& arg : args) pointers.push_back(const_cast<char*>(arg.c_str()));
    // What a command that answers with more than success sets.
    int status = kExitOk;
    CLI::App app("Zelmo CB's inventory collection without its windows.", "zelmocb-cli");
    app.set_version_flag("--version", std::string("zelmocb-cli ") + ZELMO_VERSION,
                         "Print the version and exit");
    // At most one command; none is answered below, so that an unknown word is
    // named as the bad argument rather than reported as a missing command.
    app.require_subcommand(0, 1);
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return "zelmocb-cli: " + std::string(e.what()) +
               "\nRun with --help for more information.\n";
    });
    // One registration per command, each in its own file.
    AddScanCommand(app);
    AddFactsCommand(app);
    AddCollectCommand(app, status);
    AddChangesCommand(app, status);
    AddRecordCommand(app, status);
    // After the commands, which would otherwise inherit it.
    app.footer("Run 'zelmocb-cli COMMAND --help' for a command's options.");

    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::ParseError& e) {
        // Help and the version come here too, with status 0 and on stdout.
        const int parseStatus = app.exit(e, std::cout, std::cerr);
        return parseStatus == 0 ? kExitOk : kExitUsage;
    } catch (const zelmo::platform::RunTimeError& e) {
        std::cerr << e.Report() << '\n';
        return kExitRunTimeError;
    } catch (const std::bad_alloc&) {
        std::cerr << zelmo::platform::RunTimeError::OutOfMemory().Report() << '\n';
        return kExitRunTimeError;
    }
    if (app.get_subcommands().empty()) {
        std::cerr << "zelmocb-cli: a command is required\n" << app.help();
        return kExitUsage;
    }
    return status;
}
