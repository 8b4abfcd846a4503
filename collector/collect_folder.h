#pragma once

#include <cstdint>
#include <string>

#include "collector/collection.h"
#include "platform/text_codec.h"

namespace zelmo::collector {

struct CollectSettings {
    std::string folder;
    std::string listPath;  // empty: items are kept as they stand
    std::string encoding;  // empty: the system's ANSI code page
    int staleDays = 365;
    std::int64_t now = 0;  // seconds since 1970 UTC
};

// The code page a name or number stands for ("CP932", "932", "SHIFT_JIS").
platform::TextCodec RecordCodec(const std::string& encoding);

// Reads and checks every record in the folder. Problems with single records
// are collected, never raised; a folder or list that cannot be read raises a
// RunTimeError.
Collection CollectFolder(const CollectSettings& settings);

}  // namespace zelmo::collector
