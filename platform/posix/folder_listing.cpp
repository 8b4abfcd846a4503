#include "platform/folder_listing.h"

#include <system_error>

namespace zelmo::platform {

namespace fs = std::filesystem;

// The library's iterator takes the type from the listing (d_type) where the
// file system gives it and asks lstat only where it does not.
FolderListing ListFolder(const fs::path& folder) {
    FolderListing listing;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        listing.status = FolderListing::Status::NotFolder;
        return listing;
    }
    fs::directory_iterator it(folder, ec);
    if (ec) {
        listing.status = FolderListing::Status::Unreadable;
        return listing;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        const bool folderItself = it->is_directory(typeError) && !it->is_symlink(typeError);
        listing.entries.push_back({it->path(), folderItself});
    }
    listing.status = ec ? FolderListing::Status::Failed : FolderListing::Status::Listed;
    return listing;
}

}  // namespace zelmo::platform
