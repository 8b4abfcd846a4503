#include "collector/json_report.h"

#include <nlohmann/json.hpp>

namespace zelmo::collector {

std::string JsonReport(const Collection& collection) {
    using Json = nlohmann::ordered_json;
    Json doc;
    doc["folder"] = collection.folder;
    doc["collected_at"] = IsoTime(collection.collectedAt);
    Json hosts = Json::array();
    for (const HostRecord& h : collection.hosts) {
        Json host;
        host["host"] = h.host;
        host["file"] = h.file;
        host["name"] = h.name;
        host["pc"] = h.pc;
        host["monitor"] = h.monitor;
        host["host_value"] = h.hostValue;
        host["ip"] = h.ip;
        host["memory"] = h.memory;
        host["location"] = h.location;
        host["recorded"] = IsoTime(h.recorded);
        host["problems"] = h.problems;
        if (collection.hasList) {
            Json installs = Json::object();
            for (std::size_t i = 0; i < collection.columns.size(); ++i) {
                const int count = i < h.counts.size() ? h.counts[i] : -1;
                installs[collection.columns[i].label] = count >= 0 ? Json(count) : Json(nullptr);
            }
            host["installs"] = std::move(installs);
        } else {
            host["items"] = h.items;
        }
        hosts.push_back(std::move(host));
    }
    doc["hosts"] = std::move(hosts);
    Json problems = Json::array();
    for (const Problem& p : collection.problems) {
        problems.push_back({{"file", p.file}, {"kind", p.kind}, {"detail", p.detail}});
    }
    doc["problems"] = std::move(problems);
    Json applications = Json::array();
    for (const auto& [name, count] : collection.HostsPerApplication()) {
        applications.push_back({{"name", name}, {"hosts", count}});
    }
    doc["applications"] = std::move(applications);
    return doc.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace zelmo::collector
