#include "collector/json_report.h"

#include <map>
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

std::string Line(const Ledger& ledger, std::size_t row) {
    return std::to_string(ledger.table.lines[row]);
}

void LedgerJson(std::string& out, const Collection& collection) {
    const LedgerCheck& check = *collection.ledger;
    const Ledger& ledger = check.ledger;
    const auto& hosts = collection.hosts;
    const auto row = [&](std::size_t r) { return QuotedList(ledger.table.rows[r]); };
    out += ",\n\"ledger\":{";
    Field(out, "file", ledger.table.path);
    out += "\"headings\":" + QuotedList(ledger.table.headings) + ",\n\"matched\":[";
    for (std::size_t n = 0; n < check.matched.size(); ++n) {
        const LedgerMatch& m = check.matched[n];
        out += n ? ",\n{" : "\n{";
        Field(out, "host", hosts[m.host].host);
        Field(out, "pc", hosts[m.host].values.pc);
        Field(out, "by", m.byHost ? "host" : "pc");
        out += "\"leading_zeros_ignored\":";
        out += m.zerosIgnored ? "true" : "false";
        out += ",\"line\":" + Line(ledger, m.row) + ",\"row\":" + row(m.row) + "}";
    }
    out += "],\n\"not_collected\":[";
    for (std::size_t n = 0; n < check.notCollected.size(); ++n) {
        const std::size_t r = check.notCollected[n];
        out += n ? ",\n{" : "\n{";
        out += "\"line\":" + Line(ledger, r) + ",\"row\":" + row(r) + "}";
    }
    out += "],\n\"not_in_ledger\":[";
    for (std::size_t n = 0; n < check.notInLedger.size(); ++n) {
        const HostRecord& h = hosts[check.notInLedger[n]];
        out += n ? ",\n{" : "\n{";
        Field(out, "host", h.host);
        for (const inventory::RecordField& field : inventory::kRecordFields) {
            Field(out, field.key, h.values.*field.value);
        }
        out.back() = '}';
    }
    out += "],\n\"conflicts\":[";
    for (std::size_t n = 0; n < check.conflicts.size(); ++n) {
        const LedgerConflict& c = check.conflicts[n];
        out += n ? ",\n{" : "\n{";
        Field(out, "host", hosts[c.host].host);
        Field(out, "pc", hosts[c.host].values.pc);
        Field(out, "field", c.field);
        Field(out, "record", c.recordValue);
        Field(out, "ledger", c.ledgerValue);
        out += "\"line\":" + Line(ledger, c.row) + "}";
    }
    out += "],\n\"duplicate_keys\":[";
    for (std::size_t n = 0; n < check.duplicateKeys.size(); ++n) {
        const DuplicateKey& d = check.duplicateKeys[n];
        out += n ? ",\n{" : "\n{";
        Field(out, "key", d.key);
        std::string lines, rows;
        for (const std::size_t r : d.rows) {
            if (!lines.empty()) {
                lines += ',';
                rows += ',';
            }
            lines += Line(ledger, r);
            rows += row(r);
        }
        out += "\"lines\":[" + lines + "],\"rows\":[" + rows + "]}";
    }
    out += "],\n\"no_pc_number\":[";
    for (std::size_t n = 0; n < check.noPcNumber.size(); ++n) {
        const UnnumberedRecord& u = check.noPcNumber[n];
        out += n ? ",\n{" : "\n{";
        Field(out, "host", hosts[u.host].host);
        out += "\"line\":" + (u.row ? Line(ledger, *u.row) : "null") +
               ",\"row\":" + (u.row ? row(*u.row) : "null") + "}";
    }
    out += "]}";
}

}  // namespace

// Written as text, one host a line: a document object model of ten thousand
// hosts costs more than the whole collection.
std::string JsonReport(const Collection& collection) {
    std::vector<std::string> labels;
    for (const ApplicationColumn& column : collection.columns)
        labels.push_back(Quote(column.label));

    // Room for it all at once: growing ten megabytes by doubling touches
    // three times the memory, and under Wine every new page is dear.
    std::size_t perHost = 320;
    for (const std::string& label : labels) perHost += label.size() + 4;
    std::string out = "{";
    out.reserve(collection.hosts.size() * perHost + 1024);
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
    std::map<std::string, const Licence*> licenceOf;  // by label
    for (const Licence& licence : collection.licences) {
        for (const ApplicationColumn& column : collection.columns) {
            if (column.tag == licence.tag) licenceOf.emplace(column.label, &licence);
        }
    }
    bool first = true;
    for (const auto& [name, count] : collection.HostsPerApplication()) {
        out += first ? "\n{" : ",\n{";
        first = false;
        Field(out, "name", name);
        if (const auto found = licenceOf.find(name); found != licenceOf.end()) {
            const Licence& licence = *found->second;
            Field(out, "tag", licence.tag);
            out += "\"seats\":" + std::to_string(licence.seats) +
                   ",\"installed\":" + std::to_string(licence.installed) +
                   ",\"seats_left\":" + std::to_string(licence.seats - licence.installed) + ',';
        }
        out += "\"hosts\":";
        out += std::to_string(count);
        out += '}';
    }
    out += ']';
    if (collection.ledger) LedgerJson(out, collection);
    return out + "}\n";
}

}  // namespace zelmo::collector
