#include "inventory/file_search.h"

#include "inventory/search_rules.h"
#include "platform/ascii.h"

namespace zelmo::inventory {

int DriveIndex(const std::string& drive) {
    if (drive.empty()) return -1;
    const char letter = platform::AsciiUpper(drive[0]);
    // Only A to Z have a bit in the drive mask; everything else, multi-byte
    // characters included, names no drive.
    if (letter < 'A' || letter > 'Z') return -1;
    return letter - 'A';
}

namespace {

// Adds folder to the locations when the file is in it.
void ProbeFolder(platform::FileSystem& fs, const std::string& folder, const std::string& fileName,
                 std::vector<std::string>& locations, std::int32_t& count) {
    std::string probe = folder;
    if (!FindInFolder(fs, probe, fileName)) return;
    locations.resize(static_cast<std::size_t>(count) + 1);
    locations[static_cast<std::size_t>(count)] = folder;
    ++count;
}

}  // namespace

std::int32_t FindOnDrive(platform::FileSystem& fs, const std::string& drive,
                         const std::string& fileName, std::vector<std::string>& locations) {
    locations.assign(1, std::string());
    std::int32_t count = 0;
    if (!IsSearchableDrive(fs, drive)) return -1;

    // The walk probes sub-folders only; the root folder gets this one probe.
    ProbeFolder(fs, drive, fileName, locations, count);
    FindInSubfolders(fs, drive, fileName, locations, count);
    return count;
}

void FindInSubfolders(platform::FileSystem& fs, std::string folder, const std::string& fileName,
                      std::vector<std::string>& locations, std::int32_t& count) {
    EndWithBackslash(folder);
    // Sub-folders are collected first so that no listing stays open while the
    // walk goes deeper; the order is the listing's own.
    std::vector<std::string> subfolders;
    fs.ListFolder(folder, [&](const platform::FolderEntry& entry) {
        if (IsSubfolder(entry)) subfolders.push_back(folder + entry.name);
    });
    for (const std::string& sub : subfolders) {
        ProbeFolder(fs, sub, fileName, locations, count);
        FindInSubfolders(fs, sub, fileName, locations, count);
    }
}

bool FindInFolder(platform::FileSystem& fs, std::string& folder, const std::string& fileName) {
    const std::optional<std::string> found = fs.ProbeFolder(folder, fileName);
    if (!found) {
        folder.clear();
        return false;
    }
    folder = *found;
    if (fs.ReadAttributes(folder) == platform::kAttributeDirectory) {
        folder.clear();
        return false;
    }
    return true;
}

}  // namespace zelmo::inventory
