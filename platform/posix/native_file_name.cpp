#include "platform/native_file_name.h"

#include <algorithm>

#include "platform/posix/drives.h"

namespace zelmo::platform {

std::string NativeFileName(const std::string& name, const TextCodec& codec) {
    if (std::optional<std::string> mapped = posix::ToPosixPath(name, codec)) return *mapped;
    // A drive the table lacks has no folder: the name keeps its letter, so
    // opening it fails the way a missing path does.
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return codec.ToAnsi(path);
}

std::filesystem::path NativePath(const std::string& name) {
    return std::filesystem::path(NativeFileName(name, TextCodec::System()));
}

std::string CommandLineFileName(const std::string& name) { return name; }

}  // namespace zelmo::platform
