#include "inventory/indexed_scan.h"

namespace zelmo::inventory {

std::vector<std::string> ApplicationList::FileNames() const {
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (const ApplicationRow& row : rows) names.push_back(row.FileName);
    return names;
}

ApplicationList ReadApplicationList(const std::string& listPath) {
    ApplicationListReader reader(listPath);
    ApplicationList list;
    try {
        while (!reader.AtEnd()) list.rows.push_back(reader.ReadRow());
        reader.Close();
    } catch (...) {
        list.failure = std::current_exception();
    }
    return list;
}

IndexedSearch::IndexedSearch(platform::FileSystem& fs, const std::vector<std::string>& fileNames,
                             unsigned threads)
    : drives_(fs, {"C:", "D:"}, fileNames, threads) {}

std::int32_t IndexedSearch::CountOnDrive(const std::string& drive, const std::string& fileName) {
    return drives_.CountOnDrive(drive, fileName);
}

std::int32_t IndexedSearch::FindOnDrive(const std::string& drive, const std::string& fileName,
                                        std::vector<std::string>& locations) {
    return drives_.FindOnDrive(drive, fileName, locations);
}

std::int32_t ReplayApplicationList(ApplicationList&& list, InstalledFileSearch& search,
                                   const ScanTarget& target) {
    for (ApplicationRow& row : list.rows) ScanRow(std::move(row), search, target);
    if (list.failure) std::rethrow_exception(list.failure);
    return static_cast<std::int32_t>(list.rows.size());
}

std::int32_t ScanApplicationListIndexed(const std::string& listPath, platform::FileSystem& fs,
                                        const ScanTarget& target, unsigned threads) {
    ApplicationList list = ReadApplicationList(listPath);
    IndexedSearch search(fs, list.FileNames(), threads);
    search.Build();
    return ReplayApplicationList(std::move(list), search, target);
}

}  // namespace zelmo::inventory
