#pragma once

#include <map>
#include <string>

namespace zelmo::platform {

// Letter ('C') to folder, as given on a command line.
using DriveOverrides = std::map<char, std::string>;

// Sets up the drive letters for this run. Where the system has no drive
// letters, C: is the root folder unless the [Drives] section of settingsPath
// maps letters (C=/, D=/srv/data), and overrides win over both. Where the
// system has drive letters of its own, overrides are refused with a
// RunTimeError naming them.
void ConfigureDrives(const std::string& settingsPath, const DriveOverrides& overrides);

}  // namespace zelmo::platform
