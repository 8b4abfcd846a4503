#include "collector/collect_folder.h"

#include <algorithm>

#include "collector/application_columns.h"
#include "collector/record_checks.h"
#include "collector/record_reader.h"

namespace zelmo::collector {

platform::TextCodec RecordCodec(const std::string& encoding) {
    if (encoding.empty()) return platform::TextCodec::System();
    // UTF-8's code page number, for which iconv has no name.
    if (encoding == "65001") return platform::TextCodec("UTF-8");
    if (encoding.find_first_not_of("0123456789") == std::string::npos) {
        return platform::TextCodec("CP" + encoding);
    }
    return platform::TextCodec(encoding);
}

Collection CollectFolder(const CollectSettings& settings) {
    const platform::TextCodec codec = RecordCodec(settings.encoding);
    Collection collection;
    collection.folder = settings.folder;
    collection.collectedAt = settings.now;
    collection.hasList = !settings.listPath.empty();
    if (collection.hasList) collection.columns = ReadApplicationColumns(settings.listPath, codec);

    const std::int64_t staleBefore =
        settings.now - static_cast<std::int64_t>(settings.staleDays) * 86400;
    for (const auto& path : ListRecordFiles(settings.folder)) {
        HostRecord record = ReadRecordFile(path, codec, collection.problems);
        const bool valuesRead =
            std::find_if(record.problems.begin(), record.problems.end(),
                         [](const std::string& kind) {
                             return kind == "unreadable" || kind == "too-few-values";
                         }) == record.problems.end();
        if (collection.hasList && valuesRead) {
            MatchItems(record, collection.columns, collection.problems);
        } else {
            record.counts.assign(collection.columns.size(), -1);
        }
        CheckRecordValues(record, staleBefore, collection.problems);
        collection.hosts.push_back(std::move(record));
    }
    std::stable_sort(collection.hosts.begin(), collection.hosts.end(),
                     [](const HostRecord& a, const HostRecord& b) { return a.host < b.host; });
    CheckDuplicateNumbers(collection.hosts, collection.problems);
    std::stable_sort(collection.problems.begin(), collection.problems.end(),
                     [](const Problem& a, const Problem& b) { return a.file < b.file; });
    return collection;
}

}  // namespace zelmo::collector
