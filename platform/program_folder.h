#pragma once

#include <string>

namespace zelmo::platform {

// The folder that holds the executable, ending in a separator only when it
// is a root folder.
std::string ProgramFolder();

}  // namespace zelmo::platform
