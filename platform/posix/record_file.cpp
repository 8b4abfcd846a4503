#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>

#include "platform/native_file_name.h"
#include "platform/posix/file_writes.h"
#include "platform/record_replace.h"
#include "platform/runtime_error.h"
#include "platform/text_codec.h"

namespace zelmo::platform {
namespace {

constexpr std::string_view kTempSuffix = ".tmp";
constexpr int kTempAttempts = 100;
constexpr std::size_t kTagLength = 6;

// Characters no Windows file name may hold: refused here too, so a save
// path fails the same way wherever the program runs.
bool HasInvalidCharacter(std::string_view path) {
    return path.find_first_of("*?\"<>|") != std::string_view::npos;
}

// The target's name as it appears in its temporary file's name, kept within
// NAME_MAX so that a long target name does not fail here first.
std::string TempStem(const std::string& fileName) {
    return fileName.substr(0, NAME_MAX - (1 + 1 + kTagLength + kTempSuffix.size()));
}

// A temporary file beside the target, made only by this call.
class TempFile {
  public:
    TempFile(const std::string& folder, const std::string& fileName) {
        const std::string stem = TempStem(fileName);
        for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
            path_ =
                folder + "." + stem + "." + posix::RandomTag(kTagLength) + std::string(kTempSuffix);
            // 0666 lets the umask decide, as for any file the program creates.
            fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0 || errno != EEXIST) return;
        }
    }
    ~TempFile() {
        if (fd_ >= 0) close(fd_);
        if (!kept_) unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

    // Closes the file; false when the data may not have reached it.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }
    void Keep() { kept_ = true; }

  private:
    std::string path_;
    int fd_ = -1;
    bool kept_ = false;
};

// A run killed between creating its temporary file and the rename leaves
// the file behind; the next successful write of the same record clears such
// leftovers. Only old ones go: a younger one may belong to a run in progress.
void RemoveStaleTempFiles(const std::string& folder, const std::string& fileName) {
    constexpr std::time_t kStaleSeconds = 10 * 60;
    const std::string prefix = "." + TempStem(fileName) + ".";
    const std::unique_ptr<DIR, int (*)(DIR*)> owned(opendir(folder.empty() ? "." : folder.c_str()),
                                                    closedir);
    DIR* const dir = owned.get();
    if (dir == nullptr) return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + kTagLength + kTempSuffix.size() ||
            name.substr(0, prefix.size()) != prefix ||
            name.substr(name.size() - kTempSuffix.size()) != kTempSuffix) {
            continue;
        }
        struct stat st;
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || now - st.st_mtime < kStaleSeconds) {
            continue;
        }
        (void)unlinkat(dirfd(dir), entry->d_name, 0);
    }
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // The record is in place by now; a file system that cannot sync folders
    // is no reason to report the write as failed.
    (void)fsync(fd);
    close(fd);
}

class PosixRecordReplacement : public RecordReplacement {
  public:
    bool Open(const std::string& path) override {
        if (HasInvalidCharacter(path)) return false;
        target_ = NativeFileName(path, TextCodec::System());
        if (target_.back() == '/') return false;
        const std::size_t slash = target_.rfind('/');
        folder_ = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
        fileName_ = target_.substr(folder_.size());
        return true;
    }
    Existing Inspect() override {
        // lstat: a link planted at the record's name is replaced by the
        // rename like any other entry; its target is never opened.
        const bool exists = lstat(target_.c_str(), &existing_) == 0;
        regular_ = exists && S_ISREG(existing_.st_mode);
        Existing found;
        found.folder = exists && S_ISDIR(existing_.st_mode);
        found.readOnly = regular_ && ((existing_.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                                      access(target_.c_str(), W_OK) != 0);
        return found;
    }
    bool CreateTemp() override {
        temp_.emplace(folder_, fileName_);
        if (temp_->fd() < 0) return false;
        if (regular_) (void)fchmod(temp_->fd(), existing_.st_mode & 07777);
        return true;
    }
    bool Write(std::string_view bytes) override { return posix::WriteAll(temp_->fd(), bytes); }
    bool Flush() override { return fsync(temp_->fd()) == 0 && temp_->Close(); }
    bool MoveIntoPlace() override {
        if (rename(temp_->path().c_str(), target_.c_str()) != 0) return false;
        temp_->Keep();
        SyncFolder(folder_.empty() ? "." : folder_);
        return true;
    }
    void CleanUp() override { RemoveStaleTempFiles(folder_, fileName_); }
    [[noreturn]] void RaiseLastError(const std::string& path) override {
        throw RunTimeError(ErrorFromErrno(errno, false), path);
    }

  private:
    std::string target_;
    std::string folder_;
    std::string fileName_;
    struct stat existing_ {};
    bool regular_ = false;
    std::optional<TempFile> temp_;
};

}  // namespace

std::unique_ptr<RecordReplacement> NewRecordReplacement() {
    return std::make_unique<PosixRecordReplacement>();
}

}  // namespace zelmo::platform
