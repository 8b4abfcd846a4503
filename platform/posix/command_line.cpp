#include "platform/command_line.h"

namespace zelmo::platform {

// A terminal here takes UTF-8 as it stands.
std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseConsoleText() {}

}  // namespace zelmo::platform
