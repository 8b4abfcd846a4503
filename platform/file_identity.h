#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelmo::platform {

// Which file a name reaches: two names with the same identity are one file,
// whatever links or folders lie between them.
struct FileIdentity {
    std::uint64_t device = 0;  // the volume
    std::uint64_t file = 0;    // the file on it
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// What a path given on the command line (UTF-8, put in the system's form by
// CommandLineFileName and nothing else: no drive letter or backslash mapped)
// names now.
struct PathIdentity {
    std::optional<FileIdentity> file;    // links followed; none while nothing is there
    std::optional<FileIdentity> folder;  // the folder that holds the last part
    std::string normal;                  // absolute and normal, for names not yet made
    std::string name;                    // the last part
};

// Each backend supplies these.
PathIdentity IdentifyPath(const std::string& path);

// The entries of a folder that are not folders, by name, each its own
// identity (a link is not followed). Empty when the folder cannot be read.
struct NamedIdentity {
    std::string name;
    FileIdentity identity;
};
std::vector<NamedIdentity> IdentifyFolderEntries(const std::string& folder);

}  // namespace zelmo::platform
