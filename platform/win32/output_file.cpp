#include "platform/output_file.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/native_file_name.h"
#include "platform/win32/file_writes.h"

namespace zelmo::platform {
namespace {

constexpr std::string_view kTempSuffix = ".tmp";
constexpr int kTempAttempts = 100;
constexpr std::size_t kTagLength = 8;

// A run's claim on its temporary file: one byte far past any data, locked for
// as long as the run holds the file.
constexpr DWORD kClaimOffsetHigh = 0x7FFFFFFF;

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    throw OutputError(path + ": " + what);
}

[[noreturn]] void FailLastError(const std::string& path) {
    const DWORD error = GetLastError();
    char text[512] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    if (message.empty()) message = "system error " + std::to_string(error);
    Fail(path, message);
}

bool Claim(HANDLE file) {
    OVERLAPPED at{};
    at.OffsetHigh = kClaimOffsetHigh;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

// Deleted through the handle, so that it is this file that goes, whatever
// has been renamed to its name meanwhile.
void DeleteOpened(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

std::string TempPrefix(const std::string& fileName) { return "." + fileName + "."; }

// A run killed while it staged leaves its temporary file; a live run holds
// the claim on its own, so whatever can be claimed here is a dead run's.
void RemoveDeadTemps(const std::string& folder, const std::string& fileName) {
    const std::string prefix = TempPrefix(fileName);
    WIN32_FIND_DATAA data;
    const HANDLE find =
        FindFirstFileA((folder + prefix + "*" + std::string(kTempSuffix)).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string_view name = data.cFileName;
        if (name.size() != prefix.size() + kTagLength + kTempSuffix.size() ||
            (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
            continue;
        }
        const HANDLE file =
            CreateFileA((folder + data.cFileName).c_str(), GENERIC_READ | DELETE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        if (GetFileType(file) == FILE_TYPE_DISK && Claim(file)) DeleteOpened(file);
        CloseHandle(file);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

class ReplacingOutput : public StagedOutput {
  public:
    // path in the system's form; shown as the user gave it.
    ReplacingOutput(const std::string& path, const std::string& shown, Placement how,
                    DWORD existing, std::span<const std::string_view> parts)
        : target_(path), shown_(shown), how_(how), existing_(existing) {
        const std::size_t cut = path.find_last_of("\\/");
        folder_ = cut == std::string::npos ? "" : path.substr(0, cut + 1);
        const std::string fileName = path.substr(folder_.size());
        RemoveDeadTemps(folder_, fileName);
        Create(TempPrefix(fileName));
        try {
            for (const std::string_view bytes : parts) {
                if (!win32::WriteAll(file_, bytes)) FailLastError(shown_);
            }
            if (!FlushFileBuffers(file_)) FailLastError(shown_);
        } catch (...) {
            Discard();
            throw;
        }
    }
    ~ReplacingOutput() override { Discard(); }

    Placement How() const override { return how_; }
    void Publish() override {
        if (how_ == Placement::Replace && existing_ != INVALID_FILE_ATTRIBUTES) {
            // The new output keeps the earlier one's hidden or system marks.
            SetFileAttributesA(temp_.c_str(),
                               existing_ & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                            FILE_ATTRIBUTE_ARCHIVE));
        }
        // A rename replaces a link to a file, not one to a folder; removing a
        // folder link removes the link alone.
        if (how_ == Placement::ReplaceLink && (existing_ & FILE_ATTRIBUTE_DIRECTORY) &&
            !RemoveDirectoryA(target_.c_str())) {
            FailLastError(shown_);
        }
        // The file stays open and claimed while it moves: it was opened to
        // share deletion, which a rename counts as.
        if (!MoveFileExA(temp_.c_str(), target_.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            FailLastError(shown_);
        }
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }

  private:
    void Discard() {
        if (file_ == INVALID_HANDLE_VALUE) return;
        DeleteOpened(file_);
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    void Create(const std::string& prefix) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
            char tag[16];
            std::snprintf(tag, sizeof tag, "%04x%04x",
                          static_cast<unsigned>(GetCurrentProcessId() & 0xFFFFu),
                          static_cast<unsigned>((counter++ + GetTickCount()) & 0xFFFFu));
            temp_ = folder_ + prefix + tag + std::string(kTempSuffix);
            // The ANSI calls take no longer path.
            if (temp_.size() >= MAX_PATH) Fail(shown_, "too long a name for its temporary file");
            const HANDLE file = CreateFileA(temp_.c_str(), GENERIC_WRITE | DELETE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                const DWORD error = GetLastError();
                if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
                FailLastError(shown_);
            }
            if (Claim(file)) {
                file_ = file;
                return;
            }
            // Another run took it for a dead one's between its making and
            // the claim, and removes it.
            CloseHandle(file);
        }
        Fail(shown_, "no temporary file could be made beside it");
    }

    std::string target_;
    std::string shown_;
    std::string folder_;
    std::string temp_;
    Placement how_;
    DWORD existing_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// A character device (NUL, CON) or a pipe, opened now and written when
// published.
class InPlaceOutput : public StagedOutput {
  public:
    InPlaceOutput(const std::string& path, const std::string& shown,
                  std::span<const std::string_view> parts)
        : target_(path), shown_(shown) {
        file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) FailLastError(shown_);
        for (const std::string_view bytes : parts) bytes_.append(bytes);
    }
    ~InPlaceOutput() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }

    Placement How() const override { return Placement::InPlace; }
    void Publish() override {
        const bool written = win32::WriteAll(file_, bytes_);
        const DWORD error = GetLastError();
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        SetLastError(error);
        if (!written) FailLastError(shown_);
    }

  private:
    std::string target_;
    std::string shown_;
    std::string bytes_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<StagedOutput> StageOutput(const std::string& given,
                                          std::span<const std::string_view> parts) {
    if (given.empty()) throw OutputError("(no file name): not a file name");
    const std::string path = CommandLineFileName(given);
    if (path.back() == '\\' || path.back() == '/') Fail(given, "a folder's name, not a file's");
    // The entry itself, never what a link at it points to.
    const HANDLE entry = CreateFileA(
        path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (entry == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) FailLastError(given);
        return std::make_unique<ReplacingOutput>(path, given, StagedOutput::Placement::Replace,
                                                 INVALID_FILE_ATTRIBUTES, parts);
    }
    const DWORD type = GetFileType(entry);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = type == FILE_TYPE_DISK && GetFileInformationByHandle(entry, &info);
    CloseHandle(entry);
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
        return std::make_unique<InPlaceOutput>(path, given, parts);
    }
    if (!known) Fail(given, "not a regular file; not replaced");
    const DWORD attributes = info.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return std::make_unique<ReplacingOutput>(path, given, StagedOutput::Placement::ReplaceLink,
                                                 attributes, parts);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) Fail(given, "a folder; not replaced");
    // A read-only report stays as it is, even where a rename could replace it.
    if (attributes & FILE_ATTRIBUTE_READONLY) Fail(given, "a read-only file; not replaced");
    return std::make_unique<ReplacingOutput>(path, given, StagedOutput::Placement::Replace,
                                             attributes, parts);
}

}  // namespace zelmo::platform
