// One record file from the save folder, the largest input any PC controls:
// whatever its bytes, reading and checking it gives valid UTF-8 values free
// of NULs, and a record read as one clean line composes back to itself.
#include <string>
#include <vector>

#include "collector/record_checks.h"
#include "collector/record_reader.h"
#include "fuzz_file.h"
#include "inventory/record_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelmo;
    static const platform::TextCodec cp932("CP932");
    static const platform::TextCodec utf8("UTF-8");
    // The first byte picks the code page, so both are explored from one corpus.
    if (size == 0) return 0;
    const platform::TextCodec& codec = data[0] & 1 ? utf8 : cp932;
    const fuzz::FuzzFile file("WS01.txt", data + 1, size - 1);

    std::vector<collector::Problem> problems;
    collector::HostRecord record = collector::ReadRecordFile(file.path(), codec, problems);
    collector::CheckRecordValues(record, 0, problems);
    if (problems.size() != record.problems.size()) __builtin_trap();

    std::vector<std::string> values;
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        values.push_back(record.values.*field.value);
    }
    values.insert(values.end(), record.items.begin(), record.items.end());
    for (const std::string& value : values) {
        if (!fuzz::IsValidUtf8(value) || value.find('\0') != std::string::npos) __builtin_trap();
    }

    const bool clean = !record.Has(inventory::ProblemKind::NotOneLine) &&
                       !record.Has(inventory::ProblemKind::InvalidEncoding) && record.ValuesRead();
    if (clean) {
        std::string summary;
        for (std::size_t i = 0; i < record.items.size(); ++i) {
            if (i > 0) summary += ',';
            summary += inventory::CsvValue(record.items[i]);
        }
        const std::string line = inventory::ComposeRecord(record.values, summary) + "\r\n";
        inventory::SplitRecord again = inventory::SplitRecordLine(codec.ToAnsi(line), codec);
        inventory::RecordValues back;
        std::vector<std::string> items;
        if (!again.oneLine || !inventory::TakeRecordValues(again, back, items)) __builtin_trap();
        for (const inventory::RecordField& field : inventory::kRecordFields) {
            if (back.*field.value != record.values.*field.value) __builtin_trap();
        }
        // Seven values and no items read back as one empty item.
        if (items != record.items &&
            !(record.items.empty() && items == std::vector<std::string>{""}))
            __builtin_trap();
    }
    return 0;
}
