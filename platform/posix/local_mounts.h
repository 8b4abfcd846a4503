#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zelmo::platform::posix {

// One line of /proc/self/mountinfo, the parts the walk needs.
struct MountEntry {
    dev_t device = 0;
    std::string mountPoint;
    std::string type;
};

// The entry a mountinfo line describes; nothing for a malformed line.
std::optional<MountEntry> ParseMountInfoLine(std::string_view line);

// The rule for mounts below a drive root: a drive's walk enters file systems
// that live on a local disk (block-device file systems such as ext4, xfs,
// btrfs, vfat, exfat, ntfs3, zfs), so that a separate /home, /opt, /usr or
// /srv is searched as part of C:. Everything else stays outside the walk:
// pseudo and in-memory file systems (proc, sysfs, tmpfs, cgroup, overlay),
// network ones (nfs, cifs) and user-space ones (fuse, fuseblk), which are
// slow, endless or not this PC's applications.
bool EntersMountOfType(std::string_view type);

// What a folder listing may take from the mount table instead of asking the
// kernel about every entry.
struct FolderMounts {
    // Some mount point lies directly inside the folder: its entries' types
    // alone cannot tell which sub-folders lead onto other file systems.
    bool holdsMountPoint = true;
    // The folder's file system has no sub-folder of another device without a
    // mount entry (btrfs subvolumes and zfs snapshots do), so where no mount
    // point lies inside, a listed folder is on the listing's own device.
    bool typeShowsEveryDevice = false;
    // The file system fills a directory read until the buffer is full, so a
    // read that leaves room for another entry was the last.
    bool shortReadIsLast = false;
};

// The mount table as of one reading: answers for a folder (a POSIX path in
// the table's own bytes, absolute, links resolved). Anything it does not
// know gets the cautious answer of a default FolderMounts.
class MountTable {
  public:
    // /proc/self/mountinfo now; an empty table when it cannot be read.
    static MountTable Read();
    explicit MountTable(const std::vector<std::string>& lines);

    FolderMounts Describe(std::string_view folder) const;

    // True when device is mounted with a file system that EntersMountOfType
    // accepts; a device mounted twice goes by its first entry.
    bool EntersDevice(dev_t device) const;

  private:
    // Looked up once per folder listed: by view, without a copy.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::vector<MountEntry> mounts_;
    std::unordered_set<std::string, Hash, std::equal_to<>> holders_;
};

}  // namespace zelmo::platform::posix
