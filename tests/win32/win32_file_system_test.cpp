#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../test_support.h"
#include "inventory/file_search.h"
#include "platform/file_system.h"
#include "platform/win32/wide_text.h"

namespace zelmo::platform {
namespace {

using win32::Widen;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Real folders below the prefix's temporary folder, made with the Unicode
// calls so that names reach the disk exactly.
class Win32FileSystem : public ::testing::Test {
  protected:
    // Joined as text: a path object would read UTF-8 names in the code page.
    std::string At(const std::string& relative) const { return base_ + relative; }

    void Folder(const std::string& relative, DWORD attributes = 0) {
        ASSERT_TRUE(CreateDirectoryW(Widen(At(relative)).c_str(), nullptr)) << relative;
        if (attributes) {
            ASSERT_TRUE(SetFileAttributesW(Widen(At(relative)).c_str(), attributes));
        }
    }

    void File(const std::string& relative, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        const HANDLE file = CreateFileW(Widen(At(relative)).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, attributes, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << relative;
        CloseHandle(file);
    }

    std::vector<FolderEntry> List(const std::string& folder, bool* listed = nullptr) {
        std::vector<FolderEntry> entries;
        const bool ok =
            fs_->ListFolder(folder, [&](const FolderEntry& e) { entries.push_back(e); });
        if (listed) *listed = ok;
        return entries;
    }

    static const FolderEntry* Named(const std::vector<FolderEntry>& entries,
                                    const std::string& name) {
        const auto it = std::find_if(entries.begin(), entries.end(),
                                     [&](const FolderEntry& e) { return e.name == name; });
        return it == entries.end() ? nullptr : &*it;
    }

    test::TempDir dir_;
    const std::string base_ = dir_ / "";
    std::unique_ptr<FileSystem> fs_ = OpenSystemFileSystem();
};

TEST_F(Win32FileSystem, ListingGivesEveryEntryWithItsAttributesAndLongName) {
    Folder("Program Files");
    Folder("hidden", FILE_ATTRIBUTE_HIDDEN);
    File("x.txt");
    File("ro.txt", FILE_ATTRIBUTE_READONLY);

    bool listed = false;
    const std::vector<FolderEntry> entries = List(At(""), &listed);
    ASSERT_TRUE(listed);
    std::vector<std::string> names;
    for (const FolderEntry& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{".", "..", "Program Files", "hidden", "ro.txt", "x.txt"}));
    EXPECT_EQ(Named(entries, "Program Files")->attributes, kAttributeDirectory);
    EXPECT_EQ(Named(entries, "hidden")->attributes, kAttributeDirectory | kAttributeHidden);
    EXPECT_EQ(Named(entries, "x.txt")->attributes & kAttributeDirectory, 0u);
    EXPECT_NE(Named(entries, "ro.txt")->attributes & kAttributeReadOnly, 0u);

    List(At("missing\\"), &listed);
    EXPECT_FALSE(listed);
    List(At("x.txt\\"), &listed);
    EXPECT_FALSE(listed);
}

TEST_F(Win32FileSystem, ProbeLooksInOneFolderIgnoringCase) {
    Folder("Sub");
    File("Sub\\tool.exe");
    const auto found = fs_->ProbeFolder(At("Sub"), "TOOL.EXE");
    ASSERT_TRUE(found);
    EXPECT_EQ(Lower(*found), Lower(At("Sub\\tool.exe")));
    const auto withBackslash = fs_->ProbeFolder(At("Sub\\"), "tool.exe");
    ASSERT_TRUE(withBackslash);
    EXPECT_EQ(Lower(*withBackslash), Lower(*found));

    EXPECT_FALSE(fs_->ProbeFolder(At(""), "tool.exe")) << "the probe does not descend";
    EXPECT_FALSE(fs_->ProbeFolder(At("Sub"), "*.exe")) << "wildcards find nothing";
    EXPECT_FALSE(fs_->ProbeFolder(At("Sub"), "to?l.exe"));
    EXPECT_TRUE(fs_->ProbeFolder(At(""), "Sub")) << "a folder of the name is found too";
    // An absolute name ignores the folder.
    EXPECT_TRUE(fs_->ProbeFolder("C:\\no-such-folder", At("Sub\\tool.exe")));
}

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

TEST_F(Win32FileSystem, NamesThePathSearchFindsWithoutListingThemAreLeftToTheProbe) {
    File("edit.exe");
    std::vector<std::string> keys;
    for (const FolderEntry& e : List(At(""))) {
        keys.emplace_back();
        fs_->NameKey(e.name, keys.back());
    }
    const auto listedUnder = [&](const std::string& name) {
        std::string key;
        fs_->NameKey(name, key);
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    };
    EXPECT_TRUE(fs_->ListingDecides("edit.exe"));
    EXPECT_TRUE(listedUnder("EDIT.EXE"));
    // The path rules drop a trailing dot; a listing never shows it.
    ASSERT_TRUE(fs_->ProbeFolder(At(""), "edit.exe."));
    for (const char* name : {"edit.exe.", "edit.exe ", "NUL", "con.txt", "COM1", "EDIT~1.EXE"}) {
        if (fs_->ProbeFolder(At(""), name) && !listedUnder(name)) {
            EXPECT_FALSE(fs_->ListingDecides(name)) << name;
        }
    }
}

TEST_F(Win32FileSystem, DriveMaskHasDriveC) {
    EXPECT_NE(fs_->LogicalDrives() & (1u << ('C' - 'A')), 0u);
    EXPECT_EQ(fs_->LogicalDrives(), GetLogicalDrives());
}

}  // namespace
}  // namespace zelmo::platform
