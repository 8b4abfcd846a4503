#pragma once

#include <string>
#include <string_view>

#include "inventory/record_format.h"
#include "platform/record_file.h"

namespace zelmo::app {

using InventoryValues = inventory::RecordValues;
using inventory::ComposeRecord;

// The host's record file in the save folder. The folder text is cut at its
// first NUL (a PathString past the value's end reaches the field's
// padding), and a backslash is added unless it already ends in one. A host
// name that is not one plain name (empty, ".", "..", a separator or a
// control character) raises "Bad file name or number" naming it.
std::string RecordPath(std::string saveFolder, const std::string& host);

// Replaces the record file with the one line, CR LF, in the ANSI code page:
// head (ComposeRecord's values with no summary) followed by the summary.
void WriteRecordFile(platform::RecordFileService& files, const std::string& path,
                     std::string_view head, const std::string& summary);

// What OK files, up to the writing: the record and the file it goes to.
struct FiledRecord {
    std::string path;
    std::string head;  // the seven values, each followed by its comma
    // The caller's summary, shortened in place; it must outlive this.
    const std::string* summary = nullptr;

    // The line as text, without its line end.
    std::string Line() const { return head + *summary; }
};

// The OK step as the window and `zelmocb-cli record` both take it: drops the
// summary's last comma in place, composes the record from the values and
// names the host's file in the save folder that the settings file gives.
FiledRecord PrepareRecord(const InventoryValues& values, std::string& appSummary,
                          const std::string& settingsPath);

// Replaces the record's file with it.
void FileRecord(platform::RecordFileService& files, const FiledRecord& record);

}  // namespace zelmo::app
