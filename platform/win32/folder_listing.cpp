#include "platform/folder_listing.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

namespace zelmo::platform {

namespace fs = std::filesystem;

FolderListing ListFolder(const fs::path& folder) {
    FolderListing listing;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        listing.status = FolderListing::Status::NotFolder;
        return listing;
    }
    std::wstring base = folder.native();
    if (!base.empty() && base.back() != L'\\' && base.back() != L'/' && base.back() != L':') {
        base += L'\\';
    }
    // The listing's attributes answer the type: the library's iterator asks
    // each entry's status apart. No short (8.3) names, and large fetches,
    // cut the requests per entry.
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW((base + L"*").c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        // A drive's empty root lists not even "." and "..".
        listing.status = GetLastError() == ERROR_FILE_NOT_FOUND ? FolderListing::Status::Listed
                                                                : FolderListing::Status::Unreadable;
        return listing;
    }
    do {
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const DWORD type = data.dwFileAttributes;
        listing.entries.push_back(
            {fs::path(base + data.cFileName),
             (type & FILE_ATTRIBUTE_DIRECTORY) && !(type & FILE_ATTRIBUTE_REPARSE_POINT)});
    } while (FindNextFileW(find, &data));
    const DWORD ended = GetLastError();
    FindClose(find);
    listing.status = ended == ERROR_NO_MORE_FILES ? FolderListing::Status::Listed
                                                  : FolderListing::Status::Failed;
    return listing;
}

}  // namespace zelmo::platform
