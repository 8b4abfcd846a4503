// zelmocb-cli: the program's collection without its windows, for trying a
// new application list on a reference PC, for benchmarks and for tests.

#include <iostream>
#include <string>
#include <vector>

#include "app/cli/changes_command.h"
#include "app/cli/collect_command.h"
#include "app/cli/facts_command.h"
#include "app/cli/scan_command.h"
#include "platform/runtime_error.h"

namespace {

constexpr const char* kUsage =
    "usage: zelmocb-cli scan [--list FILE] [--drive L=FOLDER]... [--per-row] [--threads N]\n"
    "                   [--json]\n"
    "       zelmocb-cli facts [--json]\n"
    "       zelmocb-cli collect FOLDER [--list FILE] [--encoding NAME] [--csv FILE]\n"
    "                   [--csv-encoding utf8|ansi] [--json FILE|-] [--html FILE] [--db FILE]\n"
    "                   [--stale-days N]\n"
    "       zelmocb-cli changes --db FILE [--since ISO-DATE] [--json]\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kUsage;
        return 64;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    try {
        if (command == "scan") return zelmo::cli::RunScanCommand(args, std::cout, std::cerr);
        if (command == "facts") return zelmo::cli::RunFactsCommand(args, std::cout, std::cerr);
        if (command == "collect") return zelmo::cli::RunCollectCommand(args, std::cout, std::cerr);
        if (command == "changes") return zelmo::cli::RunChangesCommand(args, std::cout, std::cerr);
        std::cerr << "zelmocb-cli: unknown command '" << command << "'\n" << kUsage;
        return 64;
    } catch (const zelmo::platform::RunTimeError& e) {
        std::cerr << e.Report() << '\n';
        return 2;
    }
}
