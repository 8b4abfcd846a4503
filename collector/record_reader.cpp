#include "collector/record_reader.h"

#include <algorithm>

#include "platform/folder_listing.h"
#include "platform/runtime_error.h"
#include "platform/untrusted_file.h"

namespace zelmo::collector {
namespace fs = std::filesystem;
namespace {

bool HasTxtExtension(const fs::path& path) {
    std::string ext = Utf8Name(path.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".txt";
}

}  // namespace

fs::path FsPath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Name(const fs::path& path) {
    const std::u8string name = path.u8string();
    return platform::SanitizeUtf8(std::string(name.begin(), name.end()));
}

std::vector<fs::path> ListRecordFiles(const std::string& folder) {
    platform::FolderListing listing = platform::ListFolder(FsPath(folder));
    using Status = platform::FolderListing::Status;
    switch (listing.status) {
        case Status::Listed:
            break;
        case Status::NotFolder:
            throw platform::RunTimeError(platform::kPathNotFound, folder);
        case Status::Unreadable:
            throw platform::RunTimeError(platform::kPermissionDenied, folder);
        case Status::Failed:
            throw platform::RunTimeError(platform::kPathFileAccessError, folder);
    }
    std::vector<fs::path> files;
    // Links and whatever else is listed go to the reader, which opens each
    // name as it is by then and refuses anything but a regular file.
    for (platform::ListedEntry& entry : listing.entries) {
        if (!entry.folder && HasTxtExtension(entry.path)) files.push_back(std::move(entry.path));
    }
    // One folder's paths differ only in their last parts: their text orders
    // them as the parts do, without splitting each path at every comparison.
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    return files;
}

void ParseRecordBytes(std::string_view bytes, const platform::TextCodec& codec, HostRecord& record,
                      std::vector<Problem>& problems) {
    inventory::SplitRecord split = inventory::SplitRecordLine(bytes, codec);
    if (!split.oneLine) {
        record.AddProblem(problems, ProblemKind::NotOneLine, "not one line ended by CR LF");
    }
    if (!split.validBytes) {
        record.AddProblem(problems, ProblemKind::InvalidEncoding,
                          "bytes that are not valid " + codec.CodeSet() + " text");
    }
    const std::size_t count = bytes.empty() ? 0 : split.values.size();
    if (!inventory::TakeRecordValues(split, record.values, record.items)) {
        record.AddProblem(problems, ProblemKind::TooFewValues,
                          std::to_string(count) + " values, " +
                              std::to_string(inventory::kRecordValueCount) + " wanted");
    }
}

HostRecord ReadRecordFile(const fs::path& path, const platform::TextCodec& codec,
                          std::vector<Problem>& problems) {
    HostRecord record;
    record.file = Utf8Name(path.filename());
    record.host = Utf8Name(path.stem());

    platform::UntrustedFile file = platform::ReadUntrustedFile(path, kMaxRecordBytes);
    using Status = platform::UntrustedFile::Status;
    switch (file.status) {
        case Status::Read:
            break;
        case Status::Link:
            record.AddProblem(problems, ProblemKind::Unreadable, "a link, not a file");
            return record;
        case Status::NotRegular:
            record.AddProblem(problems, ProblemKind::Unreadable, "not a regular file");
            return record;
        case Status::TooLarge:
            record.AddProblem(problems, ProblemKind::Unreadable,
                              "larger than " + std::to_string(kMaxRecordBytes) + " bytes");
            return record;
        case Status::Failed:
            record.AddProblem(problems, ProblemKind::Unreadable, "cannot be opened or read");
            return record;
    }
    record.recorded = file.modified;
    ParseRecordBytes(file.bytes, codec, record, problems);
    return record;
}

}  // namespace zelmo::collector
