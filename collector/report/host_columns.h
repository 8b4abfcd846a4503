#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "inventory/record_format.h"

namespace zelmo::collector {

// A column of the report's hosts table. The page's stylesheet and script
// find a column by its name, never by its position: the heading carries
// data-col="NAME", the column's <col> class c-NAME.
struct HostColumn {
    enum class Source { FileHost, Field, Recorded, Problems, Applications };
    std::string_view name;
    std::string_view heading;
    Source source;
    std::string inventory::RecordValues::*value = nullptr;  // for Source::Field
    bool numeric = false;                                   // sorted as numbers
    // Its cells carry data-col too, for the stylesheet; the other columns'
    // cells, and empty cells, go without, to keep a page of thousands of
    // hosts small.
    bool namedCells = false;
};

// In the page's order: the host, the record's tabled fields in record order,
// then the report's own columns.
std::vector<HostColumn> HostColumns();

}  // namespace zelmo::collector
