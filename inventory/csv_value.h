#pragma once

#include <string>
#include <string_view>

namespace zelmo::inventory {

// A value as it goes into a comma-separated line: unchanged, unless it holds
// a comma, a double quote, CR or LF; then quoted, with its quotes doubled, so
// that it stays one value.
std::string CsvValue(std::string_view value);

}  // namespace zelmo::inventory
