#include "platform/posix/local_mounts.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>

#include "platform/posix/path_within.h"

namespace zelmo::platform::posix {
namespace {

// Only file systems known to sit on a block device of this PC: an unknown
// type stays outside, which at worst leaves a mount unsearched.
constexpr std::array<std::string_view, 17> kLocalDiskTypes = {
    "ext2",  "ext3", "ext4", "xfs", "btrfs",  "f2fs",    "vfat",     "msdos",    "exfat",
    "ntfs3", "ntfs", "zfs",  "jfs", "nilfs2", "hfsplus", "reiserfs", "bcachefs",
};

// Local file systems where every folder of another device is a mount of its
// own; and those whose directory read stops short only at the end.
constexpr std::array<std::string_view, 15> kOneDeviceTypes = {
    "ext2",  "ext3", "ext4", "xfs",     "f2fs",     "vfat",   "msdos", "exfat",
    "ntfs3", "ntfs", "jfs",  "hfsplus", "reiserfs", "nilfs2", "tmpfs",
};
constexpr std::array<std::string_view, 5> kFullReadTypes = {"ext2", "ext3", "ext4", "xfs", "tmpfs"};

template <std::size_t N>
bool IsOneOf(const std::array<std::string_view, N>& types, std::string_view type) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

std::string_view WithoutClosingSlash(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

std::string_view NextField(std::string_view& rest) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == rest.npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end);
    return field;
}

// Mount points escape space, tab, newline and backslash as \ooo.
std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            int value = 0;
            const auto [end, ec] =
                std::from_chars(text.data() + i + 1, text.data() + i + 4, value, 8);
            if (ec == std::errc() && end == text.data() + i + 4) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

std::optional<MountEntry> ParseMountInfoLine(std::string_view line) {
    // id parent major:minor root mount-point options [optional...] - type source super-options
    std::string_view rest = line;
    NextField(rest);
    NextField(rest);
    const std::string_view numbers = NextField(rest);
    NextField(rest);
    const std::string_view mountPoint = NextField(rest);
    const std::size_t colon = numbers.find(':');
    if (mountPoint.empty() || colon == numbers.npos) return std::nullopt;
    unsigned major = 0, minor = 0;
    if (std::from_chars(numbers.data(), numbers.data() + colon, major).ec != std::errc() ||
        std::from_chars(numbers.data() + colon + 1, numbers.data() + numbers.size(), minor).ec !=
            std::errc()) {
        return std::nullopt;
    }
    for (std::string_view field = NextField(rest); field != "-"; field = NextField(rest)) {
        if (field.empty()) return std::nullopt;
    }
    const std::string_view type = NextField(rest);
    if (type.empty()) return std::nullopt;
    return MountEntry{makedev(major, minor), Unescape(mountPoint), std::string(type)};
}

bool EntersMountOfType(std::string_view type) { return IsOneOf(kLocalDiskTypes, type); }

MountTable MountTable::Read() {
    std::vector<std::string> lines;
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);) lines.push_back(std::move(line));
    return MountTable(lines);
}

MountTable::MountTable(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::optional<MountEntry> entry = ParseMountInfoLine(line);
        if (!entry || entry->mountPoint.empty() || entry->mountPoint.front() != '/') continue;
        const std::string_view point = WithoutClosingSlash(entry->mountPoint);
        if (point != "/") {
            const std::size_t cut = point.find_last_of('/');
            holders_.emplace(point.substr(0, cut == 0 ? 1 : cut));
        }
        entry->mountPoint = std::string(point);
        mounts_.push_back(std::move(*entry));
    }
}

FolderMounts MountTable::Describe(std::string_view folder) const {
    folder = WithoutClosingSlash(folder);
    FolderMounts answer;
    if (folder.empty() || folder.front() != '/') return answer;
    // The folder's file system is that of the deepest mount above it; of
    // mounts on one point, the last made hides the others.
    const MountEntry* owner = nullptr;
    for (const MountEntry& mount : mounts_) {
        if (IsWithin(folder, mount.mountPoint) &&
            (!owner || mount.mountPoint.size() >= owner->mountPoint.size())) {
            owner = &mount;
        }
    }
    if (!owner) return answer;
    answer.holdsMountPoint = holders_.find(folder) != holders_.end();
    answer.typeShowsEveryDevice = IsOneOf(kOneDeviceTypes, owner->type);
    answer.shortReadIsLast = IsOneOf(kFullReadTypes, owner->type);
    return answer;
}

bool MountTable::EntersDevice(dev_t device) const {
    for (const MountEntry& mount : mounts_) {
        if (mount.device == device) return EntersMountOfType(mount.type);
    }
    return false;
}

}  // namespace zelmo::platform::posix
