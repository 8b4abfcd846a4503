#include "collector/inventory_store.h"

// Builds without SQLite (no package serves it to the MinGW toolchain) keep
// the other outputs; the database needs the Linux build.
namespace zelmo::collector {
namespace {

constexpr const char* kNeedsLinux =
    "the database (--db, changes) needs the Linux build of zelmocb-cli: this build has no SQLite";

}  // namespace

void RequireStore() { throw StoreError(kNeedsLinux); }

void SaveCollection(const std::string&, const Collection&) { throw StoreError(kNeedsLinux); }

std::vector<CollectionChanges> LoadChanges(const std::string&, const std::string&) {
    throw StoreError(kNeedsLinux);
}

}  // namespace zelmo::collector
