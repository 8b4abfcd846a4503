#pragma once

#include <sys/syscall.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zelmo::platform::posix {

// The record getdents64 fills in; glibc's dirent64 is the same but is not
// promised to stay so.
struct LinuxDirent64 {
    std::uint64_t d_ino;
    std::int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

// Reads a folder's entries in large batches straight from the kernel: a whole
// folder of usual size comes in one call, and the descriptor is opened
// without the fstat that opendir makes. One buffer per thread, as several
// walk threads list at once; a listing started from inside another listing's
// visit gets a buffer of its own.
class FolderReader {
  public:
    FolderReader();
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // Calls visit(entry) for each entry of the open folder fd. Stops at the
    // end or at the first read error, as readdir does. shortReadIsLast saves
    // the read that would only say "no more", where the file system allows.
    template <typename Visit>
    void Read(int fd, bool shortReadIsLast, Visit&& visit) {
        for (;;) {
            const long got = syscall(SYS_getdents64, fd, buffer_, kSize);
            if (got <= 0) return;
            for (long pos = 0; pos < got;) {
                const auto* ent = reinterpret_cast<const LinuxDirent64*>(buffer_ + pos);
                pos += ent->d_reclen;
                visit(*ent);
            }
            // Room left for the longest record (a 255-byte name) and more.
            if (shortReadIsLast && static_cast<std::size_t>(got) + 1024 <= kSize) return;
        }
    }

  private:
    static constexpr std::size_t kSize = 256 * 1024;
    static thread_local std::unique_ptr<char[]> shared_;
    static thread_local bool inUse_;
    std::unique_ptr<char[]> own_;
    char* buffer_ = nullptr;
    bool owner_ = false;
};

}  // namespace zelmo::platform::posix
