#include "inventory/record_format.h"

#include <algorithm>
#include <iterator>

namespace zelmo::inventory {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

std::size_t CountReplacements(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = text.find(kReplacement); pos != std::string_view::npos;
         pos = text.find(kReplacement, pos + kReplacement.size())) {
        ++count;
    }
    return count;
}

}  // namespace

std::string CsvValue(std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(value);
    std::string quoted = "\"";
    for (const char c : value) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string ComposeRecord(const RecordValues& values, std::string_view summary) {
    std::string record;
    for (const RecordField& field : kRecordFields) {
        record += CsvValue(values.*field.value);
        record += ',';
    }
    record += summary;
    return record;
}

SplitRecord SplitRecordLine(std::string_view bytes, const platform::TextCodec& codec) {
    SplitRecord result;
    // Commas, quotes and line ends are single bytes in UTF-8, and the trail
    // bytes of the double-byte code pages never take their values, so the
    // line is split after it is converted.
    const std::string text = codec.FromAnsi(bytes);
    // Invalid bytes come back as U+FFFD; in UTF-8 the file may hold that
    // character itself. A NUL is no text in any code page, and would cut
    // the value short wherever it goes next.
    result.validBytes =
        CountReplacements(text) == (codec.IsUtf8() ? CountReplacements(bytes) : 0) &&
        bytes.find('\0') == std::string_view::npos && text.find('\0') == std::string::npos;
    // The list is made once, and each value from its runs of text: a
    // collection splits every record, and small allocations are dear on some
    // systems' heaps.
    result.values.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), ',')) + 1);
    std::size_t pos = 0;
    bool lineEnded = false;
    while (true) {
        std::string value;
        if (pos < text.size() && text[pos] == '"') {
            ++pos;
            while (pos < text.size()) {
                const std::size_t quote = std::min(text.find('"', pos), text.size());
                value.append(text, pos, quote - pos);
                pos = quote;
                if (pos == text.size()) break;
                if (pos + 1 < text.size() && text[pos + 1] == '"') {
                    value += '"';
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
        }
        // Unquoted text, or what follows a closing quote, runs to a comma or
        // line end.
        const std::size_t end = std::min(text.find_first_of(",\r\n", pos), text.size());
        value.append(text, pos, end - pos);
        pos = end;
        // A NUL goes no further than the check above.
        std::erase(value, '\0');
        result.values.push_back(std::move(value));
        if (pos >= text.size()) break;
        if (text[pos] == ',') {
            ++pos;
            continue;
        }
        lineEnded = true;
        break;
    }
    result.oneLine = lineEnded && text.size() >= 2 && pos == text.size() - 2 &&
                     text.compare(pos, 2, "\r\n") == 0;
    return result;
}

bool TakeRecordValues(SplitRecord& split, RecordValues& values, std::vector<std::string>& items) {
    std::vector<std::string>& v = split.values;
    for (std::size_t i = 0; i < kRecordValueCount && i < v.size(); ++i) {
        values.*kRecordFields[i].value = std::move(v[i]);
    }
    if (v.size() > kRecordValueCount) {
        items.assign(std::make_move_iterator(v.begin() + kRecordValueCount),
                     std::make_move_iterator(v.end()));
    }
    return v.size() >= kRecordValueCount;
}

std::string_view ProblemKindName(ProblemKind kind) {
    switch (kind) {
        case ProblemKind::Unreadable:
            return "unreadable";
        case ProblemKind::NotOneLine:
            return "not-one-line";
        case ProblemKind::InvalidEncoding:
            return "invalid-encoding";
        case ProblemKind::TooFewValues:
            return "too-few-values";
        case ProblemKind::HostMismatch:
            return "host-mismatch";
        case ProblemKind::MemoryNotDigits:
            return "memory-not-digits";
        case ProblemKind::IpNotIpv4:
            return "ip-not-ipv4";
        case ProblemKind::ItemCount:
            return "item-count";
        case ProblemKind::ItemMismatch:
            return "item-mismatch";
        case ProblemKind::DuplicatePc:
            return "duplicate-pc";
        case ProblemKind::DuplicateMonitor:
            return "duplicate-monitor";
        case ProblemKind::Stale:
            return "stale";
        case ProblemKind::NotInLedger:
            return "not-in-ledger";
        case ProblemKind::LedgerConflict:
            return "ledger-conflict";
        case ProblemKind::NoPcNumber:
            return "no-pc-number";
        case ProblemKind::OverLicensed:
            return "over-licensed";
    }
    return "unknown";
}

}  // namespace zelmo::inventory
