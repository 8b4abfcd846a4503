#pragma once

#include <string>
#include <vector>

namespace zelmo::platform {

// The program's arguments as UTF-8, its own name first. On Windows they are
// taken from the UTF-16 command line: the ANSI argv has already turned what
// the code page lacks into '?'.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Makes text written to standard output and standard error reach a console
// window whole: the program's UTF-8 goes to it as UTF-16, so that Japanese
// shows whatever the console's code page. Files and pipes get the bytes as
// written. Call once, before anything is written.
void UseConsoleText();

}  // namespace zelmo::platform
