#pragma once

#include <string>

#include "collector/collection.h"

namespace zelmo::collector {

// The hosts table names applications by their list tags, a few characters
// each instead of a name: for thousands of hosts the names made up half of
// the page. Only when the tags can stand for the names: one per row of the
// list, none empty or holding a space (the cell's separator).
bool TagsNameApplications(const Collection& collection);

// The hosts section: its heading, the filter box and the table, one row per
// host, in the columns of HostColumns(); byTag:
// as TagsNameApplications() tells.
std::string HostsTable(const Collection& collection, bool byTag);

}  // namespace zelmo::collector
