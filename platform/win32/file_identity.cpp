#include "platform/file_identity.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/native_file_name.h"
#include "platform/text_codec.h"

namespace zelmo::platform {
namespace {

// FILE_FLAG_BACKUP_SEMANTICS opens folders too; no access is asked for, so
// that a file open elsewhere, even exclusively, still tells its identity.
std::optional<FileIdentity> IdentityOf(const std::string& path, DWORD flags) {
    const HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!known) return std::nullopt;
    return FileIdentity{
        info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace

PathIdentity IdentifyPath(const std::string& given) {
    const std::string path = CommandLineFileName(given);
    PathIdentity found;
    found.file = IdentityOf(path, 0);

    std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos && path.size() >= 2 && path[1] == ':') cut = 1;
    found.name =
        TextCodec::System().FromAnsi(cut == std::string::npos ? path : path.substr(cut + 1));
    std::string folder = cut == std::string::npos ? "." : path.substr(0, cut + 1);
    // "C:" alone is the drive's current folder, "C:\" its root.
    if (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
        folder[folder.size() - 2] != ':') {
        folder.pop_back();
    }
    if (folder == "\\" || folder == "/" || folder.ends_with(":")) folder += ".";
    found.folder = IdentityOf(folder, 0);

    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    found.normal = length > 0 && length < MAX_PATH ? std::string(full, length) : path;
    // Names are compared as the file system does, without regard to case.
    CharUpperBuffA(found.normal.data(), static_cast<DWORD>(found.normal.size()));
    return found;
}

std::vector<NamedIdentity> IdentifyFolderEntries(const std::string& given) {
    const std::string folder = CommandLineFileName(given);
    std::vector<NamedIdentity> entries;
    const std::string base =
        folder.empty() || folder.back() == '\\' || folder.back() == '/' ? folder : folder + "\\";
    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA((base + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (const auto identity = IdentityOf(base + data.cFileName, FILE_FLAG_OPEN_REPARSE_POINT)) {
            entries.push_back({TextCodec::System().FromAnsi(data.cFileName), *identity});
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return entries;
}

}  // namespace zelmo::platform
