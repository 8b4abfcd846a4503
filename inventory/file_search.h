#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace zelmo::inventory {

// In how many places on drive ("C:") a file named fileName exists: its root
// folder and every folder below it, walked depth first in the file system's
// order. Resets locations to one empty entry, then stores each place found
// in walk order. -1 when the designator is malformed or the drive is absent.
std::int32_t FindOnDrive(platform::FileSystem& fs, const std::string& drive,
                         const std::string& fileName, std::vector<std::string>& locations);

// Probes every folder below folder, at any depth, each before the folders
// below it; each hit appends the folder's path to locations and counts it.
void FindInSubfolders(platform::FileSystem& fs, std::string folder, const std::string& fileName,
                      std::vector<std::string>& locations, std::int32_t& count);

// Whether fileName lies directly in folder. Overwrites folder with the full
// path found, or with empty text. A folder of that name counts unless its
// attributes are exactly "directory".
bool FindInFolder(platform::FileSystem& fs, std::string& folder, const std::string& fileName);

// The drive index of a designator's first character ('C' -> 2), or -1 when
// it is no drive letter.
int DriveIndex(const std::string& drive);

}  // namespace zelmo::inventory
