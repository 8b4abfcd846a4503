#pragma once

#include <string>
#include <utility>
#include <vector>

#include "collector/collection.h"

namespace zelmo::collector {

// The two charts, inline SVG side by side: hosts per application (with the
// seats owned, when licences were given) and hosts per memory size.
// perApplication: as Collection::HostsPerApplication() gives it. byTag:
// the hosts table names applications by tag, so the chart's labels give tag
// and name, which the page's filter reads.
std::string ChartsSection(const Collection& collection,
                          const std::vector<std::pair<std::string, int>>& perApplication,
                          bool byTag);

}  // namespace zelmo::collector
