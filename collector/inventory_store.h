#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "collector/changes.h"
#include "collector/collection.h"

namespace zelmo::collector {

// A database that cannot be opened, read or written; the message names the
// file.
class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Adds the collection to the database, creating it when missing. A record
// that is unchanged since the last collection is referenced, not stored
// again. All or nothing: a failure leaves the database as it was.
void SaveCollection(const std::string& dbPath, const Collection& collection);

// Per collection since the given ISO date (empty: all), what changed against
// the collection before it.
std::vector<CollectionChanges> LoadChanges(const std::string& dbPath, const std::string& since);

}  // namespace zelmo::collector
