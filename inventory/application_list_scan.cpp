#include "inventory/application_list_scan.h"

#include <vector>

#include "inventory/csv_value.h"
#include "inventory/file_search.h"
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

std::int32_t ScanApplicationList(const std::string& listPath, InstalledFileSearch& search,
                                 const ScanTarget& target) {
    platform::SequentialFile list(listPath, platform::OpenMode::Input);
    std::int32_t row = 0;
    const auto readField = [&]() {
        try {
            return list.ReadField();
        } catch (const platform::RunTimeError& e) {
            throw platform::RunTimeError(e.Number(),
                                         listPath + ", row " + std::to_string(row));
        }
    };
    while (!list.AtEnd()) {
        ++row;
        ApplicationRow r;
        r.Tag = readField();
        r.DisplayName = readField();
        r.FileName = readField();
        r.Spare = readField();

        bool found[2] = {false, false};
        const char* drives[2] = {"C:", "D:"};
        for (int d = 0; d < 2; ++d) {
            const std::int32_t hits = search.CountOnDrive(drives[d], r.FileName);
            if (hits == -1) {
                target.messages.Show(kListErrorMessage);
            } else if (hits >= 1) {
                target.addToList(r.DisplayName);
                found[d] = true;
            }
        }
        target.AppSummary += SummaryItem(r, found[0], found[1]);
    }
    list.Close();
    return row;
}

}  // namespace zelmo::inventory
