#include "platform/memory/record_file.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/record_replace.h"
#include "platform/runtime_error.h"

namespace zelmo::platform::memory {
namespace {

class MemoryRecordReplacement : public RecordReplacement {
  public:
    explicit MemoryRecordReplacement(MemoryRecordFiles& files) : files_(files) {}
    ~MemoryRecordReplacement() override {
        if (!temp_.empty()) files_.files.erase(temp_);
    }
    MemoryRecordReplacement(const MemoryRecordReplacement&) = delete;
    MemoryRecordReplacement& operator=(const MemoryRecordReplacement&) = delete;

    bool Open(const std::string& path) override {
        // What no real system takes either: wildcard characters, and a path
        // past the longest the system's file calls accept.
        if (path.find_first_of("*?\"<>|") != std::string::npos || path.size() >= kMaxPath) {
            return false;
        }
        path_ = path;
        const std::size_t slash = path.rfind('\\');
        folder_ = slash == std::string::npos ? "" : path.substr(0, slash);
        return true;
    }
    Existing Inspect() override {
        Existing found;
        found.folder = files_.folders.count(path_) != 0;
        found.readOnly = files_.files.count(path_) != 0 && files_.readOnly.count(path_) != 0;
        return found;
    }
    bool CreateTemp() override {
        const auto folder = files_.folders.find(folder_);
        if (folder == files_.folders.end()) return Failed(kPathNotFound);
        if (!folder->second) return Failed(kPermissionDenied);
        const std::string stem =
            path_.substr(0, path_.rfind('\\') + 1);  // npos + 1 == 0: no folder part
        for (int n = 0; temp_.empty(); ++n) {
            const std::string name = stem + "~zcb" + std::to_string(n) + ".tmp";
            if (files_.files.count(name) == 0) temp_ = name;
        }
        files_.files[temp_];
        return true;
    }
    bool Write(std::string_view bytes) override {
        std::string& temp = files_.files[temp_];
        if (files_.failAfterBytes) {
            const std::size_t room =
                *files_.failAfterBytes - std::min(temp.size(), *files_.failAfterBytes);
            if (bytes.size() > room) {
                temp.append(bytes.substr(0, room));
                files_.failAfterBytes.reset();
                return Failed(files_.failWith);
            }
        }
        temp.append(bytes);
        return true;
    }
    bool Flush() override { return true; }
    bool MoveIntoPlace() override {
        files_.files[path_] = std::move(files_.files[temp_]);
        files_.files.erase(temp_);
        temp_.clear();
        return true;
    }
    [[noreturn]] void RaiseLastError(const std::string& path) override {
        throw RunTimeError(error_, path);
    }

  private:
    bool Failed(int number) {
        error_ = number;
        return false;
    }

    MemoryRecordFiles& files_;
    std::string path_;
    std::string folder_;
    std::string temp_;
    int error_ = kPathFileAccessError;
};

}  // namespace

void MemoryRecordFiles::ReplaceContents(const std::string& path,
                                        std::span<const std::string_view> parts) {
    MemoryRecordReplacement steps(*this);
    ReplaceRecord(steps, path, parts);
}

}  // namespace zelmo::platform::memory
