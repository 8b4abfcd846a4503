#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../file_system_contract.h"
#include "inventory/file_search.h"
#include "platform/drives.h"
#include "platform/file_system.h"
#include "platform/native_file_name.h"
#include "platform/posix/drives.h"
#include "platform/posix/local_mounts.h"
#include "platform/runtime_error.h"
#include "posix_test_support.h"

namespace zelmo::platform {
namespace {

using test::IsFolder;
using test::Named;
using test::posix::InChild;
using test::posix::kCannot;

// The system's file system over a temporary folder that is drive C:.
class PosixFileSystemBackend {
  public:
    static constexpr bool kFoldsCase = false;
    // Plain files go by the listing's type alone, unread.
    static constexpr bool kListingShowsFileMarks = false;
    static constexpr bool kFindsUnlistedNames = false;

    PosixFileSystemBackend() { ConfigureDrives("", {{'C', folder_.path()}}); }
    ~PosixFileSystemBackend() { ConfigureDrives("", {}); }
    PosixFileSystemBackend(const PosixFileSystemBackend&) = delete;
    PosixFileSystemBackend& operator=(const PosixFileSystemBackend&) = delete;

    FileSystem& Fs() { return *fs_; }
    const std::string& root() const { return folder_.path(); }
    std::string At(const std::string& relative) const { return "C:\\" + relative; }
    // The native path of a program path's relative part.
    std::string Native(std::string relative) const {
        std::replace(relative.begin(), relative.end(), '\\', '/');
        return folder_.At(relative);
    }

    void Folder(const std::string& relative, std::uint32_t marks = 0) {
        NativeFolder(Native(relative), marks);
    }
    void File(const std::string& relative, std::uint32_t marks = 0) {
        NativeFile(Native(relative), marks);
    }
    // Root lists every folder.
    bool Lock(const std::string& relative) {
        return geteuid() != 0 && chmod(Native(relative).c_str(), 0) == 0;
    }

    // Hidden is a dot name here, read-only a mode without write permission.
    void NativeFolder(const std::string& path, std::uint32_t marks = 0) {
        CheckMarks(path, marks);
        ASSERT_EQ(mkdir(path.c_str(), 0755), 0) << path;
        ASSERT_EQ(chmod(path.c_str(), marks & kAttributeReadOnly ? 0555 : 0755), 0) << path;
    }
    void NativeFile(const std::string& path, std::uint32_t marks = 0) {
        CheckMarks(path, marks);
        std::ofstream(path) << "x";
        ASSERT_EQ(chmod(path.c_str(), marks & kAttributeReadOnly ? 0444 : 0644), 0) << path;
    }

  private:
    static void CheckMarks(const std::string& path, std::uint32_t marks) {
        if (marks & kAttributeHidden) {
            EXPECT_EQ(path[path.rfind('/') + 1], '.') << path << ": hidden needs a dot name";
        }
    }

    test::posix::TempFolder folder_;
    std::unique_ptr<FileSystem> fs_ = OpenSystemFileSystem();
};

std::vector<std::string> ReaddirOrder(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) return names;
    while (const dirent* ent = readdir(dir)) {
        const std::string name = ent->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
}

// What only POSIX has: modes, links, mounts, the drive table, the current
// folder. At gives the native path here.
class PosixFileSystem : public ::testing::Test {
  protected:
    void TearDown() override {
        if (!savedCwd_.empty()) {
            EXPECT_EQ(chdir(savedCwd_.c_str()), 0);
        }
    }

    std::string At(const std::string& relative) const { return root_ + "/" + relative; }
    void Folder(const std::string& relative, std::uint32_t marks = 0) {
        backend_.NativeFolder(At(relative), marks);
    }
    void File(const std::string& relative) { backend_.NativeFile(At(relative)); }

    void Link(const std::string& target, const std::string& relative) {
        ASSERT_EQ(symlink(target.c_str(), At(relative).c_str()), 0) << relative;
    }

    void EnterFolder(const std::string& relative) {
        char cwd[PATH_MAX];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        savedCwd_ = cwd;
        ASSERT_EQ(chdir(At(relative).c_str()), 0);
    }

    std::vector<FolderEntry> List(const std::string& folder, bool* listed = nullptr) {
        return test::List(*fs_, folder, listed);
    }

    PosixFileSystemBackend backend_;
    const std::string& root_ = backend_.root();
    FileSystem* const fs_ = &backend_.Fs();
    std::string savedCwd_;
};

TEST_F(PosixFileSystem, ListingKeepsTheFileSystemsOrderAndMarksOnlyRealFolders) {
    Folder("b");
    Folder("ro", kAttributeReadOnly);
    File("x.txt");
    Link("b", "link");
    Link("nowhere", "dangling");
    ASSERT_EQ(mkfifo(At("pipe").c_str(), 0644), 0);

    bool listed = false;
    const std::vector<FolderEntry> entries = List("C:\\", &listed);
    ASSERT_TRUE(listed);
    std::vector<std::string> names;
    for (const FolderEntry& e : entries) names.push_back(e.name);
    EXPECT_EQ(names, ReaddirOrder(root_));

    EXPECT_EQ(Named(entries, "ro")->attributes, kAttributeDirectory);
    for (const char* plain : {"x.txt", "link", "dangling", "pipe"}) {
        ASSERT_NE(Named(entries, plain), nullptr) << plain;
        EXPECT_FALSE(IsFolder(Named(entries, plain))) << plain;
    }

    // A folder without its closing backslash lists as well.
    List("C:\\b", &listed);
    EXPECT_TRUE(listed);
}

TEST_F(PosixFileSystem, ListingsLongerThanOneReadAndListingsInsideAListingAreWhole) {
    // Long names fill the listing's buffer after about 1,100 entries.
    Folder("wide");
    for (int i = 0; i < 1500; ++i) File("wide/" + std::string(200, 'n') + std::to_string(i));
    Folder("inner");
    for (int i = 0; i < 50; ++i) File("inner/" + std::string(40, 'i') + std::to_string(i));

    std::vector<std::string> names;
    std::vector<std::string> inner;
    bool innerListed = false;
    fs_->ListFolder("C:\\wide\\", [&](const FolderEntry& e) {
        names.push_back(e.name);
        if (names.size() == 1) {
            for (const FolderEntry& i : List("C:\\inner\\", &innerListed)) inner.push_back(i.name);
        }
    });
    EXPECT_EQ(names, ReaddirOrder(At("wide")));
    EXPECT_TRUE(innerListed);
    EXPECT_EQ(inner, ReaddirOrder(At("inner")));
}

TEST_F(PosixFileSystem, AttributesComeFromTheTypeModeAndADotName) {
    Folder("plain");
    Folder("ro", kAttributeReadOnly);
    File("x.txt");
    Link("plain", "to-folder");
    Link("x.txt", "to-file");

    EXPECT_EQ(fs_->ReadAttributes("C:\\ro"), 0x11u);
    EXPECT_EQ(fs_->ReadAttributes("C:\\to-folder"), 0x410u);
    EXPECT_EQ(fs_->ReadAttributes("C:\\to-file"), 0x20u);
    EXPECT_EQ(fs_->ReadAttributes("C:\\"), 0x10u);
    EXPECT_EQ(fs_->ReadAttributes("C:\\plain\\..\\x.txt"), 0x20u);
}

TEST_F(PosixFileSystem, ProbeLooksForTheNameInsideTheFolder) {
    File("tool.exe");
    Folder("A");
    File("A/tool.exe");
    Folder("A/bin");
    File("A/bin/t.exe");
    File("a*b");

    // A bare drive designator stands for the drive's root.
    EXPECT_EQ(fs_->ProbeFolder("C:", "tool.exe"), "C:\\tool.exe");
    EXPECT_EQ(fs_->ProbeFolder("C:\\A", "bin\\t.exe"), "C:\\A\\bin\\t.exe");
    EXPECT_EQ(fs_->ProbeFolder("C:\\A", "bin/t.exe"), "C:\\A\\bin\\t.exe");
    // ".." never climbs above the drive's root.
    EXPECT_EQ(fs_->ProbeFolder("C:\\A", "bin\\..\\..\\..\\..\\tool.exe"), "C:\\tool.exe");
    EXPECT_EQ(fs_->ProbeFolder("C:\\A", "t.exe"), std::nullopt);
    EXPECT_EQ(fs_->ProbeFolder("C:\\A\\bin", "tool.exe"), std::nullopt);

    // "C:\d\" and a 255-byte name make 260 characters; one more is too long.
    const std::string longName(255, 'n');
    Folder("d");
    Folder("dd");
    File("d/" + longName);
    File("dd/" + longName);
    EXPECT_EQ(fs_->ProbeFolder("C:\\d", longName), "C:\\d\\" + longName);
    EXPECT_EQ(fs_->ProbeFolder("C:\\dd", longName), std::nullopt);

    // A wildcard finds nothing, even a name that holds it.
    EXPECT_EQ(fs_->ProbeFolder("C:", "a*b"), std::nullopt);
}

TEST_F(PosixFileSystem, ProbeOfAnAbsoluteOrDotNameIgnoresTheFolder) {
    Folder("A");
    File("A/tool.exe");
    Folder("B");
    File("B/x.dll");
    EnterFolder("A");

    EXPECT_EQ(fs_->ProbeFolder("C:\\B", "C:\\A\\tool.exe"), "C:\\A\\tool.exe");
    EXPECT_EQ(fs_->ProbeFolder("C:\\B", "\\A\\tool.exe"), "C:\\A\\tool.exe");
    EXPECT_EQ(fs_->ProbeFolder("C:\\B", ".\\tool.exe"), "C:\\A\\tool.exe");
    EXPECT_EQ(fs_->ProbeFolder("C:\\B", "../B/x.dll"), "C:\\B\\x.dll");
    EXPECT_EQ(fs_->ProbeFolder("C:\\A", ".\\x.dll"), std::nullopt);
    EXPECT_EQ(fs_->ProbeFolder("C:\\A", "\\\\server\\share\\x.dll"), std::nullopt);
}

TEST_F(PosixFileSystem, DeepFoldersAreListedUntilTheirPathOutgrowsPathMax) {
    // 300 short levels, then long ones until the POSIX path passes PATH_MAX.
    Folder("Z");
    File("Z/tool.exe");
    std::string program = "C:";
    std::string native = root_;
    std::string deep300, lastListable;
    const std::string longName(200, 'L');
    int fd = open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; native.size() < PATH_MAX + 300; ++level) {
        const std::string name = level < 300 ? "a" : longName;
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int child = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = child;
        ASSERT_GE(fd, 0);
        if (native.size() + 1 + name.size() < PATH_MAX) lastListable = program + "\\" + name;
        program += "\\" + name;
        native += "/" + name;
        if (level == 299) deep300 = program;
    }
    close(fd);

    bool listed = false;
    EXPECT_TRUE(IsFolder(Named(List(deep300 + "\\", &listed), longName)));
    EXPECT_TRUE(listed);
    EXPECT_TRUE(IsFolder(Named(List(lastListable + "\\", &listed), longName)));
    EXPECT_TRUE(listed);
    List(lastListable + "\\" + longName + "\\", &listed);
    EXPECT_FALSE(listed);

    std::vector<std::string> locations;
    EXPECT_EQ(inventory::FindOnDrive(*fs_, "C:", "tool.exe", locations), 1);
    EXPECT_EQ(locations, (std::vector<std::string>{"C:\\Z"}));
}

TEST_F(PosixFileSystem, LinkedFoldersAreNotEntered) {
    Folder("A");
    Folder("A/B");
    File("A/B/tool.exe");
    Link("..", "A/B/up");
    Link(".", "A/self");
    Link(root_, "A/top");

    const std::vector<FolderEntry> entries = List("C:\\A\\");
    EXPECT_TRUE(IsFolder(Named(entries, "B")));
    EXPECT_FALSE(IsFolder(Named(entries, "self")));
    EXPECT_FALSE(IsFolder(Named(entries, "top")));

    std::vector<std::string> locations;
    EXPECT_EQ(inventory::FindOnDrive(*fs_, "C:", "tool.exe", locations), 1);
    EXPECT_EQ(locations, (std::vector<std::string>{"C:\\A\\B"}));
}

// Mounts need a private mount namespace, so this runs in a child process and
// reports the first check that failed as its exit status.
TEST_F(PosixFileSystem, LocalDisksBelowTheRootAreEnteredLoopsAndOtherFileSystemsNot) {
    Folder("A");
    Folder("A/loop");
    Folder("A/alias");
    Folder("A/other");
    Folder("A/disk");
    Folder("B");
    File("B/tool.exe");
    constexpr int kNoDisk = 98;
    // A small disk file system to mount below the drive, where loop devices
    // and mkfs are at hand.
    const std::string image = At("disk.img");
    const bool haveImage =
        std::system(("mkfs.ext2 -q -F " + image + " 1024 >/dev/null 2>&1").c_str()) == 0;

    const int status = InChild([&] {
        if (!test::posix::EnterOwnNamespaces(CLONE_NEWNS) ||
            mount(root_.c_str(), At("A/loop").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            mount(At("B").c_str(), At("A/alias").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            mount("tmpfs", At("A/other").c_str(), "tmpfs", 0, nullptr) != 0) {
            return kCannot;
        }
        std::ofstream(At("A/other/tool.exe")) << "x";
        const std::string mountDisk =
            "mount -o loop " + image + " " + At("A/disk") + " >/dev/null 2>&1";
        const bool disk = haveImage && std::system(mountDisk.c_str()) == 0;
        if (disk) std::ofstream(At("A/disk/tool.exe")) << "x";
        const std::vector<FolderEntry> entries = List("C:\\A\\");
        if (IsFolder(Named(entries, "loop"))) return 1;
        if (IsFolder(Named(entries, "other"))) return 2;
        // A local disk mounted below the root is part of the drive.
        if (disk && !IsFolder(Named(entries, "disk"))) return 6;
        // A bind mount that leads elsewhere on the same file system is walked.
        if (!IsFolder(Named(entries, "alias"))) return 3;
        if (fs_->ReadAttributes("C:\\A\\other") != 0x410u) return 4;
        std::vector<std::string> locations;
        if (inventory::FindOnDrive(*fs_, "C:", "tool.exe", locations) != (disk ? 3 : 2)) return 5;
        return disk ? 0 : kNoDisk;
    });
    if (status == kCannot) GTEST_SKIP() << "no private mount namespace here";
    if (status == kNoDisk) GTEST_SKIP() << "passed without a disk mount: no loop device";
    EXPECT_EQ(status, 0) << "failed check " << status;
}

TEST(LocalMounts, OnlyLocalDiskFileSystemsBelowADriveAreEntered) {
    const struct {
        const char* line;
        bool entered;
        const char* mountPoint;  // nullptr: the line is malformed
    } rows[] = {
        {"29 1 8:2 / /home rw,relatime shared:1 - ext4 /dev/sda2 rw", true, "/home"},
        {"30 1 253:1 / /opt rw - xfs /dev/mapper/vg-opt rw,attr2", true, "/opt"},
        {"31 1 0:33 /@usr /usr rw shared:5 master:2 - btrfs /dev/nvme0n1p3 rw", true, "/usr"},
        {"32 1 0:45 / /srv rw - zfs tank/srv rw,xattr", true, "/srv"},
        {"33 1 8:17 / /mnt/usb\\040stick rw - vfat /dev/sdb1 rw", true, "/mnt/usb stick"},
        {"34 1 8:18 / /mnt/win rw - ntfs3 /dev/sdb2 rw", true, "/mnt/win"},
        {"35 1 8:19 / /mnt/ext rw - exfat /dev/sdb3 rw", true, "/mnt/ext"},
        {"21 26 0:20 / /proc rw,relatime - proc proc rw", false, "/proc"},
        {"22 26 0:21 / /sys rw - sysfs sysfs rw", false, "/sys"},
        {"23 26 0:6 / /dev rw - devtmpfs devtmpfs rw,size=123k", false, "/dev"},
        {"24 23 0:22 / /tmp rw - tmpfs tmpfs rw", false, "/tmp"},
        {"26 22 0:24 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw", false, "/sys/fs/cgroup"},
        {"1 0 0:50 / / rw - overlay overlay rw,lowerdir=/a", false, "/"},
        {"40 1 0:60 / /net rw - nfs4 server:/export rw", false, "/net"},
        {"41 1 0:61 / /share rw - cifs //server/share rw", false, "/share"},
        {"42 1 0:62 / /remote rw - fuse.sshfs host: rw", false, "/remote"},
        {"43 1 8:33 / /mnt/ntfs rw - fuseblk /dev/sdc1 rw", false, "/mnt/ntfs"},
        {"44 1 8:2 / /x rw shared:1", false, nullptr},
        {"44 1 nonsense / /x rw - ext4 /dev/sda2 rw", false, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const std::optional<posix::MountEntry> entry = posix::ParseMountInfoLine(row.line);
        ASSERT_EQ(entry.has_value(), row.mountPoint != nullptr);
        if (!entry) continue;
        EXPECT_EQ(entry->mountPoint, row.mountPoint);
        EXPECT_EQ(posix::EntersMountOfType(entry->type), row.entered);
    }
    EXPECT_EQ(posix::ParseMountInfoLine("29 1 8:2 / /home rw - ext4 /dev/sda2 rw")->device,
              makedev(8, 2));
}

// The listing skips a stat per folder and the closing read only where the
// table shows that nothing is lost; everything unknown keeps both.
TEST(LocalMounts, TheTableTellsWhereAListingMayTrustTheEntryTypes) {
    const posix::MountTable table({
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw",
        "2 1 0:20 / /proc rw - proc proc rw",
        "3 1 0:30 / /data rw - btrfs /dev/sdb1 rw",
        "4 1 8:3 / /data/old rw - ext4 /dev/sda3 rw",
        "5 1 8:17 / /mnt/usb\\040stick/ rw - vfat /dev/sdb1 rw",
        "6 1 0:22 / /tmp rw - tmpfs tmpfs rw",
        "7 6 0:40 / /tmp/x rw - fuse.sshfs h: rw",
        "8 1 8:4 / /var rw - ext4 /dev/sda4 rw",
        "9 8 8:5 / /var rw - xfs /dev/sda5 rw",
        "garbage",
    });
    const struct {
        const char* folder;
        bool holds, oneDevice, shortIsLast;
    } rows[] = {
        {"/", true, true, true},  // /proc, /data... are inside
        {"/usr/lib/", false, true, true},
        {"/proc", false, false, false},
        {"/data", true, false, false},  // btrfs: subvolumes have no mount entry
        {"/data/old/x", false, true, true},
        {"/dataset", false, true, true},  // a prefix of a mount point, not below it
        {"/mnt", true, true, true},
        {"/mnt/usb stick/y", false, true, false},
        {"/tmp", true, true, true},
        {"/tmp/x/y", false, false, false},
        {"/var/log", false, true, true},  // the last mount on a point hides the first
        {"relative", true, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder);
        const posix::FolderMounts mounts = table.Describe(row.folder);
        EXPECT_EQ(mounts.holdsMountPoint, row.holds);
        EXPECT_EQ(mounts.typeShowsEveryDevice, row.oneDevice);
        EXPECT_EQ(mounts.shortReadIsLast, row.shortIsLast);
    }
    EXPECT_TRUE(posix::MountTable({}).Describe("/usr").holdsMountPoint);
}

TEST_F(PosixFileSystem, DrivesSectionMapsLettersAndOverridesWin) {
    Folder("c");
    File("c/in-c.txt");
    Folder("d");
    File("d/in-d.txt");
    Folder("e");
    File("e/in-e.txt");
    std::ofstream(At("Zelmo.ini")) << "[Save]\r\nSavePath=x\r\n[Drives]\r\nC=" << At("c")
                                   << "\r\nd = " << At("d") << "\r\nE=" << At("missing") << "\r\n";

    ConfigureDrives(At("Zelmo.ini"), {});
    EXPECT_EQ(fs_->LogicalDrives(), (1u << 2) | (1u << 3));
    EXPECT_NE(Named(List("C:\\"), "in-c.txt"), nullptr);
    EXPECT_NE(Named(List("D:\\"), "in-d.txt"), nullptr);

    ConfigureDrives(At("Zelmo.ini"), {{'d', At("e")}, {'C', ""}});
    EXPECT_EQ(fs_->LogicalDrives(), 1u << 3);
    EXPECT_NE(Named(List("D:\\"), "in-e.txt"), nullptr);

    ConfigureDrives(At("no-such.ini"), {});
    EXPECT_EQ(fs_->LogicalDrives(), 1u << 2);
    EXPECT_EQ(posix::FindDrive('C')->folder, "/");

    EXPECT_THROW(ConfigureDrives("", {{'1', root_}}), RunTimeError);
}

TEST_F(PosixFileSystem, OnlyTheRootsOwnFileSystemIsWalked) {
    struct stat top, proc;
    if (stat("/", &top) != 0 || stat("/proc", &proc) != 0 || top.st_dev == proc.st_dev) {
        GTEST_SKIP() << "/proc is not a separate file system here";
    }
    ConfigureDrives("", {{'E', "/"}});
    const std::vector<FolderEntry> entries = List("E:\\");
    EXPECT_FALSE(IsFolder(Named(entries, "proc")));
    EXPECT_TRUE(IsFolder(Named(entries, "etc")));
    EXPECT_EQ(fs_->ReadAttributes("E:\\proc") & 0x410u, 0x410u);
    // Mapped to a letter of its own, it is searched.
    ConfigureDrives("", {{'P', "/proc"}});
    EXPECT_TRUE(IsFolder(Named(List("P:\\"), "sys")));
}

TEST_F(PosixFileSystem, ProgramPathsMapThroughTheDriveTable) {
    Folder("d");
    ConfigureDrives("", {{'C', root_}, {'D', At("d")}});
    const TextCodec utf8("UTF-8");
    EXPECT_EQ(NativeFileName("D:\\x\\y.txt", utf8), At("d/x/y.txt"));
    EXPECT_EQ(NativeFileName("c:\\x", utf8), At("x"));
    EXPECT_EQ(NativeFileName("C:", utf8), root_);
    EXPECT_EQ(NativeFileName("rel\\x.txt", utf8), "rel/x.txt");
    EXPECT_EQ(NativeFileName("\\x\\y", utf8), "/x/y");
    EXPECT_EQ(NativeFileName("Q:\\x.txt", utf8), "Q:/x.txt");
    EXPECT_EQ(NativeFileName("C:\\\xE6\x97\xA5\xE6\x9C\xAC.txt", TextCodec("CP932")),
              root_ + "/\x93\xFA\x96\x7B.txt");

    // The innermost root names the drive.
    EXPECT_EQ(posix::ToProgramPath(At("d/x/y.txt")), "D:\\x\\y.txt");
    EXPECT_EQ(posix::ToProgramPath(At("dx/y")), "C:\\dx\\y");
    EXPECT_EQ(posix::ToProgramPath(root_), "C:\\");
    EXPECT_EQ(posix::ToProgramPath("/elsewhere"), std::nullopt);
}

// Under a Shift_JIS locale the second byte of ソ (0x83 0x5C) and of 表
// (0x95 0x5C) is the byte of a backslash: the folder must still be walked and
// the file found, by the indexed scan as by the row-by-row one.
TEST_F(PosixFileSystem, DoubleByteNamesAreSearchedAsCharacters) {
    const std::string locales = At("locales");
    Folder("locales");
    const std::string generate =
        "localedef -c -f SHIFT_JIS -i ja_JP " + locales + "/ja_JP.SJIS >/dev/null 2>&1";
    if (std::system(generate.c_str()) == -1 ||
        access((locales + "/ja_JP.SJIS/LC_CTYPE").c_str(), R_OK) != 0) {
        GTEST_SKIP() << "cannot generate a Shift_JIS locale here";
    }
    const std::string soft = "\x83\x5C\x83\x74\x83\x67";  // ソフト
    const std::string hyou = "\x95\x5C.exe";              // 表.exe
    Folder("c");
    Folder("d");
    Folder("c/" + soft);
    File("c/" + soft + "/" + hyou);
    File("c/" + soft + "/plain.exe");
    std::ofstream(At("list.csv")) << "A,Hyou," + hyou + ",\r\nB,Plain,plain.exe,\r\n";
    for (const std::string mode : {"", " --per-row"}) {
        SCOPED_TRACE(mode);
        // glibc's loading of a locale from LOCPATH keeps a few bytes that a
        // leak checker reports at exit; they are not the program's.
        const std::string command = "ASAN_OPTIONS=detect_leaks=0 LOCPATH=" + locales +
                                    " LC_ALL=ja_JP.SJIS " + ZELMO_CLI_PATH + " scan --list " +
                                    At("list.csv") + " --drive C=" + At("c") +
                                    " --drive D=" + At("d") + mode;
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0);
        EXPECT_NE(out.find("Summary: AHyou,BPlain"), std::string::npos) << out;
    }
}

}  // namespace
}  // namespace zelmo::platform

namespace zelmo::test {
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, FileSystemContract, platform::PosixFileSystemBackend);
}  // namespace zelmo::test
