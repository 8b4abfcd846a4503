#pragma once

namespace zelmo::cli {

// The process exit statuses of zelmocb-cli, the usage one as BSD's EX_USAGE.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRunTimeError = 2;
inline constexpr int kExitUsage = 64;

}  // namespace zelmo::cli
