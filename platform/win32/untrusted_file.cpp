#include "platform/untrusted_file.h"

#include <windows.h>

#include <algorithm>

namespace zelmo::platform {
namespace {

// File times count 100 ns from 1601.
std::int64_t SecondsSince1970(const LARGE_INTEGER& time) {
    const auto ticks = static_cast<std::uint64_t>(time.QuadPart);
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
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return file;
    const HandleCloser closer{handle};
    // GetFileInformationByHandle would also ask the volume's serial number
    // and the file's name, which under Wine cost a round trip to the mount
    // manager's process and two server requests per file; the attributes
    // and time asked here come from the open file alone.
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return file;
    if (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        file.status = UntrustedFile::Status::Link;
        return file;
    }
    // A device name (NUL.txt) opens the device, which only its type tells.
    if ((basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        GetFileType(handle) != FILE_TYPE_DISK) {
        file.status = UntrustedFile::Status::NotRegular;
        return file;
    }
    file.modified = SecondsSince1970(basic.LastWriteTime);
    // Read without asking the size first: a record is smaller than one
    // chunk, and under Wine each question on the handle is a few more calls.
    char chunk[16 * 1024];
    while (true) {
        const DWORD want = static_cast<DWORD>(
            std::min<std::size_t>(sizeof chunk, maxBytes + 1 - file.bytes.size()));
        DWORD got = 0;
        if (!ReadFile(handle, chunk, want, &got, nullptr)) {
            file.bytes.clear();
            return file;
        }
        file.bytes.append(chunk, got);
        if (file.bytes.size() > maxBytes) {
            file.bytes.clear();
            file.status = UntrustedFile::Status::TooLarge;
            return file;
        }
        // Fewer than asked for only at the end.
        if (got < want) break;
    }
    file.status = UntrustedFile::Status::Read;
    return file;
}

}  // namespace zelmo::platform
