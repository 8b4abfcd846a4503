#include "platform/untrusted_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zelmo::platform {

UntrustedFile ReadUntrustedFile(const std::filesystem::path& path, std::size_t maxBytes) {
    UntrustedFile file;
    // O_NONBLOCK: a FIFO swapped in after the listing opens at once instead
    // of waiting for a writer; the descriptor's own type is what counts.
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        file.status = errno == ELOOP ? UntrustedFile::Status::Link : UntrustedFile::Status::Failed;
        return file;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return file;
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        file.status = UntrustedFile::Status::NotRegular;
        return file;
    }
    file.modified = static_cast<std::int64_t>(st.st_mtime);
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
        close(fd);
        file.status = UntrustedFile::Status::TooLarge;
        return file;
    }
    // One byte more than the size asks the end in the same call; a file that
    // grows meanwhile is still bounded.
    file.bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t have = 0;
    while (true) {
        const ssize_t got = read(fd, file.bytes.data() + have, file.bytes.size() - have);
        if (got < 0) {
            if (errno == EINTR) continue;
            close(fd);
            file.bytes.clear();
            return file;
        }
        have += static_cast<std::size_t>(got);
        // Fewer than asked for only at the end.
        if (have < file.bytes.size()) break;
        if (have > maxBytes) {
            close(fd);
            file.bytes.clear();
            file.status = UntrustedFile::Status::TooLarge;
            return file;
        }
        file.bytes.resize(std::min(have * 2, maxBytes + 1));
    }
    close(fd);
    file.bytes.resize(have);
    file.status = UntrustedFile::Status::Read;
    return file;
}

}  // namespace zelmo::platform
