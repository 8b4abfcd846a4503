#include "platform/settings_folder.h"

namespace zelmo::platform {

std::optional<std::string> SystemSettingsFolder() { return std::nullopt; }

}  // namespace zelmo::platform
