#include "platform/record_replace.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>

#include "platform/native_file_name.h"
#include "platform/runtime_error.h"
#include "platform/text_codec.h"
#include "platform/win32/file_writes.h"

namespace zelmo::platform {
namespace {

constexpr int kTempAttempts = 100;

// The run-time error that a failed create, write or replace of path means,
// the same numbers the POSIX build gives for the same causes.
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

class Win32RecordReplacement : public RecordReplacement {
  public:
    bool Open(const std::string& path) override {
        target_ = NativeFileName(path, TextCodec::System());
        // The ANSI calls take no longer path; the system's own answer to one
        // varies from call to call.
        return target_.size() < MAX_PATH;
    }
    Existing Inspect() override {
        // The attributes are the entry's own: a reparse point (a link planted
        // at the record's name) is replaced below and never followed.
        existing_ = GetFileAttributesA(target_.c_str());
        link_ = existing_ != INVALID_FILE_ATTRIBUTES && (existing_ & FILE_ATTRIBUTE_REPARSE_POINT);
        Existing found;
        if (existing_ != INVALID_FILE_ATTRIBUTES && !link_) {
            found.folder = (existing_ & FILE_ATTRIBUTE_DIRECTORY) != 0;
            found.readOnly = (existing_ & FILE_ATTRIBUTE_READONLY) != 0;
        }
        return found;
    }
    bool CreateTemp() override {
        const std::size_t cut = target_.find_last_of("\\/");
        temp_.emplace(cut == std::string::npos ? "" : target_.substr(0, cut + 1));
        if (!temp_->created()) SetLastError(temp_->error());
        return temp_->created();
    }
    bool Write(std::string_view bytes) override { return win32::WriteAll(temp_->handle(), bytes); }
    bool Flush() override { return FlushFileBuffers(temp_->handle()) && temp_->Close(); }
    bool MoveIntoPlace() override {
        if (existing_ != INVALID_FILE_ATTRIBUTES && !link_) {
            // The new record keeps the earlier one's hidden or system marks.
            SetFileAttributesA(temp_->path().c_str(),
                               existing_ & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                            FILE_ATTRIBUTE_ARCHIVE));
        }
        // A rename replaces a link to a file, not one to a folder; removing a
        // folder link removes the link alone.
        if (link_ && (existing_ & FILE_ATTRIBUTE_DIRECTORY) && !RemoveDirectoryA(target_.c_str())) {
            return false;
        }
        if (!MoveFileExA(temp_->path().c_str(), target_.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return false;
        }
        temp_->Keep();
        return true;
    }
    [[noreturn]] void RaiseLastError(const std::string& path) override {
        Raise(GetLastError(), path);
    }

  private:
    std::string target_;
    DWORD existing_ = INVALID_FILE_ATTRIBUTES;
    bool link_ = false;
    std::optional<TempFile> temp_;
};

}  // namespace

std::unique_ptr<RecordReplacement> NewRecordReplacement() {
    return std::make_unique<Win32RecordReplacement>();
}

}  // namespace zelmo::platform
