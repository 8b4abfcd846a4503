#include "platform/memory/record_file.h"

#include "platform/runtime_error.h"

namespace zelmo::platform::memory {

void MemoryRecordFiles::ReplaceContents(const std::string& path, std::string_view bytes) {
    const std::size_t slash = path.rfind('\\');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
    const auto it = folders.find(folder);
    if (it == folders.end()) throw RunTimeError(kPathNotFound, path);
    if (!it->second) throw RunTimeError(kPermissionDenied, path);
    if (failAfterBytes && *failAfterBytes < bytes.size()) {
        abandoned = std::string(bytes.substr(0, *failAfterBytes));
        failAfterBytes.reset();
        throw RunTimeError(failWith, path);
    }
    files[path] = std::string(bytes);
}

}  // namespace zelmo::platform::memory
