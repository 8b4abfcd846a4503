#include "collector/html_report.h"

#include "collector/report/charts.h"
#include "collector/report/hosts_table.h"
#include "collector/report/ledger_section.h"
#include "collector/report/report_css.h"
#include "collector/report/report_js.h"

namespace zelmo::collector {
namespace {

// Either file closing its element early would end the page's style or script
// there and show the rest as text.
static_assert(kReportCss.find("</style") == std::string_view::npos);
static_assert(kReportJs.find("</script") == std::string_view::npos);

std::string Number(long long value) { return std::to_string(value); }

std::string Card(const std::string& figure, const char* caption, bool bad = false) {
    return std::string("<div class=\"card") + (bad ? " bad" : "") + "\"><b>" + Html(figure) +
           "</b><span>" + caption + "</span></div>";
}

std::string Head(const Collection& collection) {
    std::string head = "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">";
    // Nothing outside the page may load, even if a value got past the escaping.
    head +=
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">";
    head += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">";
    head += "<title>Inventory: " + Html(collection.folder) + "</title><style>";
    head += kReportCss;
    return head + "</style></head>";
}

std::string Cards(const Collection& collection,
                  const std::vector<std::pair<std::string, int>>& perApplication) {
    int applicationsFound = 0;
    for (const auto& entry : perApplication) applicationsFound += entry.second > 0 ? 1 : 0;
    int hostsWithProblems = 0;
    for (const HostRecord& h : collection.hosts) hostsWithProblems += h.problems.empty() ? 0 : 1;
    std::string cards = "<div class=\"cards\">";
    cards += Card(Number(static_cast<long long>(collection.hosts.size())), "hosts");
    cards += Card(Number(static_cast<long long>(collection.problems.size())), "problems",
                  !collection.problems.empty());
    cards += Card(Number(hostsWithProblems), "hosts with problems", hostsWithProblems > 0);
    cards += Card(Number(applicationsFound), "applications found");
    cards += Card(collection.hosts.empty() ? "-" : IsoTime(collection.LatestRecord()).substr(0, 10),
                  "last record");
    return cards + "</div>\n";
}

std::string ProblemsSection(const Collection& collection) {
    std::string html = "<h2>Problems</h2>";
    if (collection.problems.empty()) return html + "<p>None.</p>";
    html +=
        "<table id=\"problems\"><thead><tr><th>File</th><th>Problem</th><th>Detail</th>"
        "</tr></thead><tbody>\n";
    for (const Problem& p : collection.problems) {
        html += "<tr class=\"problem\"><td>" + Html(p.file) + "</td><td class=\"kind\">" +
                Html(std::string(inventory::ProblemKindName(p.kind))) + "</td><td class=\"wrap\">" +
                Html(p.detail) + "</td></tr>\n";
    }
    return html + "</tbody></table>";
}

}  // namespace

std::string Html(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string HtmlReport(const Collection& collection) {
    const auto perApplication = collection.HostsPerApplication();
    const bool byTag = TagsNameApplications(collection);
    std::string page;
    page.reserve(512 + kReportCss.size() + kReportJs.size() + collection.hosts.size() * 400);
    page += Head(collection);
    page += "<body>\n<h1>Inventory</h1><p class=\"sub\">" + Html(collection.folder) +
            " &middot; collected " + Html(IsoTime(collection.collectedAt)) + "</p>\n";
    page += Cards(collection, perApplication);
    page += ChartsSection(collection, perApplication, byTag);
    page += HostsTable(collection, byTag);
    page += ProblemsSection(collection);
    if (collection.ledger) page += LedgerSection(collection);
    page += "\n<script>";
    page += kReportJs;
    page += "</script>\n</body></html>\n";
    return page;
}

}  // namespace zelmo::collector
