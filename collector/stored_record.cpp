#include "collector/stored_record.h"

namespace zelmo::collector {

Installs InstallsOf(const Collection& collection, const HostRecord& host) {
    Installs installs;
    if (collection.hasList) {
        for (std::size_t i = 0; i < collection.columns.size() && i < host.counts.size(); ++i) {
            if (host.counts[i] > 0) installs[collection.columns[i].label] = host.counts[i];
        }
    } else {
        for (const std::string& item : collection.InstalledOn(host)) installs[item] = 1;
    }
    return installs;
}

bool Kept(ProblemKind kind) {
    switch (kind) {
        case ProblemKind::NotInLedger:
        case ProblemKind::LedgerConflict:
        case ProblemKind::NoPcNumber:
        case ProblemKind::OverLicensed:
            return false;
        default:
            return true;
    }
}

std::string KeptProblemWords(const HostRecord& h) {
    std::string words;
    for (const ProblemKind kind : h.problems) {
        if (!Kept(kind)) continue;
        if (!words.empty()) words += ' ';
        words += inventory::ProblemKindName(kind);
    }
    return words;
}

// FNV-1a over a record's content: every stored value, each ended by a
// separator byte that UTF-8 text never holds. Not the time it was filed.
std::int64_t Digest(const std::string& file, const inventory::RecordValues& values,
                    const Installs& installs, const std::string& problems) {
    std::uint64_t hash = 14695981039346656037ULL;
    const auto add = [&hash](std::string_view text) {
        for (const char c : text) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ULL;
        }
        hash ^= 0xFF;
        hash *= 1099511628211ULL;
    };
    add(file);
    for (const inventory::RecordField& field : inventory::kRecordFields) add(values.*field.value);
    add(problems);
    for (const auto& [name, drives] : installs) {
        add(name);
        add(std::to_string(drives));
    }
    return static_cast<std::int64_t>(hash);
}

}  // namespace zelmo::collector
