#pragma once

// The inventory record: one line of seven values and then the application
// items, comma-separated and ended by CR LF, in the ANSI code page. Everything
// that writes, reads, checks, reports or stores a record takes its fields,
// their order, the quoting and the problem kinds from here.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_codec.h"

namespace zelmo::inventory {

// The seven values as the PC files them.
struct RecordValues {
    std::string name;     // the user
    std::string pc;       // the PC's inventory number
    std::string monitor;  // the monitor's inventory number
    std::string host;     // the host as the record states it
    std::string ip;
    std::string memory;  // total physical memory, bytes
    std::string location;
};

// What the collector checks a value against.
enum class FieldCheck {
    None,
    FileName,  // the record file's name without ".txt"
    Digits,    // a decimal number
    Ipv4,      // a dotted IPv4 address
};

struct RecordField {
    std::string_view key;      // JSON key, CSV heading and database column
    std::string_view heading;  // a column heading for people
    std::string RecordValues::*value;
    FieldCheck check;
    // The hosts tables show the file's host instead; the record's own
    // host shows only where it differs (a problem).
    bool tabled;
};

// In record order.
inline constexpr std::array<RecordField, 7> kRecordFields{{
    {"name", "Name", &RecordValues::name, FieldCheck::None, true},
    {"pc", "PC", &RecordValues::pc, FieldCheck::None, true},
    {"monitor", "Monitor", &RecordValues::monitor, FieldCheck::None, true},
    {"host_value", "Host in record", &RecordValues::host, FieldCheck::FileName, false},
    {"ip", "IP", &RecordValues::ip, FieldCheck::Ipv4, true},
    {"memory", "Memory", &RecordValues::memory, FieldCheck::Digits, true},
    {"location", "Location", &RecordValues::location, FieldCheck::None, true},
}};
inline constexpr std::size_t kRecordValueCount = kRecordFields.size();

// A value as it goes into a comma-separated line: unchanged, unless it holds
// a comma, a double quote, CR or LF; then quoted, with its quotes doubled, so
// that it stays one value.
std::string CsvValue(std::string_view value);

// The record line without its line end: the seven values, each followed by
// a comma, then the summary (the items, already joined).
std::string ComposeRecord(const RecordValues& values, std::string_view summary);

// A record file's bytes split back into values, the way ComposeRecord joins
// them: a value starting with a double quote runs to the closing quote, and
// two quotes inside stand for one.
struct SplitRecord {
    std::vector<std::string> values;
    bool oneLine = true;     // exactly one line, ended by CR LF
    bool validBytes = true;  // text in the code page, without NUL bytes
};
SplitRecord SplitRecordLine(std::string_view bytes, const platform::TextCodec& codec);

// Moves the first seven values into values and the rest into items; false
// when there are fewer than seven (what there is is still moved).
bool TakeRecordValues(SplitRecord& split, RecordValues& values, std::vector<std::string>& items);

// What the collector found wrong with a record (or, for the last ones, with
// the collection against the organisation's own registers).
enum class ProblemKind {
    Unreadable,
    NotOneLine,
    InvalidEncoding,
    TooFewValues,
    HostMismatch,
    MemoryNotDigits,
    IpNotIpv4,
    ItemCount,
    ItemMismatch,
    DuplicatePc,
    DuplicateMonitor,
    Stale,
    NotInLedger,
    LedgerConflict,
    NoPcNumber,
    OverLicensed,
};

// The kind's stable word ("not-one-line"), which scripts and the database
// match on.
std::string_view ProblemKindName(ProblemKind kind);

}  // namespace zelmo::inventory
