#pragma once

#include <string>

#include "platform/file_system.h"

namespace zelmo::platform {

// Passes every member on to another file system, the name members included:
// a wrapper derives from this and overrides only what it changes, so it
// cannot forget one and silently change which folders a walk probes.
class ForwardingFileSystem : public FileSystem {
  public:
    explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}

    std::uint32_t LogicalDrives() override { return inner_.LogicalDrives(); }
    bool ListFolder(const std::string& folder,
                    const std::function<void(const FolderEntry&)>& visit) override {
        return inner_.ListFolder(folder, visit);
    }
    std::optional<std::string> ProbeFolder(const std::string& folder,
                                           const std::string& fileName) override {
        return inner_.ProbeFolder(folder, fileName);
    }
    std::uint32_t ReadAttributes(const std::string& path) override {
        return inner_.ReadAttributes(path);
    }
    void NameKey(std::string_view name, std::string& key) const override {
        inner_.NameKey(name, key);
    }
    bool ListingDecides(std::string_view name) const override {
        return inner_.ListingDecides(name);
    }

  protected:
    FileSystem& inner_;
};

}  // namespace zelmo::platform
