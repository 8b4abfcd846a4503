#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zelmo::cli {

// `facts [--json]`: the host name as the main window shows it, the IP address
// and the seven memory figures. args are the words after "facts". Returns the
// process exit status.
int RunFactsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelmo::cli
