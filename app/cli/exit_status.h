#pragma once

#include <string>

namespace zelmo::cli {

// The process exit statuses of zelmocb-cli, the usage one as BSD's EX_USAGE.
inline constexpr int kExitOk = 0;
// The outputs are written, but some inputs have problems (a task's last run
// result shows it without failing the run).
inline constexpr int kExitProblems = 1;
inline constexpr int kExitRunTimeError = 2;
inline constexpr int kExitUsage = 64;

// The exit statuses as a command's help lists them (the manual is made from
// the help): the command's own, such as "1 ...; ", between done and errors.
inline std::string ExitStatusHelp(const std::string& own = "") {
    return "Exit status: " + std::to_string(kExitOk) + " done; " + own +
           std::to_string(kExitRunTimeError) +
           " a run-time error (its message on standard error); " + std::to_string(kExitUsage) +
           " a bad command line (named on standard error).";
}

}  // namespace zelmo::cli
