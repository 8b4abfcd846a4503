#pragma once

#include <string>

namespace zelmo::platform {

// Makes folder, a path in the program's own form, end with "\" so that a
// name can be appended; an empty folder becomes "\".
inline void EndWithBackslash(std::string& folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
}

}  // namespace zelmo::platform
