#include "platform/memory/record_file.h"

#include "platform/runtime_error.h"

namespace zelmo::platform::memory {

void MemoryRecordFiles::ReplaceContents(const std::string& path,
                                        std::span<const std::string_view> parts) {
    std::string bytes;
    for (const std::string_view part : parts) bytes += part;
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
    files[path] = std::move(bytes);
}

}  // namespace zelmo::platform::memory
