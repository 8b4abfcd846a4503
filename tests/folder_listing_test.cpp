// The save folder's listing, against the real file system of either backend.

#include "platform/folder_listing.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/test_support.h"

namespace zelmo::platform {
namespace {

namespace fs = std::filesystem;
using Status = FolderListing::Status;

TEST(FolderListing, GivesEachEntryAndWhetherItIsAFolderItself) {
    test::TempDir dir;
    const fs::path& root = dir.path();
    test::WriteBytes(dir / "PC1.txt", "x");
    fs::create_directories(root / "sub" / "deeper");
    // A link to a folder is no folder of the listing's: the reader refuses it.
    std::error_code linkError;
    fs::create_directory_symlink(root / "sub", root / "link", linkError);

    const FolderListing listing = ListFolder(root);
    ASSERT_EQ(listing.status, Status::Listed);
    std::map<std::string, bool> seen;
    for (const ListedEntry& entry : listing.entries) {
        EXPECT_TRUE(entry.path.parent_path() == root) << entry.path.string();
        seen[entry.path.filename().string()] = entry.folder;
    }
    std::map<std::string, bool> wanted{{"PC1.txt", false}, {"sub", true}};
    if (!linkError) wanted["link"] = false;
    EXPECT_EQ(seen, wanted);

    const FolderListing empty = ListFolder(root / "sub" / "deeper");
    EXPECT_EQ(empty.status, Status::Listed);
    EXPECT_TRUE(empty.entries.empty());
    EXPECT_EQ(ListFolder(root / "missing").status, Status::NotFolder);
    EXPECT_EQ(ListFolder(root / "PC1.txt").status, Status::NotFolder);
}

}  // namespace
}  // namespace zelmo::platform
