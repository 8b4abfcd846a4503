#include "collector/html_report.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace zelmo::collector {
namespace {

constexpr const char* kStyle = R"(
:root{--ink:#1d2430;--muted:#5b6472;--line:#d9dee5;--accent:#2f6fb1;--bad:#b3261e;--bg:#f6f7f9}
*{box-sizing:border-box}
body{margin:0;padding:24px 32px;background:var(--bg);color:var(--ink);
font:14px/1.45 system-ui,"Noto Sans CJK JP","Hiragino Sans","Yu Gothic UI","Yu Gothic",Meiryo,"IPAPGothic",sans-serif}
h1{font-size:22px;margin:0 0 4px}h2{font-size:17px;margin:28px 0 10px}
.sub{color:var(--muted);margin:0 0 18px}
.cards{display:flex;gap:12px;flex-wrap:wrap}
.card{background:#fff;border:1px solid var(--line);border-radius:8px;padding:12px 16px;min-width:160px}
.card b{display:block;font-size:26px}.card span{color:var(--muted)}
.card.bad b{color:var(--bad)}
.charts{display:flex;gap:24px;flex-wrap:wrap;align-items:flex-start}
.panel{background:#fff;border:1px solid var(--line);border-radius:8px;padding:12px 16px}
svg text{font-size:12px;fill:var(--ink)}svg .bar{fill:var(--accent)}
table{border-collapse:collapse;background:#fff;border:1px solid var(--line);width:100%}
th,td{padding:4px 8px;border-bottom:1px solid var(--line);text-align:left;vertical-align:top;
white-space:nowrap}td.wrap,td.apps{white-space:normal}
th{background:#eef1f5;position:sticky;top:0;white-space:nowrap}
th[data-sort]{cursor:pointer}td.num{text-align:right;font-variant-numeric:tabular-nums}
tr.bad td:first-child{border-left:3px solid var(--bad)}
td.apps{color:var(--muted);font-size:12px;max-width:420px}
.kind{font-family:ui-monospace,monospace;color:var(--bad)}
#filter{margin:0 0 8px;padding:6px 8px;width:320px;border:1px solid var(--line);border-radius:6px}
)";

// Works on the rows' text only; nothing from the records is ever parsed as
// markup.
constexpr const char* kScript = R"(
(function(){
var table=document.getElementById('hosts');var body=table.tBodies[0];
var filter=document.getElementById('filter');filter.hidden=false;
filter.addEventListener('input',function(){var q=filter.value.toLowerCase();
for(var i=0;i<body.rows.length;i++){var r=body.rows[i];
r.hidden=q!==''&&r.textContent.toLowerCase().indexOf(q)<0;}});
var heads=table.tHead.rows[0].cells;
for(var c=0;c<heads.length;c++){(function(col){var th=heads[col];th.dataset.sort='';
th.addEventListener('click',function(){var up=th.dataset.sort!=='up';
for(var k=0;k<heads.length;k++){heads[k].dataset.sort='';}th.dataset.sort=up?'up':'down';
var rows=Array.prototype.slice.call(body.rows);var num=th.classList.contains('num');
rows.sort(function(a,b){var x=a.cells[col].textContent,y=b.cells[col].textContent;
var d=num?(Number(x)||0)-(Number(y)||0):x.localeCompare(y);return up?d:-d;});
rows.forEach(function(r){body.appendChild(r);});});})(c);}
})();
)";

std::string Number(long long value) { return std::to_string(value); }

std::string Join(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts) {
        // Names may hold commas of their own.
        if (!joined.empty()) joined += " · ";
        joined += part;
    }
    return joined;
}

std::string Card(const std::string& figure, const char* caption, bool bad = false) {
    return std::string("<div class=\"card") + (bad ? " bad" : "") + "\"><b>" + Html(figure) +
           "</b><span>" + caption + "</span></div>";
}

std::string ApplicationChart(const std::vector<std::pair<std::string, int>>& perApplication) {
    if (perApplication.empty()) return "<p>No applications.</p>";
    int most = 1;
    for (const auto& entry : perApplication) most = std::max(most, entry.second);
    constexpr int kLabel = 220, kBar = 360, kRow = 20;
    const int height = static_cast<int>(perApplication.size()) * kRow + 4;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" width=\"" +
                      Number(kLabel + kBar + 60) + "\" height=\"" + Number(height) +
                      "\" aria-label=\"Hosts per application\">";
    int y = 0;
    for (const auto& [name, count] : perApplication) {
        const int width = count * kBar / most;
        svg += "<text x=\"" + Number(kLabel - 6) + "\" y=\"" + Number(y + 14) +
               "\" text-anchor=\"end\">" + Html(name) + "</text>";
        svg += "<rect class=\"bar\" x=\"" + Number(kLabel) + "\" y=\"" + Number(y + 3) +
               "\" width=\"" + Number(width) + "\" height=\"" + Number(kRow - 6) + "\"/>";
        svg += "<text x=\"" + Number(kLabel + width + 6) + "\" y=\"" + Number(y + 14) + "\">" +
               Number(count) + "</text>";
        y += kRow;
    }
    return svg + "</svg>";
}

// Memory in bytes to whole GiB: what a PC reports is a little under the size
// it was sold with.
std::string MemoryBucket(const std::string& memory, long long& order) {
    if (memory.empty() || memory.size() > 18 ||
        memory.find_first_not_of("0123456789") != std::string::npos) {
        order = -1;
        return "unknown";
    }
    const double gib = static_cast<double>(std::stoll(memory)) / (1024.0 * 1024 * 1024);
    order = static_cast<long long>(gib + 0.5);
    return order == 0 ? "< 1 GiB" : Number(order) + " GiB";
}

std::string MemoryHistogram(const Collection& collection) {
    std::map<long long, std::pair<std::string, int>> buckets;
    for (const HostRecord& h : collection.hosts) {
        long long order = 0;
        std::string label = MemoryBucket(h.memory, order);
        auto& bucket = buckets[order];
        bucket.first = label;
        ++bucket.second;
    }
    if (buckets.empty()) return "<p>No hosts.</p>";
    int most = 1;
    for (const auto& entry : buckets) most = std::max(most, entry.second.second);
    constexpr int kColumn = 64, kHeight = 180;
    const int width = static_cast<int>(buckets.size()) * kColumn + 8;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" width=\"" +
                      Number(width) + "\" height=\"" + Number(kHeight + 40) +
                      "\" aria-label=\"Hosts per memory size\">";
    int x = 4;
    for (const auto& [order, bucket] : buckets) {
        const int h = bucket.second * kHeight / most;
        svg += "<rect class=\"bar\" x=\"" + Number(x + 8) + "\" y=\"" + Number(kHeight - h + 16) +
               "\" width=\"" + Number(kColumn - 16) + "\" height=\"" + Number(h) + "\"/>";
        svg += "<text x=\"" + Number(x + kColumn / 2) + "\" y=\"" + Number(kHeight - h + 12) +
               "\" text-anchor=\"middle\">" + Number(bucket.second) + "</text>";
        svg += "<text x=\"" + Number(x + kColumn / 2) + "\" y=\"" + Number(kHeight + 32) +
               "\" text-anchor=\"middle\">" + Html(bucket.first) + "</text>";
        x += kColumn;
    }
    return svg + "</svg>";
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
    int applicationsFound = 0;
    for (const auto& entry : perApplication) applicationsFound += entry.second > 0 ? 1 : 0;
    int hostsWithProblems = 0;
    for (const HostRecord& h : collection.hosts) hostsWithProblems += h.problems.empty() ? 0 : 1;

    std::string page;
    page.reserve(512 + collection.hosts.size() * 400);
    page += "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">";
    // Nothing outside the page may load, even if a value got past the escaping.
    page +=
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">";
    page += "<title>Inventory: " + Html(collection.folder) + "</title><style>";
    page += kStyle;
    page += "</style></head><body>\n<h1>Inventory</h1><p class=\"sub\">" + Html(collection.folder) +
            " &middot; collected " + Html(IsoTime(collection.collectedAt)) + "</p>\n";

    page += "<div class=\"cards\">";
    page += Card(Number(static_cast<long long>(collection.hosts.size())), "hosts");
    page += Card(Number(static_cast<long long>(collection.problems.size())), "problems",
                 !collection.problems.empty());
    page += Card(Number(hostsWithProblems), "hosts with problems", hostsWithProblems > 0);
    page += Card(Number(applicationsFound), "applications found");
    page += Card(collection.hosts.empty() ? "-" : IsoTime(collection.LatestRecord()).substr(0, 10),
                 "last record");
    page += "</div>\n";

    page += "<div class=\"charts\"><div class=\"panel\"><h2>Hosts per application</h2>";
    page += ApplicationChart(perApplication);
    page += "</div><div class=\"panel\"><h2>Memory</h2>";
    page += MemoryHistogram(collection);
    page += "</div></div>\n";

    page +=
        "<h2>Hosts</h2><input id=\"filter\" type=\"search\" placeholder=\"Filter hosts\" "
        "hidden>\n<table id=\"hosts\"><thead><tr><th>Host</th><th>Name</th><th>PC</th>"
        "<th>Monitor</th><th>IP</th><th class=\"num\">Memory</th><th>Location</th>"
        "<th>Recorded</th><th>Problems</th><th>Applications</th></tr></thead><tbody>\n";
    for (const HostRecord& h : collection.hosts) {
        page += h.problems.empty() ? "<tr class=\"host\">" : "<tr class=\"host bad\">";
        page += "<td>" + Html(h.host) + "</td><td class=\"wrap\">" + Html(h.name) + "</td>";
        for (const std::string* value : {&h.pc, &h.monitor, &h.ip}) {
            page += "<td>" + Html(*value) + "</td>";
        }
        page += "<td class=\"num\">" + Html(h.memory) + "</td><td class=\"wrap\">" +
                Html(h.location) + "</td><td>" + Html(IsoTime(h.recorded)) +
                "</td><td class=\"kind\">";
        for (std::size_t i = 0; i < h.problems.size(); ++i) {
            if (i > 0) page += ' ';
            page += Html(h.problems[i]);
        }
        page += "</td><td class=\"apps\">" + Html(Join(collection.InstalledOn(h))) + "</td></tr>\n";
    }
    page += "</tbody></table>\n";

    page += "<h2>Problems</h2>";
    if (collection.problems.empty()) {
        page += "<p>None.</p>";
    } else {
        page +=
            "<table id=\"problems\"><thead><tr><th>File</th><th>Problem</th><th>Detail</th>"
            "</tr></thead><tbody>\n";
        for (const Problem& p : collection.problems) {
            page += "<tr class=\"problem\"><td>" + Html(p.file) + "</td><td class=\"kind\">" +
                    Html(p.kind) + "</td><td class=\"wrap\">" + Html(p.detail) + "</td></tr>\n";
        }
        page += "</tbody></table>";
    }
    page += "\n<script>";
    page += kScript;
    page += "</script>\n</body></html>\n";
    return page;
}

}  // namespace zelmo::collector
