#pragma once

#include <cstdint>
#include <vector>

#include "collector/collection.h"

namespace zelmo::collector {

// Checks of one record's own values: the host against the file's name, the
// memory size, the IP address, and its age against staleBefore (seconds
// since 1970).
void CheckRecordValues(HostRecord& record, std::int64_t staleBefore,
                       std::vector<Problem>& problems);

// The same PC number, or the same monitor number, filed by two or more hosts:
// one problem for every file involved.
void CheckDuplicateNumbers(std::vector<HostRecord>& records, std::vector<Problem>& problems);

bool IsDottedIpv4(const std::string& text);

}  // namespace zelmo::collector
