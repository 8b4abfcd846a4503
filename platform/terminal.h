#pragma once

namespace zelmo::platform {

// Whether the process's standard output or standard error is an interactive
// terminal (a console window on Windows), where progress may be drawn.
bool StandardOutputIsTerminal();
bool StandardErrorIsTerminal();

}  // namespace zelmo::platform
