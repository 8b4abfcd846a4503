#pragma once

// What every file system promises, as one typed suite. A backend's test file
// instantiates it with a backend that supplies:
//   kFoldsCase               a probe finds a name in any letter case
//   kListingShowsFileMarks   a listing gives a file's read-only mark
//   kFindsUnlistedNames      the path search finds names that no listing
//                            shows (short names, trimmed dots, devices)
//   Fs()                     the file system
//   At(relative)             the program path of relative ("\" between
//                            folders) below the backend's own folder
//   Folder(relative, marks), File(relative, marks)
//                            makes one, with kAttributeHidden (the name
//                            starts with a dot) or kAttributeReadOnly
//   Lock(relative)           makes a folder unlistable; false when this
//                            backend or user cannot

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/forwarding_file_system.h"

namespace zelmo::test {

inline std::vector<platform::FolderEntry> List(platform::FileSystem& fs, const std::string& folder,
                                               bool* listed = nullptr) {
    std::vector<platform::FolderEntry> entries;
    const bool ok =
        fs.ListFolder(folder, [&](const platform::FolderEntry& e) { entries.push_back(e); });
    if (listed) *listed = ok;
    return entries;
}

inline const platform::FolderEntry* Named(const std::vector<platform::FolderEntry>& entries,
                                          const std::string& name) {
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const platform::FolderEntry& e) { return e.name == name; });
    return it == entries.end() ? nullptr : &*it;
}

inline bool IsFolder(const platform::FolderEntry* entry) {
    return entry != nullptr && (entry->attributes & platform::kAttributeDirectory) != 0;
}

template <typename Backend>
class FileSystemContract : public ::testing::Test {
  protected:
    platform::FileSystem& Fs() { return backend_.Fs(); }
    std::string At(const std::string& relative) const { return backend_.At(relative); }

    // The names listed, sorted, without "." and "..", which only some
    // systems give.
    std::vector<std::string> ListedNames(const std::string& folder, bool* listed) {
        std::vector<std::string> names;
        for (const platform::FolderEntry& e : List(Fs(), folder, listed)) {
            if (e.name != "." && e.name != "..") names.push_back(e.name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // A drive letter this file system does not have.
    std::string MissingDrive() {
        const std::uint32_t present = Fs().LogicalDrives();
        for (char letter = 'Q'; letter != 'P';
             letter = letter == 'Z' ? 'A' : static_cast<char>(letter + 1)) {
            if ((present & (1u << (letter - 'A'))) == 0) return {letter, ':'};
        }
        ADD_FAILURE() << "every drive letter is present";
        return "";
    }

    Backend backend_;
};

TYPED_TEST_SUITE_P(FileSystemContract);

TYPED_TEST_P(FileSystemContract, ListingGivesEveryEntryWithItsFolderAndHiddenMarks) {
    using platform::kAttributeDirectory;
    this->backend_.Folder("Program Files");
    this->backend_.Folder("b");
    this->backend_.Folder(".cache", platform::kAttributeHidden);
    this->backend_.File("x.txt");
    this->backend_.File("ro.txt", platform::kAttributeReadOnly);

    bool listed = false;
    EXPECT_EQ(this->ListedNames(this->At(""), &listed),
              (std::vector<std::string>{".cache", "Program Files", "b", "ro.txt", "x.txt"}));
    EXPECT_TRUE(listed);
    const auto entries = List(this->Fs(), this->At(""));
    EXPECT_EQ(Named(entries, "Program Files")->attributes, kAttributeDirectory);
    EXPECT_EQ(Named(entries, "b")->attributes, kAttributeDirectory);
    EXPECT_EQ(Named(entries, ".cache")->attributes,
              kAttributeDirectory | platform::kAttributeHidden);
    EXPECT_FALSE(IsFolder(Named(entries, "x.txt")));
    EXPECT_FALSE(IsFolder(Named(entries, "ro.txt")));
    if (TypeParam::kListingShowsFileMarks) {
        EXPECT_NE(Named(entries, "ro.txt")->attributes & platform::kAttributeReadOnly, 0u);
    }

    // An empty folder lists nothing.
    EXPECT_TRUE(this->ListedNames(this->At("Program Files\\"), &listed).empty());
    EXPECT_TRUE(listed);
}

TYPED_TEST_P(FileSystemContract, FoldersThatCannotBeListedGiveFalse) {
    this->backend_.File("x.txt");
    this->backend_.Folder("locked");
    const std::uint32_t drive = 1u << (platform::AsciiUpper(this->At("")[0]) - 'A');
    EXPECT_NE(this->Fs().LogicalDrives() & drive, 0u);

    bool listed = true;
    List(this->Fs(), this->At("missing\\"), &listed);
    EXPECT_FALSE(listed);
    // A path through a plain file defeats root as well.
    List(this->Fs(), this->At("x.txt\\"), &listed);
    EXPECT_FALSE(listed);
    List(this->Fs(), this->MissingDrive() + "\\", &listed);
    EXPECT_FALSE(listed);
    if (this->backend_.Lock("locked")) {
        List(this->Fs(), this->At("locked\\"), &listed);
        EXPECT_FALSE(listed);
    }
}

TYPED_TEST_P(FileSystemContract, AttributesOfFilesAndFolders) {
    using platform::kAttributeHidden;
    using platform::kAttributeReadOnly;
    this->backend_.Folder("plain");
    this->backend_.Folder(".config", kAttributeHidden);
    this->backend_.File("x.txt");
    this->backend_.File("ro.txt", kAttributeReadOnly);
    this->backend_.File(".profile", kAttributeHidden);

    platform::FileSystem& fs = this->Fs();
    EXPECT_EQ(fs.ReadAttributes(this->At("plain")), 0x10u);
    EXPECT_EQ(fs.ReadAttributes(this->At(".config")), 0x12u);
    EXPECT_EQ(fs.ReadAttributes(this->At("x.txt")), 0x20u);
    EXPECT_EQ(fs.ReadAttributes(this->At("ro.txt")), 0x21u);
    EXPECT_EQ(fs.ReadAttributes(this->At(".profile")), 0x22u);
    EXPECT_EQ(fs.ReadAttributes(this->At("")), 0x10u);
    EXPECT_EQ(fs.ReadAttributes(this->At("missing")), platform::kInvalidFileAttributes);
    EXPECT_EQ(fs.ReadAttributes(this->MissingDrive() + "\\x.txt"),
              platform::kInvalidFileAttributes);
}

TYPED_TEST_P(FileSystemContract, ProbeLooksForTheNameInOneFolder) {
    this->backend_.Folder("Sub");
    this->backend_.File("Sub\\tool.exe");
    this->backend_.Folder("B");
    this->backend_.Folder("B\\tool.exe");
    platform::FileSystem& fs = this->Fs();
    const std::string tool = this->At("Sub\\tool.exe");

    EXPECT_EQ(fs.ProbeFolder(this->At("Sub"), "tool.exe"), tool);
    EXPECT_EQ(fs.ProbeFolder(this->At("Sub\\"), "tool.exe"), tool);
    EXPECT_EQ(fs.ProbeFolder(this->At(""), "tool.exe"), std::nullopt)
        << "the probe does not descend";
    // A folder of that name is found; telling it apart is the attribute read's job.
    EXPECT_EQ(fs.ProbeFolder(this->At("B"), "tool.exe"), this->At("B\\tool.exe"));
    EXPECT_EQ(fs.ProbeFolder(this->MissingDrive(), "tool.exe"), std::nullopt);
    EXPECT_EQ(fs.ProbeFolder(this->At("Sub"), ""), std::nullopt);
    // An absolute name ignores the folder.
    EXPECT_EQ(fs.ProbeFolder(this->At("no-such-folder"), tool), tool);

    std::optional<std::string> upper = fs.ProbeFolder(this->At("Sub"), "TOOL.EXE");
    EXPECT_EQ(upper.has_value(), TypeParam::kFoldsCase);
    if (upper) {
        std::string expected = tool;
        platform::AsciiUpperCase(expected);
        platform::AsciiUpperCase(*upper);
        EXPECT_EQ(*upper, expected);
    }

    for (const char* pattern :
         {"*.exe", "to?l.exe", "tool.*", "tool.exe|", "<tool.exe", "\"tool.exe\""}) {
        EXPECT_EQ(fs.ProbeFolder(this->At("Sub"), pattern), std::nullopt) << pattern;
    }
}

// A walk answers many names from the listings: a name the path search finds
// must be listed under its key, or ListingDecides must send the walk to the
// probe. A wrapper must give the same answers.
TYPED_TEST_P(FileSystemContract, NamesThePathSearchFindsWithoutListingThemAreLeftToTheProbe) {
    this->backend_.File("edit.exe");
    platform::FileSystem& fs = this->Fs();
    std::vector<std::string> keys;
    for (const platform::FolderEntry& e : List(fs, this->At(""))) {
        keys.emplace_back();
        fs.NameKey(e.name, keys.back());
    }
    const auto listedUnder = [&](const std::string& name) {
        std::string key;
        fs.NameKey(name, key);
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    };
    EXPECT_TRUE(fs.ListingDecides("edit.exe"));
    EXPECT_TRUE(listedUnder("EDIT.EXE"));

    platform::ForwardingFileSystem wrapper(fs);
    bool foundUnlisted = false;
    for (const char* name :
         {"edit.exe", "EDIT.EXE", "edit.exe.", "edit.exe ", "NUL", "con.txt", "COM1", "EDIT~1.EXE",
          "\xC3\xA9"
          "dit.exe"}) {
        SCOPED_TRACE(name);
        if (fs.ProbeFolder(this->At(""), name) && !listedUnder(name)) {
            foundUnlisted = true;
            EXPECT_FALSE(fs.ListingDecides(name));
        }
        std::string key, wrapped;
        fs.NameKey(name, key);
        wrapper.NameKey(name, wrapped);
        EXPECT_EQ(wrapped, key);
        EXPECT_EQ(wrapper.ListingDecides(name), fs.ListingDecides(name));
    }
    EXPECT_EQ(foundUnlisted, TypeParam::kFindsUnlistedNames);
}

REGISTER_TYPED_TEST_SUITE_P(FileSystemContract, ListingGivesEveryEntryWithItsFolderAndHiddenMarks,
                            FoldersThatCannotBeListedGiveFalse, AttributesOfFilesAndFolders,
                            ProbeLooksForTheNameInOneFolder,
                            NamesThePathSearchFindsWithoutListingThemAreLeftToTheProbe);

}  // namespace zelmo::test
