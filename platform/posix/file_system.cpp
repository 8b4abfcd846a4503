#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/posix/drives.h"
#include "platform/posix/local_mounts.h"
#include "platform/posix/path_within.h"
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

// A descriptor closed however the scope ends.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Whether folder lies above path; both absolute, without a closing '/'.
bool IsAbove(std::string_view folder, std::string_view path) {
    return path.size() > folder.size() && posix::IsWithin(path, folder);
}

// The folders this thread listed last, kept open, each inside the one
// before. A walk goes depth first, so the next folder it lists is mostly a
// child of one of them and is opened from there: one name for the kernel to
// look up instead of the whole path, which is most of what opening costs.
// Kept for one reading of the mount table only, as a descriptor stays with
// the mounts of when it was opened.
class OpenFolders {
  public:
    ~OpenFolders() { Clear(); }
    OpenFolders() = default;
    OpenFolders(const OpenFolders&) = delete;
    OpenFolders& operator=(const OpenFolders&) = delete;

    // Opens folder (absolute, without a closing '/') to be listed.
    int Open(const std::string& folder, std::uint64_t mountsRead) {
        if (mountsRead != mountsRead_) {
            Clear();
            mountsRead_ = mountsRead;
        }
        DropAllBut(folder);
        if (!kept_.empty()) {
            const std::string& parent = kept_.back().folder;
            const std::size_t nameAt = parent == "/" ? 1 : parent.size() + 1;
            if (folder.find('/', nameAt) == std::string::npos) {
                return openat(kept_.back().fd, folder.c_str() + nameAt, kFolderFlags);
            }
        }
        return openat(AT_FDCWD, folder.c_str(), kFolderFlags);
    }

    // The descriptor of folder if it is the last one kept, or -1.
    int Last(std::string_view folder, std::uint64_t mountsRead) const {
        if (mountsRead != mountsRead_ || kept_.empty() || kept_.back().folder != folder) return -1;
        return kept_.back().fd;
    }

    // Keeps fd, which folder was just listed through, for the folders below;
    // not if the table was read again meanwhile (a listing inside a listing).
    void Keep(std::string folder, Descriptor& fd, std::uint64_t mountsRead) {
        if (mountsRead != mountsRead_) return;
        DropAllBut(folder);
        if (kept_.size() < kMost) kept_.push_back({std::move(folder), fd.release()});
    }

  private:
    // Enough for the depth of nearly every tree, few beside the limit on
    // open files.
    static constexpr std::size_t kMost = 32;

    // Closes the folders that do not lie above folder.
    void DropAllBut(std::string_view folder) {
        while (!kept_.empty() && !IsAbove(kept_.back().folder, folder)) {
            close(kept_.back().fd);
            kept_.pop_back();
        }
    }
    void Clear() { DropAllBut({}); }

    struct Kept {
        std::string folder;
        int fd;
    };
    std::vector<Kept> kept_;
    std::uint64_t mountsRead_ = 0;
};

// The record getdents64 fills in; glibc's dirent64 is the same but is not
// promised to stay so.
struct LinuxDirent64 {
    std::uint64_t d_ino;
    std::int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

// Reads a folder's entries in large batches straight from the kernel: a whole
// folder of usual size comes in one call, and the descriptor is opened
// without the fstat that opendir makes. One buffer per thread, as several
// walk threads list at once; a listing started from inside another listing's
// visit gets a buffer of its own.
class FolderReader {
  public:
    FolderReader() {
        if (!inUse_) {
            if (!shared_) shared_ = std::make_unique<char[]>(kSize);
            buffer_ = shared_.get();
            inUse_ = true;
            owner_ = true;
        } else {
            own_ = std::make_unique<char[]>(kSize);
            buffer_ = own_.get();
        }
    }
    ~FolderReader() {
        if (owner_) inUse_ = false;
    }
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // Calls visit(entry) for each entry of the open folder fd. Stops at the
    // end or at the first read error, as readdir does. shortReadIsLast saves
    // the read that would only say "no more", where the file system allows.
    template <typename Visit>
    void Read(int fd, bool shortReadIsLast, Visit&& visit) {
        for (;;) {
            const long got = syscall(SYS_getdents64, fd, buffer_, kSize);
            if (got <= 0) return;
            for (long pos = 0; pos < got;) {
                const auto* ent = reinterpret_cast<const LinuxDirent64*>(buffer_ + pos);
                pos += ent->d_reclen;
                visit(*ent);
            }
            // Room left for the longest record (a 255-byte name) and more.
            if (shortReadIsLast && static_cast<std::size_t>(got) + 1024 <= kSize) return;
        }
    }

  private:
    static constexpr std::size_t kSize = 256 * 1024;
    static thread_local std::unique_ptr<char[]> shared_;
    static thread_local bool inUse_;
    std::unique_ptr<char[]> own_;
    char* buffer_ = nullptr;
    bool owner_ = false;
};

thread_local std::unique_ptr<char[]> FolderReader::shared_;
thread_local bool FolderReader::inUse_ = false;

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
        // A walk starts at a drive's root ("C:\"): the mount table is read
        // again there, so each walk sees the mounts as they are when it starts.
        ThreadMounts& mounts = Mounts(full.size() == 3);
        const std::uint64_t mountsRead = mounts.read;
        Descriptor dir(mounts.folders.Open(opened, mountsRead));
        if (dir.get() < 0) return false;
        const int fd = dir.get();
        const TextCodec& codec = TextCodec::System();
        // This listing's own table, whatever a listing inside it reads.
        const std::shared_ptr<const posix::MountTable> table = mounts.table;
        const posix::FolderMounts inside = table->Describe(opened);
        const bool statFolders = inside.holdsMountPoint || !inside.typeShowsEveryDevice;

        std::vector<Identity> above;
        bool aboveRead = false;
        FolderEntry entry;
        FolderReader reader;
        reader.Read(fd, inside.shortReadIsLast, [&](const LinuxDirent64& ent) {
            const char* name = ent.d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) return;
            const std::size_t length = std::strlen(name);
            // Judged as characters: in a double-byte code page the second
            // byte of a character can be 0x5C, which is no backslash there.
            // ASCII names, nearly all, are the same in every code page and
            // reuse the entry's storage.
            if (IsAscii(std::string_view(name, length))) {
                entry.name.assign(name, length);
            } else {
                entry.name = codec.FromAnsi(std::string_view(name, length));
            }
            // A backslash inside a name cannot be written in a program path.
            if (entry.name.find('\\') != std::string::npos) return;

            std::uint32_t attributes = name[0] == '.' ? kAttributeHidden : 0;
            bool isFolder = false;
            struct stat st;
            // Entries go by the directory read's type alone; only entries of
            // unknown type, and folders where a mount point may be among
            // them, cost a stat.
            if (ent.d_type == DT_DIR && !statFolders) {
                attributes |= kAttributeDirectory;
            } else if ((ent.d_type == DT_DIR || ent.d_type == DT_UNKNOWN) &&
                       fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
                // Other file systems below the root are entered when they are
                // on a local disk; see local_mounts.h for the rule.
                isFolder = st.st_dev == drive->device || table->EntersDevice(st.st_dev);
                // The listing gives the inode of the folder underneath a
                // mount, stat that of the mounted one; only where they differ
                // can a bind mount lead back onto the path.
                if (isFolder && ent.d_ino != st.st_ino) {
                    if (!aboveRead) {
                        above = PathIdentities(fd, *native, codec.ToAnsi(drive->folder), *drive);
                        aboveRead = true;
                    }
                    for (const Identity& id : above) {
                        if (id.device == st.st_dev && id.inode == st.st_ino) isFolder = false;
                    }
                }
                if (isFolder) {
                    attributes |= kAttributeDirectory;
                } else {
                    attributes |= kAttributeArchive | kAttributeReparsePoint;
                }
            } else {
                attributes |= kAttributeArchive;
            }
            entry.attributes = attributes;
            visit(entry);
        });
        mounts.folders.Keep(std::move(opened), dir, mountsRead);
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
        const AtFolder at = FromLastListed(*native);
        struct stat st;
        if (fstatat(at.fd, at.name, &st, 0) != 0) return std::nullopt;
        return full;
    }

    std::uint32_t ReadAttributes(const std::string& path) override {
        const std::string full = posix::DriveLetterOf(path) ? FullDrivePath(path) : path;
        const std::optional<std::string> native = posix::ToPosixPath(full);
        if (!native) return kInvalidFileAttributes;
        const AtFolder at = FromLastListed(*native);
        struct stat st;
        if (fstatat(at.fd, at.name, &st, AT_SYMLINK_NOFOLLOW) != 0) return kInvalidFileAttributes;

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
    // A path as the *at calls take it: from the folder this thread listed
    // last where the path lies directly in it (a walk probes the folder it
    // has just listed), so that the kernel looks up one name, not the path.
    struct AtFolder {
        int fd;
        const char* name;
    };
    AtFolder FromLastListed(const std::string& native) {
        const std::size_t cut = native.find_last_of('/');
        if (cut != std::string::npos && cut > 0 && cut + 1 < native.size()) {
            ThreadMounts& mine = Mounts(false);
            const int fd = mine.folders.Last(std::string_view(native).substr(0, cut), mine.read);
            if (fd >= 0) return {fd, native.c_str() + cut + 1};
        }
        return {AT_FDCWD, native.c_str()};
    }

    // A thread's copy of the mount table it lists under, and the folders it
    // keeps open under that table.
    struct ThreadMounts {
        std::uint64_t read = 0;
        std::shared_ptr<const posix::MountTable> table;
        OpenFolders folders;
    };

    // The table as of this file system's first listing or of the last
    // listing of a drive root; each thread takes the lock only when that
    // changes, not for every folder.
    ThreadMounts& Mounts(bool readAgain) {
        static std::atomic<std::uint64_t> reads{0};
        if (readAgain || read_.load() == 0) {
            std::lock_guard lock(mountsMutex_);
            if (readAgain || read_.load() == 0) {
                table_ = std::make_shared<const posix::MountTable>(posix::MountTable::Read());
                read_ = ++reads;
            }
        }
        thread_local ThreadMounts mine;
        if (mine.read != read_.load()) {
            std::lock_guard lock(mountsMutex_);
            mine.table = table_;
            mine.read = read_.load();
        }
        return mine;
    }

    std::mutex mountsMutex_;
    std::atomic<std::uint64_t> read_{0};
    std::shared_ptr<const posix::MountTable> table_;
};

}  // namespace

std::unique_ptr<FileSystem> OpenSystemFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace zelmo::platform
