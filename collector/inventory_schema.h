#pragma once

#include <cstdint>
#include <string>

#include "collector/sqlite_handle.h"

namespace zelmo::collector {

// Marks a database as this program's: 'ZlCB'. The version counts schema
// changes; 1 is the first stamped one.
inline constexpr std::int64_t kApplicationId = 0x5A6C4342;
inline constexpr std::int64_t kSchemaVersion = 2;

std::int64_t Pragma(SqliteDb& db, const char* name);

// Whether the database is one this program may write to: its own (stamped),
// new and empty, or one that the release before stamps existed wrote
// (exactly the first stamped release's tables and columns). Any other
// database is refused as it is. Returns the schema version the database has,
// 0 for none yet.
std::int64_t CheckOwnDatabase(SqliteDb& db);

// Makes or migrates the schema from the version CheckOwnDatabase gave to
// this release's and stamps it, inside the caller's transaction: the
// migration and the collection it takes happen both or neither.
void BringSchemaUpToDate(SqliteDb& db, std::int64_t version);

// ", key, key, ...": the record's value columns in field order.
std::string RecordValueColumns();

}  // namespace zelmo::collector
