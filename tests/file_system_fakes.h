#pragma once

#include <string>

#include "platform/forwarding_file_system.h"
#include "platform/program_path.h"

namespace zelmo::test {

using platform::ForwardingFileSystem;

// Over a case-insensitive memory drive, a probe that finds a relative name
// only with the case it was stored under, as a POSIX file system does. Name
// keys stay the memory drive's, which fold case, so listings point out more
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
        platform::EndWithBackslash(asked);
        asked += fileName;
        if (*found != asked) return std::nullopt;
        return found;
    }
};

}  // namespace zelmo::test
