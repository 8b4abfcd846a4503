#include "collector/record_checks.h"

#include <algorithm>
#include <utility>

#include "collector/typed_number.h"

namespace zelmo::collector {
namespace {

void CheckDuplicates(std::vector<HostRecord>& records, std::vector<Problem>& problems,
                     std::string inventory::RecordValues::*field, ProblemKind kind,
                     const char* what) {
    // Numbers as people mean them: "0012" and "００１２" are one number.
    // Sorted pairs, not a map of lists: no allocations per host.
    std::vector<std::pair<std::string, std::size_t>> filed;
    filed.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::string key = NumberKey(records[i].values.*field).key;
        if (!key.empty()) filed.emplace_back(std::move(key), i);
    }
    std::sort(filed.begin(), filed.end());
    for (std::size_t first = 0, next = 0; first < filed.size(); first = next) {
        while (next < filed.size() && filed[next].first == filed[first].first) ++next;
        if (next - first < 2) continue;
        std::vector<std::size_t> indexes;
        for (std::size_t k = first; k < next; ++k) indexes.push_back(filed[k].second);
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
            records[i].AddProblem(problems, kind,
                                  std::string(what) + " \"" + records[i].values.*field +
                                      "\" is also filed by " + others);
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
