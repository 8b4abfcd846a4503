#include "inventory/application_list_scan.h"

#include <vector>

#include "inventory/file_search.h"
#include "inventory/record_format.h"
#include "platform/runtime_error.h"
#include "platform/sequential_file.h"

namespace zelmo::inventory {

std::int32_t PerRowSearch::CountOnDrive(const std::string& drive, const std::string& fileName) {
    std::vector<std::string> locations;
    return FindOnDrive(fs_, drive, fileName, locations);
}

std::string SummaryItem(const ApplicationRow& row, bool foundOnC, bool foundOnD) {
    std::string item = row.Tag;
    if (foundOnC) item += row.DisplayName;
    if (foundOnD) item += row.DisplayName;
    // Quoted only when it would otherwise split the record into more values.
    return CsvValue(item) + ",";
}

ApplicationListReader::ApplicationListReader(const std::string& listPath)
    : listPath_(listPath), list_(listPath, platform::OpenMode::Input) {}

ApplicationRow ApplicationListReader::ReadRow() {
    ++row_;
    const auto readField = [&]() {
        try {
            return list_.ReadField();
        } catch (const platform::RunTimeError& e) {
            throw platform::RunTimeError(e.Number(), listPath_ + ", row " + std::to_string(row_));
        }
    };
    ApplicationRow r;
    r.Tag = readField();
    r.DisplayName = readField();
    r.FileName = readField();
    r.Spare = readField();
    return r;
}

void ScanRow(ApplicationRow row, InstalledFileSearch& search, const ScanTarget& target) {
    bool found[2] = {false, false};
    const char* drives[2] = {"C:", "D:"};
    for (int d = 0; d < 2; ++d) {
        const std::int32_t hits = search.CountOnDrive(drives[d], row.FileName);
        if (hits == -1) {
            target.messages.Show(kListErrorMessage);
        } else if (hits >= 1) {
            target.addToList(row.DisplayName);
            found[d] = true;
        }
    }
    // Built in place: a Tag as large as the list allows would otherwise be
    // held several times over.
    std::string& summary = target.AppSummary;
    const std::size_t start = summary.size();
    if (start == 0) {
        summary = std::move(row.Tag);
    } else {
        summary += row.Tag;
        row.Tag = std::string();
    }
    if (found[0]) summary += row.DisplayName;
    if (found[1]) summary += row.DisplayName;
    if (summary.find_first_of(",\"\r\n", start) != std::string::npos) {
        const std::string item = summary.substr(start);
        summary.resize(start);
        summary += CsvValue(item);
    }
    summary += ',';
}

std::int32_t ScanApplicationList(const std::string& listPath, InstalledFileSearch& search,
                                 const ScanTarget& target) {
    ApplicationListReader list(listPath);
    std::int32_t rows = 0;
    while (!list.AtEnd()) {
        ++rows;
        ScanRow(list.ReadRow(), search, target);
    }
    list.Close();
    return rows;
}

}  // namespace zelmo::inventory
