// Values joined into a record must split back into the same values.
#include <string>
#include <vector>

#include "inventory/record_format.h"

namespace {

std::vector<std::string> SplitCsv(const std::string& line) {
    std::vector<std::string> values(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                values.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                values.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            values.emplace_back();
        } else {
            values.back() += c;
        }
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Values are separated in the input by NUL bytes.
    std::vector<std::string> values(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            values.emplace_back();
        } else {
            values.back() += static_cast<char>(data[i]);
        }
    }
    std::string line;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string quoted = zelmo::inventory::CsvValue(values[i]);
        // Values without special characters go in unchanged.
        if (values[i].find_first_of(",\"\r\n") == std::string::npos && quoted != values[i]) {
            __builtin_trap();
        }
        line += (i ? "," : "") + quoted;
    }
    if (SplitCsv(line) != values) __builtin_trap();
    return 0;
}
