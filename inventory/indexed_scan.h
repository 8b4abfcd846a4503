#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "inventory/application_list_scan.h"
#include "inventory/drive_index.h"
#include "platform/file_system.h"

namespace zelmo::inventory {

// The application list read in full before any search, so that one walk of
// each drive can answer every row.
struct ApplicationList {
    std::vector<ApplicationRow> rows;
    // What cut the reading short (a row that ends early), raised again once
    // the rows before it have been scanned, as the row-by-row scan raises it.
    std::exception_ptr failure;

    // Every row's FileName, in row order.
    std::vector<std::string> FileNames() const;
};

// Reads every row of the list. A list that cannot be opened raises at once,
// before any search, as the row-by-row scan does.
ApplicationList ReadApplicationList(const std::string& listPath);

// The scan's search of C: and D:, answered from one walk of each for every
// file name given. Build may run on a worker thread while the user-interface
// thread polls FoldersSearched; the rows are then replayed on the
// user-interface thread.
class IndexedSearch : public InstalledFileSearch {
  public:
    // threads: how many folders are read at once; 0 for one per core.
    IndexedSearch(platform::FileSystem& fs, const std::vector<std::string>& fileNames,
                  unsigned threads = 0);

    void Build() { drives_.Build(); }
    long long FoldersSearched() const { return drives_.FoldersSearched(); }

    std::int32_t CountOnDrive(const std::string& drive, const std::string& fileName) override;
    std::int32_t FindOnDrive(const std::string& drive, const std::string& fileName,
                             std::vector<std::string>& locations);

  private:
    IndexedDrives drives_;
};

// The scan's effects for rows read in advance: each row exactly as
// ScanApplicationList treats it (messages in row order, each after its C:
// result), then the failure that ended the reading, if any. Returns the rows.
// Each row is released once it has been applied.
std::int32_t ReplayApplicationList(ApplicationList&& list, InstalledFileSearch& search,
                                   const ScanTarget& target);

// Read, walk and replay on the calling thread: the effects of
// ScanApplicationList with a PerRowSearch, for one walk per drive.
std::int32_t ScanApplicationListIndexed(const std::string& listPath, platform::FileSystem& fs,
                                        const ScanTarget& target, unsigned threads = 0);

}  // namespace zelmo::inventory
