#include "app/services/record_writer.h"

#include "app/services/settings.h"
#include "inventory/record_format.h"
#include "platform/program_path.h"
#include "platform/runtime_error.h"
#include "platform/text_codec.h"

namespace zelmo::app {
namespace {

// The host name comes from the machine, and the save folder is shared by
// every PC: only one plain name may become a file name there, or a record
// could land outside the folder or on another host's file.
bool IsPlainHostFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const unsigned char c : name) {
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

}  // namespace

std::string RecordPath(std::string saveFolder, const std::string& host) {
    if (!IsPlainHostFileName(host)) {
        throw platform::RunTimeError(platform::kBadFileNameOrNumber, "host name \"" + host + "\"");
    }
    const std::size_t nul = saveFolder.find('\0');
    if (nul != std::string::npos) saveFolder.resize(nul);
    platform::EndWithBackslash(saveFolder);
    return saveFolder + host + ".txt";
}

void WriteRecordFile(platform::RecordFileService& files, const std::string& path,
                     std::string_view head, const std::string& summary) {
    const platform::TextCodec& codec = platform::TextCodec::System();
    const std::string ansiHead = codec.ToAnsi(head);
    // The summary is as large as the list allows: written as it stands
    // wherever the code page lets it, never joined to the rest first.
    std::string converted;
    std::string_view ansiSummary = summary;
    if (!codec.IsAnsiAlready(summary)) ansiSummary = converted = codec.ToAnsi(summary);
    const std::string_view parts[] = {ansiHead, ansiSummary, "\r\n"};
    files.ReplaceContents(path, parts);
}

FiledRecord PrepareRecord(const InventoryValues& values, std::string& appSummary,
                          const std::string& settingsPath) {
    // An empty summary (an empty list) has no trailing comma to remove.
    if (!appSummary.empty()) appSummary.pop_back();
    FiledRecord record;
    record.path = RecordPath(ReadSavePathFrom(settingsPath), values.host);
    record.head = ComposeRecord(values, "");
    record.summary = &appSummary;
    return record;
}

void FileRecord(platform::RecordFileService& files, const FiledRecord& record) {
    WriteRecordFile(files, record.path, record.head, *record.summary);
}

}  // namespace zelmo::app
