#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/record_file.h"
#include "platform/record_file.h"
#include "platform/runtime_error.h"
#include "test_support.h"

namespace zelmo::test {

// The error number ReplaceContents raises, or 0 when it succeeds. A failure
// must name the path it was given.
inline int FailureOf(platform::RecordFileService& files, const std::string& path,
                     std::string_view bytes) {
    try {
        files.ReplaceContents(path, bytes);
    } catch (const platform::RunTimeError& e) {
        if (!path.empty()) {
            EXPECT_EQ(e.Subject(), path);
        }
        return e.Number();
    }
    return 0;
}

// Each backend gives record files in a folder of its own: At(relative) is a
// program path below it ("\" between folders), the other members take one
// entry's name in it.
class MemoryRecordFilesBackend {
  public:
    static constexpr const char* kName = "Memory";

    MemoryRecordFilesBackend() { files_.folders[kFolder] = true; }

    platform::RecordFileService& Service() { return files_; }
    std::string At(std::string_view relative) const {
        return std::string(kFolder) + "\\" + std::string(relative);
    }
    void WriteFile(std::string_view name, std::string_view bytes) {
        files_.files[At(name)] = bytes;
    }
    std::string ReadFile(std::string_view name) const {
        const auto it = files_.files.find(At(name));
        return it == files_.files.end() ? "" : it->second;
    }
    void MakeFolder(std::string_view name) { files_.folders[At(name)] = true; }
    void MakeReadOnly(std::string_view name) { files_.readOnly.insert(At(name)); }
    std::vector<std::string> Names() const {
        const std::string prefix = At("");
        std::vector<std::string> names;
        const auto collect = [&](const std::string& path) {
            if (path.starts_with(prefix) && path.find('\\', prefix.size()) == std::string::npos) {
                names.push_back(path.substr(prefix.size()));
            }
        };
        for (const auto& [path, bytes] : files_.files) collect(path);
        for (const auto& [path, writable] : files_.folders) collect(path);
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    static constexpr const char* kFolder = "S:\\Inventory";
    platform::memory::MemoryRecordFiles files_;
};

// The system's record files, in a temporary folder.
class SystemRecordFilesBackend {
  public:
    static constexpr const char* kName = "System";

    SystemRecordFilesBackend() = default;
    ~SystemRecordFilesBackend() {
        // A read-only file cannot be removed on every system.
        std::error_code ec, ignored;
        for (std::filesystem::recursive_directory_iterator it(dir_.path(), ec), end;
             !ec && it != end; it.increment(ec)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    SystemRecordFilesBackend(const SystemRecordFilesBackend&) = delete;
    SystemRecordFilesBackend& operator=(const SystemRecordFilesBackend&) = delete;

    platform::RecordFileService& Service() { return *files_; }
    std::string At(std::string_view relative) const { return dir_ / "" + std::string(relative); }
    void WriteFile(std::string_view name, std::string_view bytes) {
        WriteBytes(dir_ / name, bytes);
    }
    std::string ReadFile(std::string_view name) const { return ReadBytes(dir_ / name); }
    void MakeFolder(std::string_view name) { std::filesystem::create_directory(dir_ / name); }
    void MakeReadOnly(std::string_view name) {
        using std::filesystem::perms;
        std::filesystem::permissions(dir_ / name,
                                     perms::owner_write | perms::group_write | perms::others_write,
                                     std::filesystem::perm_options::remove);
    }
    std::vector<std::string> Names() const { return NamesIn(dir_.path()); }

    const TempDir& dir() const { return dir_; }

  private:
    TempDir dir_;
    std::unique_ptr<platform::RecordFileService> files_ = platform::OpenSystemRecordFiles();
};

}  // namespace zelmo::test
