#include "platform/program_folder.h"

#include <unistd.h>

#include <climits>

#include "platform/text_codec.h"

namespace zelmo::platform {

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    std::string exe(path, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    if (slash == 0 || slash == std::string::npos) return "/";
    return TextCodec::System().FromAnsi(exe.substr(0, slash));
}

}  // namespace zelmo::platform
