// Whole application lists through the field reader and the scan: the reader
// must end, give valid text, and the scan's summary must keep one value per
// row however the fields look.
#include <string>
#include <vector>

#include "fuzz_file.h"
#include "inventory/application_list_scan.h"
#include "platform/memory/file_system.h"
#include "platform/memory/message_box.h"
#include "platform/runtime_error.h"
#include "platform/sequential_file.h"

namespace {

// Splits a comma-separated line the way a spreadsheet does (quotes doubled).
std::size_t CountCsvValues(const std::string& line) {
    std::size_t values = 1;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) ++values;
    }
    if (quoted) __builtin_trap();  // a quote left open
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelmo;
    if (size == 0) return 0;
    const platform::TextCodec codec(data[0] & 1 ? "CP932" : "UTF-8");
    fuzz::FuzzFile file("list.csv", data + 1, size - 1);

    {
        platform::SequentialFile list(file.path(), platform::OpenMode::Input, codec);
        std::size_t fields = 0;
        while (!list.AtEnd()) {
            std::string field;
            try {
                field = list.ReadField();
            } catch (const platform::RunTimeError& e) {
                // Only blanks were left: reading on is past the end.
                if (e.Number() != platform::kInputPastEndOfFile) __builtin_trap();
                break;
            }
            if (!fuzz::IsValidUtf8(field)) __builtin_trap();
            if (++fields > size + 1) __builtin_trap();  // a reader that does not advance
        }
        try {
            while (true) list.ReadField();  // past the end must fail
        } catch (const platform::RunTimeError& e) {
            if (e.Number() != platform::kInputPastEndOfFile) __builtin_trap();
        }
    }

    if (codec.IsUtf8() != platform::TextCodec::System().IsUtf8()) return 0;
    platform::memory::MemoryFileSystem fs;
    fs.AddFile("C:\\a.exe");
    fs.AddFile("C:\\x\\b.exe");
    platform::memory::RecordingMessageBox messages;
    inventory::PerRowSearch search(fs);
    std::string summary;
    std::size_t entries = 0;
    try {
        const auto rows = inventory::ScanApplicationList(
            file.path(), search, {[&](const std::string&) { ++entries; }, summary, messages});
        if (rows > 0) {
            if (summary.empty() || summary.back() != ',') __builtin_trap();
            summary.pop_back();
            if (CountCsvValues(summary) != static_cast<std::size_t>(rows)) __builtin_trap();
        }
        if (messages.shown.size() != static_cast<std::size_t>(rows)) __builtin_trap();  // no D:
    } catch (const platform::RunTimeError& e) {
        if (e.Number() != platform::kInputPastEndOfFile) __builtin_trap();
    }
    return 0;
}
