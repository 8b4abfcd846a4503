#pragma once

#include <filesystem>
#include <vector>

namespace zelmo::platform {

// A folder's entries with what the listing itself says of each: asking each
// entry's type apart would cost a call per entry, a trip to the server on a
// share (and to Wine's server under Wine).
struct ListedEntry {
    std::filesystem::path path;  // the folder's path and the entry's name
    bool folder = false;         // a folder itself, not a link or reparse point
};

struct FolderListing {
    enum class Status {
        Listed,      // entries holds every entry but "." and ".."
        NotFolder,   // nothing there, or not a folder (links followed)
        Unreadable,  // a folder that could not be opened
        Failed,      // the listing broke off
    };
    Status status = Status::Failed;
    std::vector<ListedEntry> entries;  // in no particular order
};

// Each backend supplies this.
FolderListing ListFolder(const std::filesystem::path& folder);

}  // namespace zelmo::platform
