#include "platform/untrusted_file.h"

#include <windows.h>

#include <algorithm>

namespace zelmo::platform {
namespace {

// FILETIME counts 100 ns from 1601.
std::int64_t SecondsSince1970(const FILETIME& time) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() { CloseHandle(handle); }
};

}  // namespace

UntrustedFile ReadUntrustedFile(const std::filesystem::path& path, std::size_t maxBytes) {
    UntrustedFile file;
    // The reparse point itself is opened, never what it leads to; sharing
    // everything keeps a PC that writes its record meanwhile from failing.
    const HANDLE handle = CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN,
        nullptr);
    if (handle == INVALID_HANDLE_VALUE) return file;
    const HandleCloser closer{handle};
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return file;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        file.status = UntrustedFile::Status::Link;
        return file;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        GetFileType(handle) != FILE_TYPE_DISK) {
        file.status = UntrustedFile::Status::NotRegular;
        return file;
    }
    file.modified = SecondsSince1970(info.ftLastWriteTime);
    const std::uint64_t size =
        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > maxBytes) {
        file.status = UntrustedFile::Status::TooLarge;
        return file;
    }
    file.bytes.resize(static_cast<std::size_t>(size) + 1);
    std::size_t have = 0;
    while (true) {
        DWORD got = 0;
        const DWORD want =
            static_cast<DWORD>(std::min<std::size_t>(file.bytes.size() - have, 1u << 30));
        if (!ReadFile(handle, file.bytes.data() + have, want, &got, nullptr)) {
            file.bytes.clear();
            return file;
        }
        have += got;
        // Fewer than asked for only at the end.
        if (got < want) break;
        if (have >= file.bytes.size()) {
            if (have > maxBytes) {
                file.bytes.clear();
                file.status = UntrustedFile::Status::TooLarge;
                return file;
            }
            file.bytes.resize(std::min(have * 2, maxBytes + 1));
        }
    }
    file.bytes.resize(have);
    file.status = UntrustedFile::Status::Read;
    return file;
}

}  // namespace zelmo::platform
