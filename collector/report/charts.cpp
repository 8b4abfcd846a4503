#include "collector/report/charts.h"

#include <algorithm>
#include <map>

#include "collector/html_report.h"

namespace zelmo::collector {
namespace {

std::string Number(long long value) { return std::to_string(value); }

// tagOf: the tag to show before an application's name, where the hosts table
// uses tags.
// licenceOf: the seats owned, by application name, when a licence file was given.
std::string ApplicationChart(const std::vector<std::pair<std::string, int>>& perApplication,
                             const std::map<std::string, std::string>& tagOf,
                             const std::map<std::string, const Licence*>& licenceOf) {
    if (perApplication.empty()) return "<p>No applications.</p>";
    int most = 1;
    for (const auto& entry : perApplication) most = std::max(most, entry.second);
    constexpr int kLabel = 220, kBar = 360, kRow = 20;
    const int kFigures = licenceOf.empty() ? 60 : 190;
    const int height = static_cast<int>(perApplication.size()) * kRow + 4;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" width=\"" +
                      Number(kLabel + kBar + kFigures) + "\" height=\"" + Number(height) +
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
        std::string figure = Number(count);
        const char* over = "";
        if (const auto licence = licenceOf.find(name); licence != licenceOf.end()) {
            const Licence& l = *licence->second;
            figure += " · " + Number(l.installed) + " of " + Number(l.seats) + " seats";
            if (l.installed > l.seats) over = " class=\"over\"";
        }
        svg += "<text" + std::string(over) + " x=\"" + Number(kLabel + width + 6) + "\" y=\"" +
               Number(y + 14) + "\">" + Html(figure) + "</text>";
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

std::string ChartsSection(const Collection& collection,
                          const std::vector<std::pair<std::string, int>>& perApplication,
                          bool byTag) {
    std::map<std::string, std::string> tagOf;
    if (byTag) {
        for (const ApplicationColumn& column : collection.columns) tagOf[column.label] = column.tag;
    }
    std::map<std::string, const Licence*> licenceOf;
    for (const Licence& licence : collection.licences) {
        for (const ApplicationColumn& column : collection.columns) {
            if (column.tag == licence.tag) licenceOf.emplace(column.label, &licence);
        }
    }
    return "<div class=\"charts\"><div class=\"panel\"><h2>Hosts per application</h2>" +
           ApplicationChart(perApplication, tagOf, licenceOf) +
           "</div><div class=\"panel\"><h2>Memory</h2>" + MemoryHistogram(collection) +
           "</div></div>\n";
}

}  // namespace zelmo::collector
