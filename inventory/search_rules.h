#pragma once

#include <string>

#include "inventory/file_search.h"
#include "platform/file_system.h"
#include "platform/program_path.h"

// The rules the row-by-row search and the drive index must share: the index
// answers for the search only while both walk the same folders of the same
// drives under the same texts.
namespace zelmo::inventory {

// Whether a listed entry is a folder the walk goes into.
inline bool IsSubfolder(const platform::FolderEntry& entry) {
    return (entry.attributes & platform::kAttributeDirectory) == platform::kAttributeDirectory &&
           entry.name != "." && entry.name != "..";
}

// Whether drive is a designator ("C:") of a drive that exists now.
inline bool IsSearchableDrive(platform::FileSystem& fs, const std::string& drive) {
    if (drive.size() < 2 || drive[1] != ':') return false;
    const int index = DriveIndex(drive);
    return index >= 0 && (fs.LogicalDrives() & (1u << index)) != 0;
}

using platform::EndWithBackslash;

}  // namespace zelmo::inventory
