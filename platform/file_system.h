#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo::platform {

inline constexpr std::uint32_t kAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kAttributeHidden = 0x2;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeArchive = 0x20;
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;

// The longest full path the path search gives back (MAX_PATH); longer ones are
// not found.
inline constexpr std::size_t kMaxPath = 260;

// One entry of a folder listing: its attribute bits and its name.
struct FolderEntry {
    std::uint32_t attributes = 0;
    std::string name;
};

// What the installed-file search needs of the drives. Paths are the
// program's own, drive-letter form ("C:", "C:\Program Files\Tool"), UTF-8.
// A whole-drive walk calls ListFolder, ProbeFolder, ReadAttributes and the
// name members below from several threads at once, so they must not share
// unguarded state.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Bit k is set when the drive with letter 'A' + k exists.
    virtual std::uint32_t LogicalDrives() = 0;

    // Lists folder + "*.*" (folder ends in "\") in the file system's own
    // order, calling visit for each entry. False when the folder cannot be
    // listed: it is missing, unreadable, or its path is too long. Only the
    // attributes and the long name are read, so a backend may skip short
    // names, and of the attributes only the folder, link and hidden bits, so
    // a backend may leave out the read-only bit where it costs a call per
    // entry (ReadAttributes gives it).
    virtual bool ListFolder(const std::string& folder,
                            const std::function<void(const FolderEntry&)>& visit) = 0;

    // The path search of one folder for one name, with the name unchanged:
    // the full path found, or nothing. A bare drive designator ("C:") stands
    // for that drive's root folder.
    virtual std::optional<std::string> ProbeFolder(const std::string& folder,
                                                   const std::string& fileName) = 0;

    // The attribute bits of a path, or kInvalidFileAttributes.
    virtual std::uint32_t ReadAttributes(const std::string& path) = 0;

    // The next two let one walk answer many names from the listings instead
    // of probing every folder for each. Wrappers must forward them.

    // Writes into key the form under which a plain name (no folder part,
    // drive or wildcard) is matched against a folder's listed names. A listed
    // name that the path search would find under name must have name's key;
    // equal keys may still fail the search, which the caller then makes. The
    // default folds letter case, which covers case-sensitive file systems
    // and those that ignore the case of letters.
    virtual void NameKey(std::string_view name, std::string& key) const;

    // False when the path search can find a plain name in a folder without
    // a listed name of its key (a short-name alias, a device name): the
    // caller then probes every folder for that name.
    virtual bool ListingDecides(std::string_view /*name*/) const { return true; }
};

// The machine's own drives, as the drive table configured at start-up maps
// them.
std::unique_ptr<FileSystem> OpenSystemFileSystem();

}  // namespace zelmo::platform
