#include "collector/csv_report.h"

namespace zelmo::collector {
namespace {

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty()) joined += separator;
        joined += part;
    }
    return joined;
}

}  // namespace

std::string CsvCell(std::string_view value) {
    std::string text;
    // The typed fields come from end users: a leading apostrophe keeps
    // "=HYPERLINK(...)" and the like from running as a formula.
    if (!value.empty() &&
        std::string_view("=+-@\t\r").find(value.front()) != std::string_view::npos) {
        text += '\'';
    }
    text += value;
    return inventory::CsvValue(text);
}

std::string CsvReport(const Collection& collection) {
    std::string out = "host";
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        if (!field.tabled) continue;
        out += ',';
        out += field.key;
    }
    out += ",recorded,problems";
    if (collection.hasList) {
        for (const ApplicationColumn& column : collection.columns) {
            out += ',';
            out += CsvCell(column.label);
        }
    } else {
        out += ",items";
    }
    out += "\r\n";
    for (const HostRecord& h : collection.hosts) {
        out += CsvCell(h.host);
        for (const inventory::RecordField& field : inventory::kRecordFields) {
            if (!field.tabled) continue;
            out += ',';
            out += CsvCell(h.values.*field.value);
        }
        out += ',';
        out += IsoTime(h.recorded);
        out += ',';
        out += CsvCell(h.ProblemWords());
        if (collection.hasList) {
            for (const int count : h.counts) {
                out += ',';
                if (count >= 0) out += static_cast<char>('0' + count);
            }
        } else {
            out += ',';
            out += CsvCell(Join(h.items, "; "));
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace zelmo::collector
