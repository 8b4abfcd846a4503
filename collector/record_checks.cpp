#include "collector/record_checks.h"

#include <algorithm>
#include <map>

namespace zelmo::collector {
namespace {

bool Has(const HostRecord& record, const char* kind) {
    return std::find(record.problems.begin(), record.problems.end(), kind) != record.problems.end();
}

void Add(HostRecord& record, std::vector<Problem>& problems, const char* kind, std::string detail) {
    record.problems.push_back(kind);
    problems.push_back({record.file, kind, std::move(detail)});
}

void CheckDuplicates(std::vector<HostRecord>& records, std::vector<Problem>& problems,
                     std::string HostRecord::*field, const char* kind, const char* what) {
    std::map<std::string, std::vector<std::size_t>> filers;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!(records[i].*field).empty()) filers[records[i].*field].push_back(i);
    }
    for (const auto& [number, indexes] : filers) {
        if (indexes.size() < 2) continue;
        for (const std::size_t i : indexes) {
            // Named up to a few: a number typed the same on every PC must not
            // make the report grow with the square of the hosts.
            constexpr std::size_t kNamed = 5;
            std::string others;
            std::size_t named = 0;
            for (const std::size_t j : indexes) {
                if (j == i || named == kNamed) continue;
                if (!others.empty()) others += ", ";
                others += records[j].host;
                ++named;
            }
            if (indexes.size() - 1 > named) {
                others += " and " + std::to_string(indexes.size() - 1 - named) + " more";
            }
            Add(records[i], problems, kind,
                std::string(what) + " \"" + number + "\" is also filed by " + others);
        }
    }
}

}  // namespace

bool IsDottedIpv4(const std::string& text) {
    int parts = 0;
    std::size_t pos = 0;
    while (true) {
        std::size_t digits = 0;
        int value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            value = value * 10 + (text[pos++] - '0');
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        if (++parts == 4) return pos == text.size();
        if (pos >= text.size() || text[pos] != '.') return false;
        ++pos;
    }
}

void CheckRecordValues(HostRecord& record, std::int64_t staleBefore,
                       std::vector<Problem>& problems) {
    const bool valuesRead = !Has(record, "unreadable") && !Has(record, "too-few-values");
    if (valuesRead) {
        if (record.hostValue != record.host) {
            Add(record, problems, "host-mismatch",
                "the record names host \"" + record.hostValue + "\"");
        }
        if (record.memory.empty() ||
            record.memory.find_first_not_of("0123456789") != std::string::npos) {
            Add(record, problems, "memory-not-digits",
                "memory \"" + record.memory + "\" is not a decimal number");
        }
        if (!IsDottedIpv4(record.ip)) {
            Add(record, problems, "ip-not-ipv4",
                "IP \"" + record.ip + "\" is not a dotted IPv4 address");
        }
    }
    if (!Has(record, "unreadable") && record.recorded < staleBefore) {
        Add(record, problems, "stale", "recorded " + IsoTime(record.recorded));
    }
}

void CheckDuplicateNumbers(std::vector<HostRecord>& records, std::vector<Problem>& problems) {
    CheckDuplicates(records, problems, &HostRecord::pc, "duplicate-pc", "PC number");
    CheckDuplicates(records, problems, &HostRecord::monitor, "duplicate-monitor", "monitor number");
}

}  // namespace zelmo::collector
