#pragma once

#include <iosfwd>

namespace CLI {
class App;
}

namespace zelmo::cli {

// `facts [--json]`: the host name as the main window shows it, the IP address
// and the seven memory figures.
void AddFactsCommand(CLI::App& app);

void RunFactsCommand(bool json, std::ostream& out);

}  // namespace zelmo::cli
