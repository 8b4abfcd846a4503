#include "platform/program_folder.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>

#include "platform/text_codec.h"

namespace zelmo::platform {

std::string ProgramFolder() {
    std::vector<char> path(MAX_PATH + 1);
    DWORD n = 0;
    // The name may be longer than MAX_PATH below a long folder.
    while ((n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size()) {
        path.resize(path.size() * 2);
    }
    std::string exe(path.data(), n);
    const std::size_t cut = exe.find_last_of("\\/");
    if (cut == std::string::npos) return ".";
    // A drive's root folder keeps its backslash ("C:\"); other folders don't.
    exe.resize(cut == 2 && exe[1] == ':' ? cut + 1 : cut);
    return TextCodec::System().FromAnsi(exe);
}

}  // namespace zelmo::platform
