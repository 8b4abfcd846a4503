#pragma once

#include <string>

namespace zelmo::cli {

// The process exit statuses of zelmocb-cli, the usage one as BSD's EX_USAGE.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRunTimeError = 2;
inline constexpr int kExitUsage = 64;

// The exit statuses as a command's help lists them (the manual is made from
// the help): the command's own, such as "1 ...; ", between done and errors.
inline std::string ExitStatusHelp(const std::string& own = "") {
    return "Exit status: 0 done; " + own +
           "2 a run-time error (its message on standard error); "
           "64 a bad command line (named on standard error).";
}

}  // namespace zelmo::cli
