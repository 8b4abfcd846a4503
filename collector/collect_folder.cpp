#include "collector/collect_folder.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <iterator>
#include <optional>
#include <thread>

#include "collector/application_columns.h"
#include "collector/record_checks.h"
#include "collector/record_reader.h"
#include "inventory/worker_pool.h"

namespace zelmo::collector {

namespace {

// Runs each(i) for every i below count on a few threads. Reading a record
// is mostly calls that wait on the file system (a share, often), one file
// after another; a second thread halves that wait. The first exception
// stops the others and is raised here.
void ForEachIndex(std::size_t count, const std::function<void(std::size_t)>& each) {
    constexpr std::size_t kPerThread = 256;  // fewer files are not worth a thread
    const std::size_t threads = std::min<std::size_t>(
        {std::max(1u, std::thread::hardware_concurrency()), 4, count / kPerThread + 1});
    std::atomic<std::size_t> next{0};
    inventory::WorkerPool(static_cast<unsigned>(threads)).Run([&](std::stop_token stop, unsigned) {
        for (std::size_t i = next++; i < count && !stop.stop_requested(); i = next++) each(i);
    });
}

}  // namespace

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
    std::optional<Ledger> ledger;
    if (!settings.ledger.path.empty()) ledger = ReadLedger(settings.ledger, codec);
    std::vector<Licence> licences;
    if (!settings.licencesPath.empty()) {
        // Saved apart from the ledger, often in another code page: only its
        // own byte order mark or the records' code page say which.
        licences = ReadLicences(settings.licencesPath, "", codec, collection);
    }

    const std::int64_t staleBefore =
        settings.now - static_cast<std::int64_t>(settings.staleDays) * 86400;
    const auto files = ListRecordFiles(settings.folder);
    collection.hosts.resize(files.size());
    // Each file's problems on their own, joined in the files' order after.
    std::vector<std::vector<Problem>> found(files.size());
    ForEachIndex(files.size(), [&](std::size_t i) {
        HostRecord record = ReadRecordFile(files[i], codec, found[i]);
        if (collection.hasList && record.ValuesRead()) {
            MatchItems(record, collection.columns, found[i]);
            // The counts are all that the outputs show with a list: the
            // items' text goes before the next record comes, so memory does
            // not grow with it (on some heaps every new page is dear).
            std::vector<std::string>().swap(record.items);
        } else {
            record.counts.assign(collection.columns.size(), -1);
        }
        CheckRecordValues(record, staleBefore, found[i]);
        collection.hosts[i] = std::move(record);
    });
    for (std::vector<Problem>& problems : found) {
        collection.problems.insert(collection.problems.end(),
                                   std::make_move_iterator(problems.begin()),
                                   std::make_move_iterator(problems.end()));
    }
    // Listed by file name, the hosts are nearly always in order already.
    const auto byHost = [](const HostRecord& a, const HostRecord& b) { return a.host < b.host; };
    if (!std::is_sorted(collection.hosts.begin(), collection.hosts.end(), byHost)) {
        std::stable_sort(collection.hosts.begin(), collection.hosts.end(), byHost);
    }
    CheckDuplicateNumbers(collection.hosts, collection.problems);
    if (ledger) CheckAgainstLedger(collection, std::move(*ledger));
    std::stable_sort(collection.problems.begin(), collection.problems.end(),
                     [](const Problem& a, const Problem& b) { return a.file < b.file; });
    if (!settings.licencesPath.empty()) CheckLicences(collection, std::move(licences));
    return collection;
}

}  // namespace zelmo::collector
