#include "platform/file_identity.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/native_file_name.h"
#include "platform/text_codec.h"
#include "platform/win32/wide_text.h"

namespace zelmo::platform {
namespace {

// FILE_FLAG_BACKUP_SEMANTICS opens folders too; no access is asked for, so
// that a file open elsewhere, even exclusively, still tells its identity.
std::optional<FileIdentity> IdentityOf(const std::string& path) {
    const HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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
    found.file = IdentityOf(path);

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
    found.folder = IdentityOf(folder);

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
    // Every entry is on the folder's volume, and one enumeration of the
    // folder's handle gives each entry's file ID: opening each entry to ask
    // would cost, under Wine, a round trip to the mount manager per record.
    const HANDLE handle = CreateFileA(folder.empty() ? "." : folder.c_str(), FILE_LIST_DIRECTORY,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return entries;
    BY_HANDLE_FILE_INFORMATION volume;
    if (GetFileInformationByHandle(handle, &volume)) {
        std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));  // entries are 8-aligned
        const DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
        FILE_INFO_BY_HANDLE_CLASS ask = FileIdBothDirectoryRestartInfo;
        while (GetFileInformationByHandleEx(handle, ask, buffer.data(), bytes)) {
            ask = FileIdBothDirectoryInfo;
            const auto* at = reinterpret_cast<const unsigned char*>(buffer.data());
            while (true) {
                const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
                // A link to a folder is a folder here, as the listing shows it.
                if (!(entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    entries.push_back(
                        {win32::Narrow({entry->FileName, entry->FileNameLength / sizeof(WCHAR)}),
                         {volume.dwVolumeSerialNumber,
                          static_cast<std::uint64_t>(entry->FileId.QuadPart)}});
                }
                if (entry->NextEntryOffset == 0) break;
                at += entry->NextEntryOffset;
            }
        }
    }
    CloseHandle(handle);
    return entries;
}

}  // namespace zelmo::platform
