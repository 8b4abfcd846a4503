#include "collector/changes.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <set>

#include "collector/collection.h"

namespace zelmo::collector {

std::optional<std::string> HistoryTime(std::string_view text) {
    // Digits where the form has 9, the rest exactly as it stands.
    const auto shaped = [text](std::string_view form) {
        if (text.size() != form.size()) return false;
        for (std::size_t i = 0; i < form.size(); ++i) {
            const bool digit = text[i] >= '0' && text[i] <= '9';
            if (form[i] == '9' ? !digit : text[i] != form[i]) return false;
        }
        return true;
    };
    const bool dateOnly = shaped("9999-99-99");
    if (!dateOnly && !shaped("9999-99-99T99:99:99Z")) return std::nullopt;
    const auto number = [text](std::size_t pos, std::size_t length) {
        int value = 0;
        for (std::size_t i = pos; i < pos + length; ++i) value = value * 10 + (text[i] - '0');
        return value;
    };
    const std::chrono::year_month_day day{std::chrono::year(number(0, 4)),
                                          std::chrono::month(static_cast<unsigned>(number(5, 2))),
                                          std::chrono::day(static_cast<unsigned>(number(8, 2)))};
    if (!day.ok()) return std::nullopt;
    if (dateOnly) return std::string(text) + "T00:00:00Z";
    if (number(11, 2) > 23 || number(14, 2) > 59 || number(17, 2) > 59) return std::nullopt;
    return std::string(text);
}

std::vector<Change> CompareSnapshots(const Snapshot& before, const Snapshot& after) {
    std::set<std::string> hosts;
    for (const auto& entry : before) hosts.insert(entry.first);
    for (const auto& entry : after) hosts.insert(entry.first);
    std::vector<Change> changes;
    for (const std::string& host : hosts) {
        const auto was = before.find(host);
        const auto now = after.find(host);
        if (was == before.end()) {
            changes.push_back({host, "new host", "", "", ""});
            continue;
        }
        if (now == after.end()) {
            changes.push_back({host, "host gone", "", "", ""});
            continue;
        }
        const HostState& a = was->second;
        const HostState& b = now->second;
        for (const auto& [app, drives] : b.installs) {
            if (!a.installs.count(app)) changes.push_back({host, "installed", app, "", ""});
        }
        for (const auto& [app, drives] : a.installs) {
            if (!b.installs.count(app)) changes.push_back({host, "removed", app, "", ""});
        }
        for (const auto& [name, value] : b.values) {
            const auto old = a.values.find(name);
            const std::string oldValue = old == a.values.end() ? "" : old->second;
            if (oldValue != value) changes.push_back({host, name, "", oldValue, value});
        }
    }
    return changes;
}

std::string ChangesText(const std::vector<CollectionChanges>& list) {
    std::string out;
    for (const CollectionChanges& c : list) {
        out += TerminalText(c.collectedAt + " (collection " + std::to_string(c.collection) +
                            ", against " + std::to_string(c.previous) + " of " + c.previousAt +
                            ")" + (c.changes.empty() ? ": no changes" : "")) +
               '\n';
        for (const Change& change : c.changes) {
            std::string line = "  " + change.host + ": " + change.what;
            if (!change.application.empty()) line += " " + change.application;
            if (change.what != "new host" && change.what != "host gone" &&
                change.application.empty()) {
                line += " \"" + change.from + "\" -> \"" + change.to + "\"";
            }
            // Values come from the records: no escape sequence reaches a terminal.
            out += TerminalText(line) + '\n';
        }
    }
    return out;
}

std::string ChangesJson(const std::vector<CollectionChanges>& list) {
    using Json = nlohmann::ordered_json;
    Json doc = Json::array();
    for (const CollectionChanges& c : list) {
        Json changes = Json::array();
        for (const Change& change : c.changes) {
            Json entry{{"host", change.host}, {"change", change.what}};
            if (!change.application.empty()) entry["application"] = change.application;
            if (change.what != "new host" && change.what != "host gone" &&
                change.application.empty()) {
                entry["from"] = change.from;
                entry["to"] = change.to;
            }
            changes.push_back(std::move(entry));
        }
        doc.push_back({{"collection", c.collection},
                       {"collected_at", c.collectedAt},
                       {"previous", c.previous},
                       {"previous_at", c.previousAt},
                       {"changes", std::move(changes)}});
    }
    return doc.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace zelmo::collector
