#include "platform/settings_folder.h"

namespace zelmo::platform {

// A packaged program lives in /usr/bin, where Debian allows no configuration.
std::optional<std::string> SystemSettingsFolder() { return "/etc/zelmocb"; }

}  // namespace zelmo::platform
