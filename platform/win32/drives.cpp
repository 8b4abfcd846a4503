#include "platform/drives.h"

#include "platform/runtime_error.h"

namespace zelmo::platform {

void ConfigureDrives(const std::string&, const DriveOverrides& overrides) {
    if (overrides.empty()) return;
    std::string named;
    for (const auto& [letter, folder] : overrides) {
        if (!named.empty()) named += ", ";
        named += std::string(1, letter) + "=" + folder;
    }
    throw RunTimeError(kInvalidProcedureCall,
                       "drive override " + named + " (Windows has drive letters of its own)");
}

}  // namespace zelmo::platform
