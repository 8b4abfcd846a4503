#pragma once

#include <string>

#include "collector/collection.h"

namespace zelmo::collector {

// The inventory as one JSON document: the hosts with their values, installs
// and problems, the problems, and the applications with their host counts.
std::string JsonReport(const Collection& collection);

}  // namespace zelmo::collector
