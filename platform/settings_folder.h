#pragma once

#include <optional>
#include <string>

namespace zelmo::platform {

// The system's folder for this program's settings, read when the program's
// own folder holds no settings file: where an installed package keeps its
// configuration (/etc/zelmocb on POSIX). Nothing where the program's own
// folder is the only place (Windows, where the program runs from a share).
std::optional<std::string> SystemSettingsFolder();

}  // namespace zelmo::platform
