#include "app/record_writer.h"

#include "inventory/csv_value.h"
#include "platform/text_codec.h"

namespace zelmo::app {

std::string ComposeRecord(const InventoryValues& v, const std::string& summary) {
    std::string record;
    for (const std::string* value :
         {&v.name, &v.pcInventory, &v.monitorInventory, &v.host, &v.ip, &v.memory, &v.location}) {
        record += inventory::CsvValue(*value);
        record += ',';
    }
    return record + summary;
}

std::string RecordPath(std::string saveFolder, const std::string& host) {
    const std::size_t nul = saveFolder.find('\0');
    if (nul != std::string::npos) saveFolder.resize(nul);
    if (saveFolder.empty() || saveFolder.back() != '\\') saveFolder += '\\';
    return saveFolder + host + ".txt";
}

void WriteRecordFile(platform::RecordFileService& files, const std::string& path,
                     const std::string& record) {
    files.ReplaceContents(path, platform::TextCodec::System().ToAnsi(record) + "\r\n");
}

}  // namespace zelmo::app
