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
white-space:nowrap}td.wrap{white-space:normal}
th{background:#eef1f5;position:sticky;top:0;white-space:nowrap}
th[data-sort]{cursor:pointer}
.kind{font-family:ui-monospace,monospace;color:var(--bad)}
#filter{margin:0 0 8px;padding:6px 8px;width:320px;border:1px solid var(--line);border-radius:6px}
#hosts table{table-layout:fixed;min-width:1100px;font-size:13px}
#hosts td,#hosts th{padding:3px 6px}#hosts td{white-space:normal;overflow-wrap:anywhere}
#hosts .head{position:sticky;top:0;z-index:1}#hosts .head th{position:static}
#hosts .part table{border-top:0}#hosts tr.bad td:first-child{border-left:3px solid var(--bad)}
#hosts td:nth-child(6){text-align:right;font-variant-numeric:tabular-nums}
#hosts td:nth-child(9){font-family:ui-monospace,monospace;color:var(--bad)}
#hosts td:nth-child(10){color:var(--muted);font-size:12px}
.part{content-visibility:auto;contain-intrinsic-size:auto 9000px}
.c-host,.c-memory{width:8em}.c-name{width:7em}.c-ip,.c-pc{width:9em}.c-monitor{width:7.5em}
.c-location{width:10em}.c-recorded{width:13em}.c-problems{width:12.5em}
)";

// Works on the rows' text only; nothing from the records is ever parsed as
// markup. Sorting deals the rows out over the parts again in their new order,
// so that every part keeps its size. The filter also finds an application by
// its name where the table gives its tag.
constexpr const char* kScript = R"(
(function(){
var box=document.getElementById('hosts');var parts=box.querySelectorAll('.part');
var bodies=[],rows=[];
for(var p=0;p<parts.length;p++){var b=parts[p].querySelector('tbody');bodies.push(b);
for(var i=0;i<b.rows.length;i++)rows.push(b.rows[i]);}
var size=bodies.length?bodies[0].rows.length:1;
var names={};var labels=document.querySelectorAll('text.app');
for(var i=0;i<labels.length;i++){var t=labels[i].textContent,s=t.indexOf(' ');
if(s>0)names[t.slice(0,s)]=t.slice(s+1);}
function searchText(r){var t=r.textContent,apps=r.cells[9].textContent.split(' ');
for(var i=0;i<apps.length;i++){if(names.hasOwnProperty(apps[i]))t+=' '+names[apps[i]];}
return t.toLowerCase();}
function showParts(){for(var p=0;p<parts.length;p++){var shown=false,rs=bodies[p].rows;
for(var i=0;i<rs.length&&!shown;i++)shown=!rs[i].hidden;parts[p].hidden=!shown;}}
var filter=document.getElementById('filter');filter.hidden=false;
filter.addEventListener('input',function(){var q=filter.value.toLowerCase();
for(var i=0;i<rows.length;i++){var r=rows[i];if(r.zText===undefined)r.zText=searchText(r);
r.hidden=q!==''&&r.zText.indexOf(q)<0;}showParts();});
var heads=box.querySelector('thead').rows[0].cells;var order=new Intl.Collator().compare;
for(var c=0;c<heads.length;c++){(function(col){var th=heads[col];th.dataset.sort='';
th.addEventListener('click',function(){var up=th.dataset.sort!=='up';
for(var k=0;k<heads.length;k++){heads[k].dataset.sort='';}th.dataset.sort=up?'up':'down';
var num=th.classList.contains('num');
for(var k=0;k<rows.length;k++){var t=rows[k].cells[col].textContent;
rows[k].zKey=num?(Number(t)||0):t;}
rows.sort(function(a,b){var d=num?a.zKey-b.zKey:order(a.zKey,b.zKey);return up?d:-d;});
for(var k=0;k<rows.length;k++){
bodies[Math.min(Math.floor(k/size),bodies.length-1)].appendChild(rows[k]);}
showParts();});})(c);}
})();
)";

// Rows per part of the hosts table; see HtmlReport.
constexpr std::size_t kRowsPerPart = 200;

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

// The hosts table names applications by their list tags, a few characters
// each instead of a name: for thousands of hosts the names made up half of
// the page. Only when the tags can stand for the names: one per row of the
// list, none empty or holding a space (the cell's separator).
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

std::string Card(const std::string& figure, const char* caption, bool bad = false) {
    return std::string("<div class=\"card") + (bad ? " bad" : "") + "\"><b>" + Html(figure) +
           "</b><span>" + caption + "</span></div>";
}

// tagOf: the tag to show before an application's name, where the hosts table
// uses tags.
std::string ApplicationChart(const std::vector<std::pair<std::string, int>>& perApplication,
                             const std::map<std::string, std::string>& tagOf) {
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
        const auto tag = tagOf.find(name);
        const std::string label =
            tag == tagOf.end() || tag->second == name ? name : tag->second + " " + name;
        svg += "<text class=\"app\" x=\"" + Number(kLabel - 6) + "\" y=\"" + Number(y + 14) +
               "\" text-anchor=\"end\">" + Html(label) + "</text>";
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
        std::string label = MemoryBucket(h.values.memory, order);
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
    const bool byTag = TagsNameApplications(collection);
    std::map<std::string, std::string> tagOf;
    if (byTag) {
        for (const ApplicationColumn& column : collection.columns) tagOf[column.label] = column.tag;
    }
    page += ApplicationChart(perApplication, tagOf);
    page += "</div><div class=\"panel\"><h2>Memory</h2>";
    page += MemoryHistogram(collection);
    page += "</div></div>\n";

    // The hosts table in parts of a few hundred rows, each a table of its own
    // with the same fixed columns: the browser lays out only the parts near
    // the screen, which for thousands of hosts was most of its work. The
    // cells carry no classes (styled by column) to keep the page small.
    std::string columns = "<colgroup><col class=\"c-host\">";
    std::string headings = "<th>Host</th>";
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        if (!field.tabled) continue;
        columns += "<col class=\"c-" + std::string(field.key) + "\">";
        headings += field.check == inventory::FieldCheck::Digits ? "<th class=\"num\">" : "<th>";
        headings += std::string(field.heading) + "</th>";
    }
    columns += "<col class=\"c-recorded\"><col class=\"c-problems\"><col></colgroup>";
    page +=
        "<h2>Hosts</h2><input id=\"filter\" type=\"search\" placeholder=\"Filter hosts\" "
        "hidden>\n<div id=\"hosts\"><table class=\"head\">" +
        columns + "<thead><tr>" + headings +
        "<th>Recorded</th><th>Problems</th><th>Applications</th></tr></thead></table>\n";
    for (std::size_t i = 0; i < collection.hosts.size(); ++i) {
        if (i % kRowsPerPart == 0) {
            if (i > 0) page += "</tbody></table></div>\n";
            page += "<div class=\"part\"><table>" + columns + "<tbody>\n";
        }
        const HostRecord& h = collection.hosts[i];
        page += h.problems.empty() ? "<tr>" : "<tr class=\"bad\">";
        page += "<td>" + Html(h.host) + "</td>";
        for (const inventory::RecordField& field : inventory::kRecordFields) {
            if (field.tabled) page += "<td>" + Html(h.values.*field.value) + "</td>";
        }
        page += "<td>" + Html(IsoTime(h.recorded)) + "</td><td>" + Html(h.ProblemWords()) +
                "</td><td>" + Html(InstalledText(collection, h, byTag)) + "</td></tr>\n";
    }
    if (!collection.hosts.empty()) page += "</tbody></table></div>";
    page += "</div>\n";

    page += "<h2>Problems</h2>";
    if (collection.problems.empty()) {
        page += "<p>None.</p>";
    } else {
        page +=
            "<table id=\"problems\"><thead><tr><th>File</th><th>Problem</th><th>Detail</th>"
            "</tr></thead><tbody>\n";
        for (const Problem& p : collection.problems) {
            page += "<tr class=\"problem\"><td>" + Html(p.file) + "</td><td class=\"kind\">" +
                    Html(std::string(inventory::ProblemKindName(p.kind))) +
                    "</td><td class=\"wrap\">" + Html(p.detail) + "</td></tr>\n";
        }
        page += "</tbody></table>";
    }
    page += "\n<script>";
    page += kScript;
    page += "</script>\n</body></html>\n";
    return page;
}

}  // namespace zelmo::collector
