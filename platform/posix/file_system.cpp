#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/posix/drives.h"
#include "platform/posix/folder_reader.h"
#include "platform/posix/local_mounts.h"
#include "platform/posix/mount_tracker.h"
#include "platform/posix/open_folders.h"
#include "platform/text_codec.h"

namespace zelmo::platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasWildcard(std::string_view name) { return name.find_first_of("*?<>|\"") != name.npos; }

bool StartsWithDotFolder(std::string_view name) {
    if (name.size() >= 2 && name[0] == '.' && IsSeparator(name[1])) return true;
    return name.size() >= 3 && name.substr(0, 2) == ".." && IsSeparator(name[2]);
}

// A path that starts with a drive ("C:", "C:x", "C:\a\..\b") as the system
// gives full paths back: "C:\" for the root, otherwise "C:\a\b", with "." and
// ".." resolved and never rising above the root.
std::string FullDrivePath(std::string_view path) {
    std::string full(path.substr(0, 2));
    std::vector<std::size_t> componentStarts;
    std::size_t pos = 2;
    while (pos < path.size()) {
        while (pos < path.size() && IsSeparator(path[pos])) ++pos;
        std::size_t end = pos;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::string_view component = path.substr(pos, end - pos);
        pos = end;
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            if (!componentStarts.empty()) {
                full.resize(componentStarts.back());
                componentStarts.pop_back();
            }
            continue;
        }
        componentStarts.push_back(full.size());
        full += '\\';
        full += component;
    }
    if (componentStarts.empty()) full += '\\';
    return full;
}

// The current directory as a program path, when a drive holds it.
std::optional<std::string> CurrentFolder() {
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof buffer) == nullptr) return std::nullopt;
    return posix::ToProgramPath(buffer);
}

std::string_view LastComponent(std::string_view path) {
    const std::size_t cut = path.find_last_of("\\/:");
    return cut == path.npos ? path : path.substr(cut + 1);
}

bool IsMountPoint(const std::string& native, const struct stat& folder) {
    const std::size_t cut = native.find_last_of('/');
    if (native == "/" || cut == native.npos) return false;
    const std::string parent = cut == 0 ? "/" : native.substr(0, cut);
    struct stat st;
    return stat(parent.c_str(), &st) == 0 && st.st_dev != folder.st_dev;
}

struct Identity {
    dev_t device;
    ino_t inode;
};

// The folder being listed and every folder above it up to the drive root,
// read only when a listing meets a possible bind mount.
std::vector<Identity> PathIdentities(int folderFd, std::string native, const std::string& root,
                                     const posix::DriveRoot& drive) {
    std::vector<Identity> ids{{drive.device, drive.inode}};
    struct stat st;
    if (fstat(folderFd, &st) == 0) ids.push_back({st.st_dev, st.st_ino});
    while (native.size() > root.size()) {
        const std::size_t cut = native.find_last_of('/');
        if (cut == native.npos) break;
        native.resize(cut == 0 ? 1 : cut);
        if (native.size() > root.size() && stat(native.c_str(), &st) == 0) {
            ids.push_back({st.st_dev, st.st_ino});
        }
    }
    return ids;
}

// What a thread keeps between listings: its copy of the mount table and the
// folders it keeps open under that table. One for all file systems, as the
// readings' numbers tell their tables apart.
struct ThreadListing {
    posix::MountTracker::Copy mounts;
    posix::OpenFolders folders;
};

ThreadListing& ThisThreadListing() {
    thread_local ThreadListing mine;
    return mine;
}

// Turns the records of one folder's listing into entries: names into the
// program's text, types into attributes, with a stat only where the record
// alone cannot tell.
class ListedEntries {
  public:
    ListedEntries(int fd, const posix::DriveRoot& drive, const posix::MountTable& table,
                  const std::string& native)
        : fd_(fd), drive_(drive), table_(table), native_(native) {}

    // False for a record that is no entry to visit: the dot folders, and
    // names that a program path cannot hold.
    bool Read(const posix::LinuxDirent64& ent, bool statFolders, FolderEntry& entry) {
        const char* name = ent.d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            return false;
        }
        const std::size_t length = std::strlen(name);
        // Judged as characters: in a double-byte code page the second byte
        // of a character can be 0x5C, which is no backslash there. ASCII
        // names, nearly all, are the same in every code page and reuse the
        // entry's storage.
        if (IsAscii(std::string_view(name, length))) {
            entry.name.assign(name, length);
        } else {
            entry.name = codec_.FromAnsi(std::string_view(name, length));
        }
        // A backslash inside a name cannot be written in a program path.
        if (entry.name.find('\\') != std::string::npos) return false;

        std::uint32_t attributes = name[0] == '.' ? kAttributeHidden : 0;
        struct stat st;
        // Entries go by the directory read's type alone; only entries of
        // unknown type, and folders where a mount point may be among them,
        // cost a stat.
        if (ent.d_type == DT_DIR && !statFolders) {
            attributes |= kAttributeDirectory;
        } else if ((ent.d_type == DT_DIR || ent.d_type == DT_UNKNOWN) &&
                   fstatat(fd_, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
            if (Enters(ent, st)) {
                attributes |= kAttributeDirectory;
            } else {
                attributes |= kAttributeArchive | kAttributeReparsePoint;
            }
        } else {
            attributes |= kAttributeArchive;
        }
        entry.attributes = attributes;
        return true;
    }

  private:
    // Whether the walk goes into a sub-folder: other file systems below the
    // root when they are on a local disk (see local_mounts.h for the rule),
    // and no bind mount that leads back onto the path.
    bool Enters(const posix::LinuxDirent64& ent, const struct stat& st) {
        if (st.st_dev != drive_.device && !table_.EntersDevice(st.st_dev)) return false;
        // The listing gives the inode of the folder underneath a mount, stat
        // that of the mounted one; only where they differ can a bind mount
        // lead back onto the path.
        if (ent.d_ino == st.st_ino) return true;
        if (!aboveRead_) {
            above_ = PathIdentities(fd_, native_, codec_.ToAnsi(drive_.folder), drive_);
            aboveRead_ = true;
        }
        for (const Identity& id : above_) {
            if (id.device == st.st_dev && id.inode == st.st_ino) return false;
        }
        return true;
    }

    const int fd_;
    const posix::DriveRoot& drive_;
    const posix::MountTable& table_;
    const std::string& native_;
    const TextCodec& codec_ = TextCodec::System();
    std::vector<Identity> above_;
    bool aboveRead_ = false;
};

class PosixFileSystem : public FileSystem {
  public:
    std::uint32_t LogicalDrives() override { return posix::DriveMask(); }

    bool ListFolder(const std::string& folder,
                    const std::function<void(const FolderEntry&)>& visit) override {
        const std::optional<char> letter = posix::DriveLetterOf(folder);
        if (!letter) return false;
        const std::optional<posix::DriveRoot> drive = posix::FindDrive(*letter);
        const std::string full = FullDrivePath(folder);
        const std::optional<std::string> native = posix::ToPosixPath(full);
        if (!drive || !native || native->size() >= PATH_MAX) return false;
        std::string opened = *native;
        if (opened.size() > 1 && opened.back() == '/') opened.pop_back();
        ThreadListing& mine = ThisThreadListing();
        // A walk starts at a drive's root ("C:\"): the mount table is read
        // again there, so each walk sees the mounts as they are when it starts.
        mounts_.Update(mine.mounts, full.size() == 3);
        const std::uint64_t mountsRead = mine.mounts.read;
        posix::UniqueFd dir = mine.folders.Open(opened, mountsRead);
        if (!dir.Valid()) return false;
        // This listing's own table, whatever a listing inside it reads.
        const std::shared_ptr<const posix::MountTable> table = mine.mounts.table;
        const posix::FolderMounts inside = table->Describe(opened);
        const bool statFolders = inside.holdsMountPoint || !inside.typeShowsEveryDevice;

        ListedEntries entries(dir.Get(), *drive, *table, *native);
        FolderEntry entry;
        posix::FolderReader reader;
        reader.Read(dir.Get(), inside.shortReadIsLast, [&](const posix::LinuxDirent64& ent) {
            if (entries.Read(ent, statFolders, entry)) visit(entry);
        });
        mine.folders.Keep(std::move(opened), std::move(dir), mountsRead);
        return true;
    }

    std::optional<std::string> ProbeFolder(const std::string& folder,
                                           const std::string& fileName) override {
        const TextCodec& codec = TextCodec::System();
        // Wildcards are looked for among the characters, not the code page's
        // bytes (a second byte can be '|'); a character the code page lacks
        // becomes '?' on its way to the system, a wildcard as well.
        if (fileName.empty() || HasWildcard(fileName)) return std::nullopt;
        if (!codec.IsAnsiAlready(fileName) && codec.FromAnsi(codec.ToAnsi(fileName)) != fileName) {
            return std::nullopt;
        }

        std::string candidate;
        if (posix::DriveLetterOf(fileName)) {
            candidate = fileName;
        } else if (IsSeparator(fileName[0])) {
            // Shares (\\server\share) lie outside every drive.
            if (fileName.size() > 1 && IsSeparator(fileName[1])) return std::nullopt;
            std::optional<std::string> base =
                posix::DriveLetterOf(folder) ? folder : CurrentFolder();
            if (!base) return std::nullopt;
            candidate = base->substr(0, 2) + fileName;
        } else {
            // Dot names start from the current directory, as does a folder
            // without a drive.
            std::optional<std::string> base = folder;
            if (StartsWithDotFolder(fileName) || !posix::DriveLetterOf(folder)) {
                base = CurrentFolder();
                if (base && !StartsWithDotFolder(fileName)) *base += "\\" + folder;
            }
            if (!base) return std::nullopt;
            candidate = *base;
            if (candidate.empty() || !IsSeparator(candidate.back())) candidate += '\\';
            candidate += fileName;
        }

        std::string full = FullDrivePath(candidate);
        if (codec.ToAnsi(full).size() > kMaxPath) return std::nullopt;
        const std::optional<std::string> native = posix::ToPosixPath(full);
        if (!native) return std::nullopt;
        // Found only where a link leads somewhere, as the path search follows it.
        struct stat st;
        if (stat(native->c_str(), &st) != 0) return std::nullopt;
        return full;
    }

    std::uint32_t ReadAttributes(const std::string& path) override {
        const std::string full = posix::DriveLetterOf(path) ? FullDrivePath(path) : path;
        const std::optional<std::string> native = posix::ToPosixPath(full);
        if (!native) return kInvalidFileAttributes;
        struct stat st;
        if (lstat(native->c_str(), &st) != 0) return kInvalidFileAttributes;

        std::uint32_t attributes = 0;
        if (S_ISLNK(st.st_mode)) {
            struct stat target;
            if (stat(native->c_str(), &target) == 0) {
                if (S_ISDIR(target.st_mode)) attributes |= kAttributeReparsePoint;
                st = target;
            }
        } else if (S_ISDIR(st.st_mode) && IsMountPoint(*native, st)) {
            attributes |= kAttributeReparsePoint;
        }
        attributes |= S_ISDIR(st.st_mode) ? kAttributeDirectory : kAttributeArchive;
        if ((st.st_mode & 0222) == 0) attributes |= kAttributeReadOnly;
        if (LastComponent(full).substr(0, 1) == ".") attributes |= kAttributeHidden;
        return attributes;
    }

  private:
    posix::MountTracker mounts_;
};

}  // namespace

std::unique_ptr<FileSystem> OpenSystemFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace zelmo::platform
