#include "collector/record_reader.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <system_error>

#include "platform/runtime_error.h"

namespace zelmo::collector {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

std::size_t CountReplacements(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = text.find(kReplacement); pos != std::string_view::npos;
         pos = text.find(kReplacement, pos + kReplacement.size())) {
        ++count;
    }
    return count;
}

bool HasTxtExtension(const fs::path& path) {
    std::string ext = Utf8Name(path.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".txt";
}

std::int64_t ModificationTime(const fs::path& path, std::error_code& ec) {
    const fs::file_time_type written = fs::last_write_time(path, ec);
    if (ec) return 0;
    // The file clock's epoch differs between libraries; the distance from
    // now carries over to the system clock.
    const auto sys = std::chrono::system_clock::now() +
                     std::chrono::duration_cast<std::chrono::system_clock::duration>(
                         written - fs::file_time_type::clock::now());
    return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

void AddProblem(HostRecord& record, std::vector<Problem>& problems, std::string kind,
                std::string detail) {
    record.problems.push_back(kind);
    problems.push_back({record.file, std::move(kind), std::move(detail)});
}

}  // namespace

SplitRecord SplitRecordLine(std::string_view bytes, const platform::TextCodec& codec) {
    SplitRecord result;
    // Commas, quotes and line ends are single bytes in UTF-8, and the trail
    // bytes of the double-byte code pages never take their values, so the
    // line is split after it is converted.
    const std::string text = codec.FromAnsi(bytes);
    // Invalid bytes come back as U+FFFD; in UTF-8 the file may hold that
    // character itself.
    result.validBytes = CountReplacements(text) == (codec.IsUtf8() ? CountReplacements(bytes) : 0);
    std::size_t pos = 0;
    std::string value;
    bool lineEnded = false;
    while (true) {
        value.clear();
        if (pos < text.size() && text[pos] == '"') {
            ++pos;
            while (pos < text.size()) {
                if (text[pos] == '"') {
                    if (pos + 1 < text.size() && text[pos + 1] == '"') {
                        value += '"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                value += text[pos++];
            }
        }
        // Unquoted text, or what follows a closing quote, runs to a comma or
        // line end.
        while (pos < text.size() && text[pos] != ',' && text[pos] != '\r' && text[pos] != '\n') {
            value += text[pos++];
        }
        result.values.push_back(value);
        if (pos >= text.size()) break;
        if (text[pos] == ',') {
            ++pos;
            continue;
        }
        lineEnded = true;
        break;
    }
    result.oneLine = lineEnded && text.size() >= 2 && pos == text.size() - 2 &&
                     text.compare(pos, 2, "\r\n") == 0;
    return result;
}

fs::path FsPath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Name(const fs::path& path) {
    const std::u8string name = path.u8string();
    return platform::SanitizeUtf8(std::string(name.begin(), name.end()));
}

std::vector<fs::directory_entry> ListRecordFiles(const std::string& folder) {
    std::error_code ec;
    const fs::path root = FsPath(folder);
    if (!fs::is_directory(root, ec)) {
        throw platform::RunTimeError(platform::kPathNotFound, folder);
    }
    std::vector<fs::directory_entry> files;
    fs::directory_iterator it(root, ec);
    if (ec) throw platform::RunTimeError(platform::kPermissionDenied, folder);
    // Links are listed too (and refused when read): a share's content is not
    // to be trusted to point inside it.
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError) && !it->is_symlink(typeError)) continue;
        if (HasTxtExtension(it->path())) files.push_back(*it);
    }
    if (ec) throw platform::RunTimeError(platform::kPathFileAccessError, folder);
    std::sort(files.begin(), files.end());
    return files;
}

HostRecord ReadRecordFile(const fs::directory_entry& entry, const platform::TextCodec& codec,
                          std::vector<Problem>& problems) {
    const fs::path& path = entry.path();
    HostRecord record;
    record.file = Utf8Name(path.filename());
    record.host = Utf8Name(path.stem());

    // The entry's type as the listing gave it, where the file system tells
    // it there, saves a call per file.
    std::error_code ec;
    const bool link = entry.is_symlink(ec);
    const bool regular = !ec && !link && entry.is_regular_file(ec) && !ec;
    if (!regular) {
        AddProblem(record, problems, "unreadable",
                   link ? "a link, not a file" : "not a regular file");
        return record;
    }
    record.recorded = ModificationTime(path, ec);
    // Read in pieces up to the limit instead of asking the size first: one
    // call less, and a file that grows meanwhile is still bounded.
    std::ifstream in;
    in.rdbuf()->pubsetbuf(nullptr, 0);
    in.open(path, std::ios::binary);
    std::string bytes;
    char piece[16384];
    while (in) {
        const std::streamsize got = in.rdbuf()->sgetn(piece, sizeof piece);
        if (got > 0) bytes.append(piece, static_cast<std::size_t>(got));
        if (bytes.size() > kMaxRecordBytes) {
            AddProblem(record, problems, "unreadable",
                       "larger than " + std::to_string(kMaxRecordBytes) + " bytes");
            return record;
        }
        // Fewer than asked for only at the end.
        if (got < static_cast<std::streamsize>(sizeof piece)) break;
    }
    if (!in) {
        AddProblem(record, problems, "unreadable", "cannot be opened or read");
        return record;
    }

    SplitRecord split = SplitRecordLine(bytes, codec);
    if (!split.oneLine) {
        AddProblem(record, problems, "not-one-line", "not one line ended by CR LF");
    }
    if (!split.validBytes) {
        AddProblem(record, problems, "invalid-encoding",
                   "bytes that are not valid " + codec.CodeSet() + " text");
    }
    std::vector<std::string>& v = split.values;
    if (v.size() < 7) {
        AddProblem(record, problems, "too-few-values",
                   std::to_string(bytes.empty() ? 0 : v.size()) + " values, 7 wanted");
    }
    std::string* order[] = {&record.name, &record.pc,     &record.monitor, &record.hostValue,
                            &record.ip,   &record.memory, &record.location};
    for (std::size_t i = 0; i < 7 && i < v.size(); ++i) *order[i] = std::move(v[i]);
    if (v.size() > 7)
        record.items.assign(std::make_move_iterator(v.begin() + 7),
                            std::make_move_iterator(v.end()));
    return record;
}

}  // namespace zelmo::collector
