#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/sequential_file.h"

namespace zelmo::inventory {

inline constexpr const char* kApplicationListName = "ZelmoAppl.csv";
inline constexpr const char* kListErrorMessage =
    "リスト読み込みエラーです。管理者に問い合わせて下さい。";

// One row of the application list.
struct ApplicationRow {
    std::string Tag;
    std::string DisplayName;
    std::string FileName;
    std::string Spare;
};

// Answers how many places a drive holds a file in (-1: drive not searchable).
class InstalledFileSearch {
  public:
    virtual ~InstalledFileSearch() = default;
    virtual std::int32_t CountOnDrive(const std::string& drive, const std::string& fileName) = 0;
};

// The search as the drives are walked for each row afresh.
class PerRowSearch : public InstalledFileSearch {
  public:
    explicit PerRowSearch(platform::FileSystem& fs) : fs_(fs) {}
    std::int32_t CountOnDrive(const std::string& drive, const std::string& fileName) override;

  private:
    platform::FileSystem& fs_;
};

// What the scan works on: the list box's add, the main window's summary and
// its message box.
struct ScanTarget {
    std::function<void(const std::string&)> addToList;
    std::string& AppSummary;
    platform::MessageBoxService& messages;
};

// The application list, open for reading one row at a time.
class ApplicationListReader {
  public:
    // Raises a RunTimeError when the list is missing or cannot be opened.
    explicit ApplicationListReader(const std::string& listPath);
    bool AtEnd() { return list_.AtEnd(); }
    // The next row's four fields. Raises a RunTimeError naming the list and
    // the row when the data ends inside it.
    ApplicationRow ReadRow();
    void Close() { list_.Close(); }

  private:
    std::string listPath_;
    platform::SequentialFile list_;
    std::int32_t row_ = 0;
};

// One row's part of the scan: C: then D:, the list entry per drive found,
// the list-error message per -1 straight after that drive's search, and the
// row's item. The row is taken over, so a large Tag is moved, not copied.
void ScanRow(ApplicationRow row, InstalledFileSearch& search, const ScanTarget& target);

// Reads the application list row by row and, for each row, searches C: then
// D:, adding the display name to the list once per drive it is found on and
// one comma-terminated item per row to the summary. Raises a RunTimeError
// when the list is missing or ends inside a row. Returns the rows read.
std::int32_t ScanApplicationList(const std::string& listPath, InstalledFileSearch& search,
                                 const ScanTarget& target);

// A row's item in the summary, with its terminating comma.
std::string SummaryItem(const ApplicationRow& row, bool foundOnC, bool foundOnD);

}  // namespace zelmo::inventory
