#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo::collector {

// What one host looked like in one collection.
struct HostState {
    std::map<std::string, std::string> values;  // "name", "pc", "memory", "location", ...
    std::map<std::string, int> installs;        // application -> drives found (> 0)
};
using Snapshot = std::map<std::string, HostState>;  // by host

struct Change {
    std::string host;
    // "new host", "host gone", "installed", "removed", or the value's name
    // ("memory", "location", ...) when a value changed.
    std::string what;
    std::string application;
    std::string from;
    std::string to;
};

struct CollectionChanges {
    long long collection = 0;
    std::string collectedAt;
    long long previous = 0;
    std::string previousAt;
    std::vector<Change> changes;
};

// The differences from one collection to the next, per host in host order.
// Hosts missing from a snapshot are new or gone.
std::vector<Change> CompareSnapshots(const Snapshot& before, const Snapshot& after);

// A time as the history stores it ("2026-12-01T08:30:00Z") from that form
// or a date alone ("2026-12-01": the start of the day, UTC); nothing for
// any other text or a day that does not exist.
std::optional<std::string> HistoryTime(std::string_view text);

std::string ChangesText(const std::vector<CollectionChanges>& list);
std::string ChangesJson(const std::vector<CollectionChanges>& list);

}  // namespace zelmo::collector
