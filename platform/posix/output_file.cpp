#include "platform/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <system_error>

#include "platform/posix/file_writes.h"

namespace zelmo::platform {
namespace {

constexpr std::string_view kTempSuffix = ".tmp";
constexpr int kTempAttempts = 100;
constexpr std::size_t kTagLength = 6;

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    throw OutputError(path + ": " + what);
}

[[noreturn]] void FailErrno(const std::string& path, int err) {
    Fail(path, std::error_code(err, std::generic_category()).message());
}

// The target's name as it appears in its temporary files' names, short
// enough that the whole name stays within NAME_MAX.
std::string TempPrefix(const std::string& fileName) {
    return "." + fileName.substr(0, NAME_MAX - (1 + 1 + kTagLength + kTempSuffix.size())) + ".";
}

bool IsTempName(std::string_view name, const std::string& prefix) {
    return name.size() == prefix.size() + kTagLength + kTempSuffix.size() &&
           name.starts_with(prefix) && name.ends_with(kTempSuffix);
}

// A run killed while it staged leaves its temporary file; a live run holds
// a lock on its own, so whatever can be locked here is a dead run's.
void RemoveDeadTemps(const std::string& folder, const std::string& fileName) {
    const std::string prefix = TempPrefix(fileName);
    const std::unique_ptr<DIR, int (*)(DIR*)> owned(opendir(folder.empty() ? "." : folder.c_str()),
                                                    closedir);
    if (!owned) return;
    const int dir = dirfd(owned.get());
    while (const dirent* entry = readdir(owned.get())) {
        if (!IsTempName(entry->d_name, prefix)) continue;
        // Never a FIFO or a link: the folder may be one that others write to.
        const int fd =
            openat(dir, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened, named;
        if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(dir, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
            (void)unlinkat(dir, entry->d_name, 0);
        }
        close(fd);
    }
}

// A reader that has gone away makes a write to a FIFO raise SIGPIPE, which
// would end the run after the database has been committed without a word;
// here it is EPIPE, reported like any failed write.
bool WriteWithoutSigpipe(int fd, std::string_view bytes) {
    sigset_t pipe, old;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &old);
    const bool written = posix::WriteAll(fd, bytes);
    const int err = errno;
    if (!written && err == EPIPE) {
        const timespec none{};
        (void)sigtimedwait(&pipe, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = err;
    return written;
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // The output is in place by now; a file system that cannot sync folders
    // is no reason to call the publish failed.
    (void)fsync(fd);
    close(fd);
}

// A temporary file beside the target, staged and locked.
class ReplacingOutput : public StagedOutput {
  public:
    ReplacingOutput(const std::string& path, Placement how, const struct stat* existing,
                    std::span<const std::string_view> parts)
        : target_(path), how_(how) {
        const std::size_t slash = path.rfind('/');
        folder_ = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        const std::string fileName = path.substr(folder_.size());
        RemoveDeadTemps(folder_, fileName);
        Create(TempPrefix(fileName));
        try {
            if (existing != nullptr) (void)fchmod(fd_, existing->st_mode & 07777);
            for (const std::string_view bytes : parts) {
                if (!posix::WriteAll(fd_, bytes)) FailErrno(target_, errno);
            }
            if (fsync(fd_) != 0) FailErrno(target_, errno);
        } catch (...) {
            Discard();
            throw;
        }
    }
    ~ReplacingOutput() override { Discard(); }

    Placement How() const override { return how_; }
    void Publish() override {
        if (rename(temp_.c_str(), target_.c_str()) != 0) FailErrno(target_, errno);
        published_ = true;
        SyncFolder(folder_);
    }

  private:
    // Removed before its lock goes, so no other run ever finds it unlocked.
    void Discard() {
        if (fd_ < 0) return;
        if (!published_) unlink(temp_.c_str());
        close(fd_);
        fd_ = -1;
    }
    void Create(const std::string& prefix) {
        for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
            temp_ = folder_ + prefix + posix::RandomTag(kTagLength) + std::string(kTempSuffix);
            // 0666 lets the umask decide, as for any file the program creates.
            const int fd =
                open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno == EEXIST) continue;
                FailErrno(target_, errno);
            }
            if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
                fd_ = fd;
                return;
            }
            // Another run took it for a dead one's between its making and
            // the lock, and removes it.
            close(fd);
        }
        Fail(target_, "no temporary file could be made beside it");
    }

    std::string target_;
    std::string folder_;
    std::string temp_;
    Placement how_;
    int fd_ = -1;
    bool published_ = false;
};

// A character device or a FIFO, opened now (so that a FIFO nobody reads is
// refused before anything is written) and written when published.
class InPlaceOutput : public StagedOutput {
  public:
    InPlaceOutput(const std::string& path, std::span<const std::string_view> parts)
        : target_(path) {
        fd_ = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            if (errno == ENXIO) Fail(target_, "a FIFO that nobody reads; nothing written to it");
            FailErrno(target_, errno);
        }
        struct stat st;
        if (fstat(fd_, &st) != 0 || !(S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
            Fail(target_, "changed while it was opened; nothing written to it");
        }
        for (const std::string_view bytes : parts) bytes_.append(bytes);
    }
    ~InPlaceOutput() override {
        if (fd_ >= 0) close(fd_);
    }

    Placement How() const override { return Placement::InPlace; }
    void Publish() override {
        // Opened without waiting for a reader; written at the reader's pace.
        (void)fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        const bool written = WriteWithoutSigpipe(fd_, bytes_);
        const int err = errno;
        const int fd = fd_;
        fd_ = -1;
        if (!written) {
            close(fd);
            FailErrno(target_, err);
        }
        if (close(fd) != 0) FailErrno(target_, errno);
    }

  private:
    std::string target_;
    std::string bytes_;
    int fd_ = -1;
};

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

}  // namespace

std::unique_ptr<StagedOutput> StageOutput(const std::string& path,
                                          std::span<const std::string_view> parts) {
    if (path.empty()) throw OutputError("(no file name): not a file name");
    if (path.back() == '/') Fail(path, "a folder's name, not a file's");
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) FailErrno(path, errno);
        return std::make_unique<ReplacingOutput>(path, StagedOutput::Placement::Replace, nullptr,
                                                 parts);
    }
    if (S_ISREG(st.st_mode)) {
        // A read-only report stays as it is, even where a rename could replace it.
        if (access(path.c_str(), W_OK) != 0) Fail(path, "a read-only file; not replaced");
        return std::make_unique<ReplacingOutput>(path, StagedOutput::Placement::Replace, &st,
                                                 parts);
    }
    if (S_ISLNK(st.st_mode)) {
        // /dev/stdout and its kind are links to a device or a pipe; one that
        // root or this user made is taken as naming what it points at. Any
        // other link is replaced, never followed: one planted in a folder that
        // others write to must not lead a privileged run anywhere.
        struct stat target;
        if (stat(path.c_str(), &target) == 0 &&
            (S_ISCHR(target.st_mode) || S_ISFIFO(target.st_mode)) &&
            (st.st_uid == 0 || st.st_uid == geteuid())) {
            return std::make_unique<InPlaceOutput>(path, parts);
        }
        return std::make_unique<ReplacingOutput>(path, StagedOutput::Placement::ReplaceLink,
                                                 nullptr, parts);
    }
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
        return std::make_unique<InPlaceOutput>(path, parts);
    }
    Fail(path, std::string(KindOf(st.st_mode)) + "; not replaced");
}

}  // namespace zelmo::platform
