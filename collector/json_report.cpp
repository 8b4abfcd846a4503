#include "collector/json_report.h"

#include <nlohmann/json.hpp>

namespace zelmo::collector {
namespace {

// A JSON string; bytes that are not UTF-8 become U+FFFD.
std::string Quote(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void Field(std::string& out, std::string_view name, const std::string& value) {
    out += '"';
    out += name;
    out += "\":";
    out += Quote(value);
    out += ',';
}

std::string QuotedList(const std::vector<std::string>& values) {
    std::string list = "[";
    for (const std::string& value : values) {
        if (list.size() > 1) list += ',';
        list += Quote(value);
    }
    return list + "]";
}

}  // namespace

// Written as text, one host a line: a document object model of ten thousand
// hosts costs more than the whole collection.
std::string JsonReport(const Collection& collection) {
    std::vector<std::string> labels;
    for (const ApplicationColumn& column : collection.columns)
        labels.push_back(Quote(column.label));

    std::string out = "{";
    Field(out, "folder", collection.folder);
    Field(out, "collected_at", IsoTime(collection.collectedAt));
    out += "\n\"hosts\":[";
    for (std::size_t n = 0; n < collection.hosts.size(); ++n) {
        const HostRecord& h = collection.hosts[n];
        out += n ? ",\n{" : "\n{";
        Field(out, "host", h.host);
        Field(out, "file", h.file);
        for (const inventory::RecordField& field : inventory::kRecordFields) {
            Field(out, field.key, h.values.*field.value);
        }
        Field(out, "recorded", IsoTime(h.recorded));
        out += "\"problems\":";
        std::vector<std::string> kinds;
        for (const ProblemKind kind : h.problems) {
            kinds.emplace_back(inventory::ProblemKindName(kind));
        }
        out += QuotedList(kinds);
        out += ',';
        if (collection.hasList) {
            out += "\"installs\":{";
            for (std::size_t i = 0; i < labels.size(); ++i) {
                if (i) out += ',';
                out += labels[i];
                out += ':';
                const int count = i < h.counts.size() ? h.counts[i] : -1;
                out += count >= 0 ? std::to_string(count) : "null";
            }
            out += "}}";
        } else {
            out += "\"items\":";
            out += QuotedList(h.items);
            out += '}';
        }
    }
    out += "],\n\"problems\":[";
    for (std::size_t n = 0; n < collection.problems.size(); ++n) {
        const Problem& p = collection.problems[n];
        out += n ? ",\n{" : "\n{";
        Field(out, "file", p.file);
        Field(out, "kind", std::string(inventory::ProblemKindName(p.kind)));
        out += "\"detail\":";
        out += Quote(p.detail);
        out += '}';
    }
    out += "],\n\"applications\":[";
    bool first = true;
    for (const auto& [name, count] : collection.HostsPerApplication()) {
        out += first ? "\n{" : ",\n{";
        first = false;
        Field(out, "name", name);
        out += "\"hosts\":";
        out += std::to_string(count);
        out += '}';
    }
    return out + "]}\n";
}

}  // namespace zelmo::collector
