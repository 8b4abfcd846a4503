#include "collector/report/hosts_table.h"

#include <map>

#include "collector/html_report.h"
#include "collector/report/host_columns.h"

namespace zelmo::collector {
namespace {

// Rows per part of the hosts table; see HostsTable.
constexpr std::size_t kRowsPerPart = 200;

std::string Join(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts) {
        // Names may hold commas of their own.
        if (!joined.empty()) joined += " · ";
        joined += part;
    }
    return joined;
}

std::string InstalledText(const Collection& collection, const HostRecord& host, bool byTag) {
    if (!byTag) return Join(collection.InstalledOn(host));
    std::string tags;
    for (std::size_t i = 0; i < collection.columns.size() && i < host.counts.size(); ++i) {
        if (host.counts[i] <= 0) continue;
        if (!tags.empty()) tags += ' ';
        tags += collection.columns[i].tag;
    }
    return tags;
}

std::string CellText(const HostColumn& column, const Collection& collection, const HostRecord& host,
                     bool byTag) {
    switch (column.source) {
        case HostColumn::Source::FileHost:
            return host.host;
        case HostColumn::Source::Field:
            return host.values.*column.value;
        case HostColumn::Source::Recorded:
            return IsoTime(host.recorded);
        case HostColumn::Source::Problems:
            return host.ProblemWords();
        case HostColumn::Source::Applications:
            return InstalledText(collection, host, byTag);
    }
    return {};
}

}  // namespace

bool TagsNameApplications(const Collection& collection) {
    if (!collection.hasList) return false;
    std::map<std::string, int> uses;
    for (const ApplicationColumn& column : collection.columns) {
        if (column.tag.empty() || column.tag.find_first_of(" \t\r\n") != std::string::npos ||
            ++uses[column.tag] > 1) {
            return false;
        }
    }
    return true;
}

// The table in parts of a few hundred rows, each a table of its own with the
// same fixed columns: the browser lays out only the parts near the screen,
// which for thousands of hosts was most of its work.
std::string HostsTable(const Collection& collection, bool byTag) {
    const std::vector<HostColumn> columns = HostColumns();
    std::string colgroup = "<colgroup>";
    std::string headings;
    std::vector<std::string> cellOpen;
    for (const HostColumn& column : columns) {
        const std::string name = Html(column.name);
        colgroup += "<col class=\"c-" + name + "\">";
        headings += "<th data-col=\"" + name + "\"" + (column.numeric ? " class=\"num\">" : ">") +
                    Html(column.heading) + "</th>";
        cellOpen.push_back(column.namedCells ? "<td data-col=\"" + name + "\">" : "<td>");
    }
    colgroup += "</colgroup>";

    // The filter box is for the script, which shows it.
    std::string html =
        "<h2>Hosts</h2><input id=\"filter\" type=\"search\" placeholder=\"Filter hosts\" "
        "hidden>\n<div id=\"hosts\"><table class=\"head\">" +
        colgroup + "<thead><tr>" + headings + "</tr></thead></table>\n";
    for (std::size_t i = 0; i < collection.hosts.size(); ++i) {
        if (i % kRowsPerPart == 0) {
            if (i > 0) html += "</tbody></table></div>\n";
            html += "<div class=\"part\"><table>" + colgroup + "<tbody>\n";
        }
        const HostRecord& host = collection.hosts[i];
        html += host.problems.empty() ? "<tr>" : "<tr class=\"bad\">";
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const std::string text = CellText(columns[c], collection, host, byTag);
            // An empty cell shows nothing of its column's look (most hosts have
            // no problems), so it goes unnamed.
            html += text.empty() ? "<td>" : cellOpen[c];
            html += Html(text);
            html += "</td>";
        }
        html += "</tr>\n";
    }
    if (!collection.hosts.empty()) html += "</tbody></table></div>";
    return html + "</div>\n";
}

}  // namespace zelmo::collector
