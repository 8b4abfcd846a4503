#pragma once

#include <string>
#include <string_view>

#include "collector/collection.h"

namespace zelmo::collector {

// One self-contained page: headline figures, applications per host as a bar
// chart, memory sizes as a histogram, the hosts and the problems. No file,
// font, script or address outside the page is referred to; the tables read
// without scripts, which only add sorting and filtering.
std::string HtmlReport(const Collection& collection);

// Text as it may stand in an element or a quoted attribute. Every value that
// reaches the page passes here.
std::string Html(std::string_view text);

}  // namespace zelmo::collector
