#include "platform/terminal.h"

#include <windows.h>

namespace zelmo::platform {
namespace {

// A console answers GetConsoleMode; _isatty would also say yes for NUL.
bool IsConsole(DWORD standardHandle) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(standardHandle), &mode) != 0;
}

}  // namespace

bool StandardOutputIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }

bool StandardErrorIsTerminal() { return IsConsole(STD_ERROR_HANDLE); }

}  // namespace zelmo::platform
