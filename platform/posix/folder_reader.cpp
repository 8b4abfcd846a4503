#include "platform/posix/folder_reader.h"

namespace zelmo::platform::posix {

thread_local std::unique_ptr<char[]> FolderReader::shared_;
thread_local bool FolderReader::inUse_ = false;

FolderReader::FolderReader() {
    if (!inUse_) {
        if (!shared_) shared_ = std::make_unique<char[]>(kSize);
        buffer_ = shared_.get();
        inUse_ = true;
        owner_ = true;
    } else {
        own_ = std::make_unique<char[]>(kSize);
        buffer_ = own_.get();
    }
}

FolderReader::~FolderReader() {
    if (owner_) inUse_ = false;
}

}  // namespace zelmo::platform::posix
