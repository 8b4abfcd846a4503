#pragma once

#include <string>

#include "inventory/application_list_scan.h"
#include "inventory/indexed_scan.h"
#include "platform/file_system.h"

namespace zelmo::app {

// The application scan that comes before a record is filed, by the main
// window and by `zelmocb-cli record` alike: the list is read first, so a
// missing list fails before any walk; then one walk of each drive; then the
// rows are replayed in order. Walk may run on a worker thread while another
// polls ProgressText; Replay runs once, on the thread that owns the target.
class ScanRun {
  public:
    ScanRun(platform::FileSystem& files, const std::string& listPath);

    void Walk() { search_.Build(); }
    // "Folders searched: N", the progress both show during the walk.
    std::string ProgressText() const;
    void Replay(const inventory::ScanTarget& target);

  private:
    inventory::ApplicationList list_;
    inventory::IndexedSearch search_;
};

}  // namespace zelmo::app
