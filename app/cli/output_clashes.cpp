#include "app/cli/output_clashes.h"

#include "platform/file_identity.h"

namespace zelmo::cli {
namespace {

bool NamedLikeRecord(const std::string& name) {
    if (name.size() < 4) return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return end == ".txt";
}

std::string Quoted(const NamedPath& p) { return p.option + " '" + p.path + "'"; }

bool SameFile(const platform::PathIdentity& a, const platform::PathIdentity& b) {
    if (a.file && b.file) return *a.file == *b.file;
    return a.normal == b.normal;
}

}  // namespace

std::optional<std::string> FindOutputClash(const std::vector<NamedPath>& paths,
                                           const std::string& folder) {
    std::vector<platform::PathIdentity> ids;
    ids.reserve(paths.size());
    for (const NamedPath& p : paths) ids.push_back(platform::IdentifyPath(p.path));
    const std::optional<platform::FileIdentity> saveFolder = platform::IdentifyPath(folder).file;

    for (std::size_t i = 0; i < paths.size(); ++i) {
        for (std::size_t j = i + 1; j < paths.size(); ++j) {
            if ((paths[i].output || paths[j].output) && SameFile(ids[i], ids[j])) {
                return Quoted(paths[i]) + " and " + Quoted(paths[j]) + " are the same file";
            }
        }
    }

    // The records are listed only when an output could be one of them: a
    // file that exists on the save folder's own volume.
    std::optional<std::vector<platform::NamedIdentity>> records;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!paths[i].output || !saveFolder) continue;
        if (ids[i].folder == saveFolder && NamedLikeRecord(ids[i].name)) {
            return Quoted(paths[i]) + " is inside the save folder and named like a record";
        }
        if (!ids[i].file || ids[i].file->device != saveFolder->device) continue;
        if (!records) records = platform::IdentifyFolderEntries(folder);
        for (const platform::NamedIdentity& record : *records) {
            if (NamedLikeRecord(record.name) && record.identity == *ids[i].file) {
                return Quoted(paths[i]) + " and the record '" + record.name +
                       "' in the save folder are the same file";
            }
        }
    }
    return std::nullopt;
}

}  // namespace zelmo::cli
