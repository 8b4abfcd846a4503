#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace zelmo::platform::memory {

// Drives and folders held in memory for tests. Entries keep the order they
// were added in; names compare case-insensitively, as on Windows.
class MemoryFileSystem : public FileSystem {
  public:
    // A present drive with an empty root folder.
    void AddDrive(char letter);
    // A folder, with any missing parents ("C:\A\B").
    void AddFolder(const std::string& path, std::uint32_t attributes = kAttributeDirectory);
    void AddFile(const std::string& path, std::uint32_t attributes = kAttributeArchive);
    // A folder whose listing fails; probes into it still work.
    void SetListable(const std::string& path, bool listable);

    int ListCalls() const { return listCalls_; }
    int ProbeCalls() const { return probeCalls_; }

    std::uint32_t LogicalDrives() override;
    bool ListFolder(const std::string& folder,
                    const std::function<void(const FolderEntry&)>& visit) override;
    std::optional<std::string> ProbeFolder(const std::string& folder,
                                           const std::string& fileName) override;
    std::uint32_t ReadAttributes(const std::string& path) override;
    // Folds ASCII letters only, as the lookups here do.
    void NameKey(std::string_view name, std::string& key) const override;

  private:
    struct Node {
        std::string path;  // as added
        std::uint32_t attributes = kAttributeDirectory;
        bool listable = true;
        std::vector<std::string> children;  // keys, in order
    };
    static std::string Key(std::string path);
    Node* Find(const std::string& path);
    Node& Add(const std::string& path, std::uint32_t attributes);

    std::uint32_t drives_ = 0;
    std::map<std::string, Node> nodes_;
    // Walks list from several threads at once; the file system stays
    // copyable for tests that start afresh.
    struct Counter {
        std::atomic<int> value{0};
        Counter() = default;
        Counter(const Counter& other) : value(other.value.load()) {}
        Counter& operator=(const Counter& other) {
            value = other.value.load();
            return *this;
        }
        void operator++() { ++value; }
        operator int() const { return value.load(); }
    };
    Counter listCalls_;
    Counter probeCalls_;
};

}  // namespace zelmo::platform::memory
