#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../file_system_contract.h"
#include "../test_support.h"
#include "inventory/file_search.h"
#include "platform/file_system.h"
#include "platform/win32/wide_text.h"

namespace zelmo::platform {
namespace {

using test::Named;
using win32::Widen;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The system's file system in real folders below the temporary folder, made
// with the Unicode calls so that names reach the disk exactly.
class Win32FileSystemBackend {
  public:
    static constexpr bool kFoldsCase = true;
    static constexpr bool kListingShowsFileMarks = true;
    static constexpr bool kFindsUnlistedNames = true;

    Win32FileSystemBackend() = default;
    ~Win32FileSystemBackend() {
        // A read-only file would stay behind.
        std::error_code ec;
        for (std::filesystem::recursive_directory_iterator it(dir_.path(), ec), end;
             !ec && it != end; it.increment(ec)) {
            SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
    Win32FileSystemBackend(const Win32FileSystemBackend&) = delete;
    Win32FileSystemBackend& operator=(const Win32FileSystemBackend&) = delete;

    FileSystem& Fs() { return *fs_; }
    // Joined as text: a path object would read UTF-8 names in the code page.
    std::string At(const std::string& relative) const { return base_ + relative; }

    // The marks are the system's own attribute bits.
    void Folder(const std::string& relative, std::uint32_t marks = 0) {
        ASSERT_TRUE(CreateDirectoryW(Widen(At(relative)).c_str(), nullptr)) << relative;
        if (marks) {
            ASSERT_TRUE(SetFileAttributesW(Widen(At(relative)).c_str(), marks));
        }
    }
    void File(const std::string& relative, std::uint32_t marks = 0) {
        const HANDLE file = CreateFileW(Widen(At(relative)).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, marks ? marks : FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << relative;
        CloseHandle(file);
    }
    bool Lock(const std::string&) { return false; }

  private:
    test::TempDir dir_;
    const std::string base_ = dir_ / "";
    std::unique_ptr<FileSystem> fs_ = OpenSystemFileSystem();
};

// What only Windows has: the current folder of a drive, hidden folders that
// the walk counts, the ANSI code page's names.
class Win32FileSystem : public ::testing::Test {
  protected:
    std::string At(const std::string& relative) const { return backend_.At(relative); }
    void Folder(const std::string& relative, DWORD attributes = 0) {
        backend_.Folder(relative, attributes);
    }
    void File(const std::string& relative) { backend_.File(relative); }
    std::vector<FolderEntry> List(const std::string& folder) { return test::List(*fs_, folder); }

    Win32FileSystemBackend backend_;
    FileSystem* const fs_ = &backend_.Fs();
};

TEST_F(Win32FileSystem, ABareDriveDesignatorProbesTheRootFolderNotTheCurrentOne) {
    const std::string rootName = "zelmo-root-probe-" + std::to_string(GetCurrentProcessId());
    const std::string rootFile = "C:\\" + rootName;
    const HANDLE file = CreateFileA(rootFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) GTEST_SKIP() << "cannot write into C:\\";
    CloseHandle(file);
    File("cwd-only.txt");
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(At("").c_str());

    const auto inRoot = fs_->ProbeFolder("C:", rootName);
    const auto inCurrent = fs_->ProbeFolder("C:", "cwd-only.txt");
    SetCurrentDirectoryA(saved);
    DeleteFileA(rootFile.c_str());
    ASSERT_TRUE(inRoot);
    EXPECT_EQ(Lower(*inRoot), Lower(rootFile));
    EXPECT_FALSE(inCurrent);
}

TEST_F(Win32FileSystem, TheWalkCountsAHiddenFolderOfTheNameButNotAPlainOne) {
    Folder("A");
    File("A\\tool.exe");
    Folder("A\\B");
    File("A\\B\\tool.exe");
    Folder("plain");
    Folder("plain\\tool.exe");
    Folder("C");
    Folder("C\\tool.exe", FILE_ATTRIBUTE_HIDDEN);
    File("C\\tool.exe\\tool.exe");
    EXPECT_EQ(fs_->ReadAttributes(At("plain\\tool.exe")), 0x10u);
    EXPECT_EQ(fs_->ReadAttributes(At("C\\tool.exe")), 0x12u);

    std::vector<std::string> locations(1);
    std::int32_t count = 0;
    inventory::FindInSubfolders(*fs_, At(""), "tool.exe", locations, count);
    EXPECT_EQ(count, 4);
    std::sort(locations.begin(), locations.end());
    EXPECT_EQ(locations,
              (std::vector<std::string>{At("A"), At("A\\B"), At("C"), At("C\\tool.exe")}));
}

TEST_F(Win32FileSystem, JapaneseNamesTravelThroughTheAnsiCodePage) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932, not " << GetACP();
    Folder("表計算");
    File("表計算\\ツール.exe");
    const std::vector<FolderEntry> entries = List(At(""));
    ASSERT_NE(Named(entries, "表計算"), nullptr);
    EXPECT_EQ(Named(entries, "表計算")->attributes, kAttributeDirectory);
    const auto found = fs_->ProbeFolder(At("表計算"), "ツール.exe");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, At("表計算\\ツール.exe"));
    EXPECT_EQ(fs_->ReadAttributes(*found) & kAttributeDirectory, 0u);
    // A character the code page lacks cannot be asked for.
    EXPECT_FALSE(fs_->ProbeFolder(At("表計算"), "ツール😀.exe"));
}

TEST_F(Win32FileSystem, DriveMaskHasDriveC) {
    EXPECT_NE(fs_->LogicalDrives() & (1u << ('C' - 'A')), 0u);
    EXPECT_EQ(fs_->LogicalDrives(), GetLogicalDrives());
}

}  // namespace
}  // namespace zelmo::platform

namespace zelmo::test {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FileSystemContract, platform::Win32FileSystemBackend);
}  // namespace zelmo::test
