#pragma once

#include <string>

#include "platform/file_system.h"

namespace zelmo::test {

// Passes every call on; tests override the calls whose behaviour they change.
class ForwardingFileSystem : public platform::FileSystem {
  public:
    explicit ForwardingFileSystem(platform::FileSystem& inner) : inner_(inner) {}
    std::uint32_t LogicalDrives() override { return inner_.LogicalDrives(); }
    bool ListFolder(const std::string& folder,
                    const std::function<void(const platform::FolderEntry&)>& visit) override {
        return inner_.ListFolder(folder, visit);
    }
    std::optional<std::string> ProbeFolder(const std::string& folder,
                                           const std::string& fileName) override {
        return inner_.ProbeFolder(folder, fileName);
    }
    std::uint32_t ReadAttributes(const std::string& path) override {
        return inner_.ReadAttributes(path);
    }

  protected:
    platform::FileSystem& inner_;
};

// Over a case-insensitive memory drive, a probe that finds a relative name
// only with the case it was stored under, as a POSIX file system does. Name
// keys stay the default ones, which fold case, so listings point out more
// folders than the probes confirm.
class CaseSensitiveFileSystem : public ForwardingFileSystem {
  public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::optional<std::string> ProbeFolder(const std::string& folder,
                                           const std::string& fileName) override {
        std::optional<std::string> found = inner_.ProbeFolder(folder, fileName);
        const bool relative =
            !fileName.empty() && fileName[0] != '\\' && (fileName.size() < 2 || fileName[1] != ':');
        if (!found || !relative) return found;
        std::string asked = folder;
        if (asked.back() != '\\') asked += '\\';
        asked += fileName;
        if (*found != asked) return std::nullopt;
        return found;
    }
};

}  // namespace zelmo::test
