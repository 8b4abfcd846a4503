#pragma once

#include <string_view>

namespace zelmo::platform::posix {

// Whether path (absolute, without a closing '/') is folder or lies below it;
// "/a/bc" is not below "/a/b".
inline bool IsWithin(std::string_view path, std::string_view folder) {
    if (folder == "/") return !path.empty() && path.front() == '/';
    return path.substr(0, folder.size()) == folder &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace zelmo::platform::posix
