#include "collector/record_checks.h"

#include <algorithm>
#include <map>

namespace zelmo::collector {
namespace {

void CheckDuplicates(std::vector<HostRecord>& records, std::vector<Problem>& problems,
                     std::string inventory::RecordValues::*field, ProblemKind kind,
                     const char* what) {
    std::map<std::string, std::vector<std::size_t>> filers;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string& number = records[i].values.*field;
        if (!number.empty()) filers[number].push_back(i);
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
            records[i].AddProblem(
                problems, kind,
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
    if (record.ValuesRead()) {
        for (const inventory::RecordField& field : inventory::kRecordFields) {
            const std::string& value = record.values.*field.value;
            switch (field.check) {
                case inventory::FieldCheck::None:
                    break;
                case inventory::FieldCheck::FileName:
                    if (value != record.host) {
                        record.AddProblem(problems, ProblemKind::HostMismatch,
                                          "the record names host \"" + value + "\"");
                    }
                    break;
                case inventory::FieldCheck::Digits:
                    if (value.empty() ||
                        value.find_first_not_of("0123456789") != std::string::npos) {
                        record.AddProblem(
                            problems, ProblemKind::MemoryNotDigits,
                            std::string(field.key) + " \"" + value + "\" is not a decimal number");
                    }
                    break;
                case inventory::FieldCheck::Ipv4:
                    if (!IsDottedIpv4(value)) {
                        record.AddProblem(problems, ProblemKind::IpNotIpv4,
                                          "IP \"" + value + "\" is not a dotted IPv4 address");
                    }
                    break;
            }
        }
    }
    if (!record.Has(ProblemKind::Unreadable) && record.recorded < staleBefore) {
        record.AddProblem(problems, ProblemKind::Stale, "recorded " + IsoTime(record.recorded));
    }
}

void CheckDuplicateNumbers(std::vector<HostRecord>& records, std::vector<Problem>& problems) {
    CheckDuplicates(records, problems, &inventory::RecordValues::pc, ProblemKind::DuplicatePc,
                    "PC number");
    CheckDuplicates(records, problems, &inventory::RecordValues::monitor,
                    ProblemKind::DuplicateMonitor, "monitor number");
}

}  // namespace zelmo::collector
