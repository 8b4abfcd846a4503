#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "collector/collection.h"

namespace zelmo::collector {

// What the database keeps of one record: its values, the applications it
// shows (name to drives) and the problems that belong to the record itself.
using Installs = std::map<std::string, int>;

Installs InstallsOf(const Collection& collection, const HostRecord& host);

// What the ledger and the licence file found is not kept: a record's history
// must not change with the files one run was given besides the folder.
bool Kept(ProblemKind kind);
std::string KeptProblemWords(const HostRecord& h);

// A record's key in the database: its content, not the time it was filed.
std::int64_t Digest(const std::string& file, const inventory::RecordValues& values,
                    const Installs& installs, const std::string& problems);

}  // namespace zelmo::collector
