#include "platform/record_file.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/runtime_error.h"
#include "platform/sequential_file.h"
#include "platform/text_codec.h"

namespace zelmo::platform {
namespace {

constexpr int kTempAttempts = 100;

// The classic run time's answer to a failed create, write or replace.
[[noreturn]] void Raise(DWORD error, const std::string& path) {
    switch (error) {
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            throw RunTimeError(kPathNotFound, path);
        case ERROR_FILE_NOT_FOUND:
            throw RunTimeError(kFileNotFound, path);
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            throw RunTimeError(kPermissionDenied, path);
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            throw RunTimeError(kBadFileNameOrNumber, path);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            throw RunTimeError(kDiskFull, path);
        default:
            throw RunTimeError(kPathFileAccessError, path);
    }
}

// A temporary file beside the target, made only by this call and removed
// unless it has become the record. Its name is short, so that it fits
// wherever the record's own name does.
class TempFile {
  public:
    explicit TempFile(const std::string& folder) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
            char name[32];
            std::snprintf(name, sizeof name, "~zcb%04x%04x.tmp",
                          static_cast<unsigned>(GetCurrentProcessId() & 0xFFFFu),
                          static_cast<unsigned>((counter++ + GetTickCount()) & 0xFFFFu));
            path_ = folder + name;
            handle_ = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
            error_ = handle_ == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
            if (error_ == ERROR_SUCCESS) return;
            if (error_ != ERROR_FILE_EXISTS && error_ != ERROR_ALREADY_EXISTS) return;
        }
    }
    ~TempFile() {
        Close();
        if (!kept_ && created()) DeleteFileA(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool created() const { return error_ == ERROR_SUCCESS && !path_.empty(); }
    DWORD error() const { return error_; }
    HANDLE handle() const { return handle_; }
    const std::string& path() const { return path_; }

    bool Close() {
        if (handle_ == INVALID_HANDLE_VALUE) return true;
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }
    void Keep() { kept_ = true; }

  private:
    std::string path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DWORD error_ = ERROR_SUCCESS;
    bool kept_ = false;
};

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

class SystemRecordFiles : public RecordFileService {
  public:
    using RecordFileService::ReplaceContents;
    void ReplaceContents(const std::string& path,
                         std::span<const std::string_view> parts) override {
        if (path.empty()) throw RunTimeError(kBadFileNameOrNumber, "(no file name)");
        const std::string target = NativeFileName(path, TextCodec::System());
        // The ANSI calls take no longer path; the system's own answer to one
        // varies from call to call.
        if (target.size() >= MAX_PATH) throw RunTimeError(kBadFileNameOrNumber, path);

        // The attributes are the entry's own: a reparse point (a link planted
        // at the record's name) is replaced below and never followed.
        const DWORD existing = GetFileAttributesA(target.c_str());
        const bool link =
            existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_REPARSE_POINT);
        if (existing != INVALID_FILE_ATTRIBUTES && !link) {
            if (existing & FILE_ATTRIBUTE_DIRECTORY) throw RunTimeError(kPathFileAccessError, path);
            // A read-only record stays as it is, as it does for the system's
            // own output open, even though a rename could replace it.
            if (existing & FILE_ATTRIBUTE_READONLY) throw RunTimeError(kPermissionDenied, path);
        }

        const std::size_t cut = target.find_last_of("\\/");
        TempFile temp(cut == std::string::npos ? "" : target.substr(0, cut + 1));
        if (!temp.created()) Raise(temp.error(), path);
        for (const std::string_view bytes : parts) {
            if (!WriteAll(temp.handle(), bytes)) Raise(GetLastError(), path);
        }
        if (!FlushFileBuffers(temp.handle()) || !temp.Close()) Raise(GetLastError(), path);
        if (existing != INVALID_FILE_ATTRIBUTES && !link) {
            // The new record keeps the earlier one's hidden or system marks.
            SetFileAttributesA(temp.path().c_str(),
                               existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                           FILE_ATTRIBUTE_ARCHIVE));
        }
        // A rename replaces a link to a file, not one to a folder; removing a
        // folder link removes the link alone.
        if (link && (existing & FILE_ATTRIBUTE_DIRECTORY) && !RemoveDirectoryA(target.c_str())) {
            Raise(GetLastError(), path);
        }
        if (!MoveFileExA(temp.path().c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            Raise(GetLastError(), path);
        }
        temp.Keep();
    }
};

}  // namespace

std::unique_ptr<RecordFileService> OpenSystemRecordFiles() {
    return std::make_unique<SystemRecordFiles>();
}

}  // namespace zelmo::platform
