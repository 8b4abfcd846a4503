// zelmocb-cli: the program's collection without its windows, for trying a
// new application list on a reference PC, for benchmarks and for tests.

#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "app/cli/facts_command.h"
#include "app/cli/scan_command.h"
#include "platform/runtime_error.h"

namespace {

constexpr const char* kUsage =
    "usage: zelmocb-cli scan [--list FILE] [--drive L=FOLDER]... [--per-row] [--threads N]\n"
    "                   [--json]\n"
    "       zelmocb-cli facts [--json]\n";

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
        std::cerr << "zelmocb-cli: unknown command '" << command << "'\n" << kUsage;
        return 64;
    } catch (const zelmo::platform::RunTimeError& e) {
        std::cerr << e.Report() << '\n';
        return 2;
    } catch (const std::bad_alloc&) {
        std::cerr << zelmo::platform::RunTimeError::OutOfMemory().Report() << '\n';
        return 2;
    }
}
