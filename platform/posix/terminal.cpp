#include "platform/terminal.h"

#include <unistd.h>

namespace zelmo::platform {

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace zelmo::platform
