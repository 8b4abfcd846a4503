// The file-system contract on the in-memory file system that the other
// tests build their drives from.
#include "file_system_contract.h"

#include <string>

#include "platform/memory/file_system.h"

namespace zelmo::test {
namespace {

class MemoryFileSystemBackend {
  public:
    static constexpr bool kFoldsCase = true;
    static constexpr bool kListingShowsFileMarks = true;
    static constexpr bool kFindsUnlistedNames = false;

    MemoryFileSystemBackend() { fs_.AddDrive('C'); }

    platform::FileSystem& Fs() { return fs_; }
    std::string At(const std::string& relative) const { return "C:\\" + relative; }
    void Folder(const std::string& relative, std::uint32_t marks = 0) {
        fs_.AddFolder(At(relative), platform::kAttributeDirectory | marks);
    }
    void File(const std::string& relative, std::uint32_t marks = 0) {
        fs_.AddFile(At(relative), platform::kAttributeArchive | marks);
    }
    bool Lock(const std::string& relative) {
        fs_.SetListable(At(relative), false);
        return true;
    }

  private:
    platform::memory::MemoryFileSystem fs_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, FileSystemContract, MemoryFileSystemBackend);

}  // namespace
}  // namespace zelmo::test
