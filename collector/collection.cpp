#include "collector/collection.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace zelmo::collector {

bool HostRecord::Has(ProblemKind kind) const {
    return std::find(problems.begin(), problems.end(), kind) != problems.end();
}

void HostRecord::AddProblem(std::vector<Problem>& found, ProblemKind kind, std::string detail) {
    problems.push_back(kind);
    found.push_back({file, kind, std::move(detail)});
}

std::string HostRecord::ProblemWords() const {
    std::string words;
    for (const ProblemKind kind : problems) {
        if (!words.empty()) words += ' ';
        words += inventory::ProblemKindName(kind);
    }
    return words;
}

std::vector<std::string> Collection::InstalledOn(const HostRecord& host) const {
    if (!hasList) {
        std::vector<std::string> items;
        for (const std::string& item : host.items) {
            if (!item.empty()) items.push_back(item);
        }
        return items;
    }
    std::vector<std::string> installed;
    for (std::size_t i = 0; i < columns.size() && i < host.counts.size(); ++i) {
        if (host.counts[i] > 0) installed.push_back(columns[i].label);
    }
    return installed;
}

std::vector<std::pair<std::string, int>> Collection::HostsPerApplication() const {
    std::map<std::string, int> perName;
    for (const ApplicationColumn& column : columns) perName[column.label];
    for (const HostRecord& host : hosts) {
        std::vector<std::string> installed = InstalledOn(host);
        std::sort(installed.begin(), installed.end());
        installed.erase(std::unique(installed.begin(), installed.end()), installed.end());
        for (const std::string& name : installed) ++perName[name];
    }
    std::vector<std::pair<std::string, int>> result(perName.begin(), perName.end());
    std::stable_sort(result.begin(), result.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return result;
}

std::int64_t Collection::LatestRecord() const {
    std::int64_t latest = 0;
    for (const HostRecord& host : hosts) latest = std::max(latest, host.recorded);
    return latest;
}

std::string TerminalText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = '?';
    }
    return out;
}

std::string IsoTime(std::int64_t t) {
    // Civil date from days since 1970 (proleptic Gregorian), so no time zone
    // or C library time functions are involved.
    std::int64_t days = t / 86400;
    std::int64_t secs = t % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(secs / 3600),
                  static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
    return text;
}

}  // namespace zelmo::collector
