#include "platform/file_identity.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

namespace zelmo::platform {
namespace {

FileIdentity Of(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace

PathIdentity IdentifyPath(const std::string& path) {
    namespace fs = std::filesystem;
    PathIdentity found;
    struct stat st;
    if (stat(path.c_str(), &st) == 0) found.file = Of(st);

    const fs::path given(path);
    found.name = given.filename().string();
    const fs::path parent = given.has_parent_path() ? given.parent_path() : fs::path(".");
    if (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) found.folder = Of(st);

    std::error_code ec;
    const fs::path normal = fs::weakly_canonical(fs::absolute(given, ec), ec);
    found.normal = ec ? fs::absolute(given, ec).lexically_normal().string() : normal.string();
    return found;
}

std::vector<NamedIdentity> IdentifyFolderEntries(const std::string& folder) {
    std::vector<NamedIdentity> entries;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) return entries;
    while (const dirent* entry = readdir(dir.get())) {
        struct stat st;
        if (fstatat(dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            S_ISDIR(st.st_mode)) {
            continue;
        }
        entries.push_back({entry->d_name, Of(st)});
    }
    return entries;
}

}  // namespace zelmo::platform
