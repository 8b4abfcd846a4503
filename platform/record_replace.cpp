#include "platform/record_replace.h"

#include "platform/record_file.h"
#include "platform/runtime_error.h"

namespace zelmo::platform {

void ReplaceRecord(RecordReplacement& steps, const std::string& path,
                   std::span<const std::string_view> parts) {
    if (path.empty()) throw RunTimeError(kBadFileNameOrNumber, "(no file name)");
    if (!steps.Open(path)) throw RunTimeError(kBadFileNameOrNumber, path);
    const RecordReplacement::Existing existing = steps.Inspect();
    if (existing.folder) throw RunTimeError(kPathFileAccessError, path);
    // A read-only record stays read-only, as for any output open, even where
    // a rename could replace it.
    if (existing.readOnly) throw RunTimeError(kPermissionDenied, path);

    if (!steps.CreateTemp()) steps.RaiseLastError(path);
    for (const std::string_view bytes : parts) {
        if (!steps.Write(bytes)) steps.RaiseLastError(path);
    }
    if (!steps.Flush()) steps.RaiseLastError(path);
    if (!steps.MoveIntoPlace()) steps.RaiseLastError(path);
    steps.CleanUp();
}

namespace {

class SystemRecordFiles : public RecordFileService {
  public:
    using RecordFileService::ReplaceContents;
    void ReplaceContents(const std::string& path,
                         std::span<const std::string_view> parts) override {
        ReplaceRecord(*NewRecordReplacement(), path, parts);
    }
};

}  // namespace

std::unique_ptr<RecordFileService> OpenSystemRecordFiles() {
    return std::make_unique<SystemRecordFiles>();
}

}  // namespace zelmo::platform
