#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace zelmo::platform {

// A file from a folder that others may write, as it was when it was opened:
// never through a link, never a FIFO, device or folder put in its place
// after the listing (opening one of those must neither block nor follow it).
struct UntrustedFile {
    enum class Status {
        Read,        // bytes holds the whole file
        Link,        // a link or other reparse point at the name
        NotRegular,  // a folder, FIFO, socket or device
        TooLarge,    // more than the bytes allowed
        Failed,      // missing by now, or could not be opened or read
    };
    Status status = Status::Failed;
    std::string bytes;
    std::int64_t modified = 0;  // seconds since 1970 UTC
};

// Reads at most maxBytes; a file that holds more (or grows past it while
// read) is TooLarge. The path is the system's own, as a listing gave it.
UntrustedFile ReadUntrustedFile(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace zelmo::platform
