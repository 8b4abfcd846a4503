#include "app/services/scan_run.h"

#include <utility>

namespace zelmo::app {

ScanRun::ScanRun(platform::FileSystem& files, const std::string& listPath)
    : list_(inventory::ReadApplicationList(listPath)), search_(files, list_.FileNames()) {}

std::string ScanRun::ProgressText() const {
    return "Folders searched: " + std::to_string(search_.FoldersSearched());
}

void ScanRun::Replay(const inventory::ScanTarget& target) {
    inventory::ReplayApplicationList(std::move(list_), search_, target);
}

}  // namespace zelmo::app
