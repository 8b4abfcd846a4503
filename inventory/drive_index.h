#pragma once

#include <atomic>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace zelmo::inventory {

// The installed-file search for a fixed set of names, answered from one walk
// of each drive: the same folders in the same order as FindOnDrive visits
// them, each giving the same probe result, so every answer equals
// FindOnDrive's on an unchanged drive. Listings only point out the folders
// worth probing; every hit is still the file system's own probe.
class IndexedDrives {
  public:
    // drives: designators as FindOnDrive takes them ("C:"). threads: how many
    // folders are read at once; 0 for one per core.
    IndexedDrives(platform::FileSystem& fs, std::vector<std::string> drives,
                  std::vector<std::string> fileNames, unsigned threads = 0);
    ~IndexedDrives();
    IndexedDrives(const IndexedDrives&) = delete;
    IndexedDrives& operator=(const IndexedDrives&) = delete;

    // Walks each drive once and answers every name. It may run on any one
    // thread while others read FoldersSearched; nothing else may use the file
    // system meanwhile. Raises what a worker raised.
    void Build();

    // Folders listed so far, for a progress display; any thread may read it.
    long long FoldersSearched() const { return foldersSearched_.load(std::memory_order_relaxed); }

    // FindOnDrive's result and location list, after Build. A drive or a name
    // not given at construction is searched afresh, as FindOnDrive does.
    std::int32_t FindOnDrive(const std::string& drive, const std::string& fileName,
                             std::vector<std::string>& locations);
    // The same count without the location list.
    std::int32_t CountOnDrive(const std::string& drive, const std::string& fileName);

  private:
    struct Folder;
    struct Drive;
    class FolderArena;
    class Walk;

    // The index of (drive, name) in drives_ and names_, or -1 for either.
    std::pair<int, int> Lookup(const std::string& drive, const std::string& fileName) const;
    void AnswerNames(Drive& drive);
    static std::string FolderPath(const Folder& folder);

    platform::FileSystem& fs_;
    unsigned threads_;
    std::vector<std::string> names_;
    std::unordered_map<std::string, int> nameIds_;
    // Plain names grouped by the file system's key; ids into names_.
    std::unordered_map<std::string, std::uint32_t> keyIds_;
    // Which (length, last byte) pairs the keys have: most listed names are
    // ruled out by it without hashing.
    std::bitset<1 << 16> keyShapes_;
    std::vector<std::vector<int>> keyNames_;
    std::vector<int> plainNames_;
    // Names the listings cannot answer: every folder is probed for them.
    std::vector<int> probedNames_;
    std::vector<std::unique_ptr<Drive>> drives_;
    std::vector<std::unique_ptr<FolderArena>> arenas_;
    std::atomic<long long> foldersSearched_{0};
    bool built_ = false;
};

}  // namespace zelmo::inventory
