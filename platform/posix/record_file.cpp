#include "platform/record_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <random>

#include "platform/runtime_error.h"
#include "platform/sequential_file.h"
#include "platform/text_codec.h"

namespace zelmo::platform {
namespace {

constexpr std::string_view kTempSuffix = ".tmp";
constexpr int kTempAttempts = 100;
constexpr std::size_t kTagLength = 6;

// The classic run time's answer to a failed create or write of path.
[[noreturn]] void Raise(int err, const std::string& path) {
    throw RunTimeError(ClassicErrorFromErrno(err, false), path);
}

// Characters the system that the program comes from refuses in any file name,
// so a path holding them fails there the same way it does here.
bool HasInvalidCharacter(std::string_view path) {
    return path.find_first_of("*?\"<>|") != std::string_view::npos;
}

std::string RandomTag() {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static thread_local std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string tag(kTagLength, ' ');
    for (char& c : tag) c = kAlphabet[pick(engine)];
    return tag;
}

// The target's name as it appears in its temporary file's name, kept within
// NAME_MAX so that a long target name does not fail here first.
std::string TempStem(const std::string& fileName) {
    return fileName.substr(0, NAME_MAX - (1 + 1 + kTagLength + kTempSuffix.size()));
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A temporary file beside the target, made only by this call.
class TempFile {
  public:
    TempFile(const std::string& folder, const std::string& fileName) {
        const std::string stem = TempStem(fileName);
        for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
            path_ = folder + "." + stem + "." + RandomTag() + std::string(kTempSuffix);
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
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
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
    closedir(dir);
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // The record is in place by now; a file system that cannot sync folders
    // is no reason to report the write as failed.
    (void)fsync(fd);
    close(fd);
}

class SystemRecordFiles : public RecordFileService {
  public:
    using RecordFileService::ReplaceContents;
    void ReplaceContents(const std::string& path,
                         std::span<const std::string_view> parts) override {
        if (path.empty() || HasInvalidCharacter(path)) {
            throw RunTimeError(kBadFileNameOrNumber, path.empty() ? "(no file name)" : path);
        }
        std::string target = NativeFileName(path, TextCodec::System());
        if (target.back() == '/') throw RunTimeError(kBadFileNameOrNumber, path);

        // lstat: a link planted at the record's name is replaced by the
        // rename like any other entry; its target is never opened.
        struct stat st;
        const bool exists = lstat(target.c_str(), &st) == 0;
        const bool regular = exists && S_ISREG(st.st_mode);
        if (exists && S_ISDIR(st.st_mode)) throw RunTimeError(kPathFileAccessError, path);
        if (regular) {
            // A read-only record file stays read-only, as it does for the
            // system's own output open, even where a rename could replace it.
            const bool readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
            if (readOnly || access(target.c_str(), W_OK) != 0) {
                throw RunTimeError(kPermissionDenied, path);
            }
        }

        const std::size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        const std::string fileName = target.substr(folder.size());

        TempFile temp(folder, fileName);
        if (temp.fd() < 0) Raise(errno, path);
        if (regular) (void)fchmod(temp.fd(), st.st_mode & 07777);
        for (const std::string_view bytes : parts) {
            if (!WriteAll(temp.fd(), bytes)) Raise(errno, path);
        }
        if (fsync(temp.fd()) != 0) Raise(errno, path);
        if (!temp.Close()) Raise(errno, path);
        if (rename(temp.path().c_str(), target.c_str()) != 0) Raise(errno, path);
        temp.Keep();
        SyncFolder(folder.empty() ? "." : folder);
        RemoveStaleTempFiles(folder, fileName);
    }
};

}  // namespace

std::unique_ptr<RecordFileService> OpenSystemRecordFiles() {
    return std::make_unique<SystemRecordFiles>();
}

}  // namespace zelmo::platform
