#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

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

// True when device is mounted somewhere with a file system that
// EntersMountOfType accepts, as the mount table says now.
bool IsLocalDiskDevice(dev_t device);

}  // namespace zelmo::platform::posix
