#include "collector/csv_table.h"

#include "collector/collect_folder.h"
#include "collector/record_reader.h"
#include "collector/usage_error.h"
#include "platform/runtime_error.h"
#include "platform/untrusted_file.h"

namespace zelmo::collector {
namespace {

// Far above any organisation's ledger, far below what would exhaust memory.
constexpr std::size_t kMaxTableBytes = 256 * 1024 * 1024;

bool AllEmpty(const std::vector<std::string>& row) {
    for (const std::string& value : row) {
        if (!value.empty()) return false;
    }
    return true;
}

}  // namespace

std::vector<std::vector<std::string>> SplitCsv(std::string_view text,
                                               std::vector<std::size_t>* lines) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string value;
    std::size_t line = 1;
    std::size_t rowLine = 1;
    bool quoted = false;
    bool any = false;  // something of the row has been read
    const auto endRow = [&] {
        row.push_back(std::move(value));
        value.clear();
        if (!AllEmpty(row)) {
            rows.push_back(std::move(row));
            if (lines) lines->push_back(rowLine);
        }
        row.clear();
        any = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    value += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n') ++line;
                value += c;
            }
            continue;
        }
        if (!any) rowLine = line;
        any = true;
        if (c == '"' && value.empty()) {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(value));
            value.clear();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++line;
            endRow();
        } else {
            value += c;
        }
    }
    if (any) endRow();
    return rows;
}

CsvTable ReadCsvTable(const std::string& path, const std::string& encoding,
                      const platform::TextCodec& fallback) {
    platform::UntrustedFile file = platform::ReadUntrustedFile(FsPath(path), kMaxTableBytes);
    switch (file.status) {
        case platform::UntrustedFile::Status::Read:
            break;
        case platform::UntrustedFile::Status::TooLarge:
            throw UsageError(path + ": larger than a table this command reads");
        case platform::UntrustedFile::Status::Link:
        case platform::UntrustedFile::Status::NotRegular:
            throw UsageError(path + ": not a regular file");
        case platform::UntrustedFile::Status::Failed:
            throw platform::RunTimeError(platform::kFileNotFound, path);
    }
    std::string_view bytes = file.bytes;
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    const bool bom = bytes.substr(0, kBom.size()) == kBom;
    const platform::TextCodec codec = !encoding.empty() ? RecordCodec(encoding)
                                      : bom             ? platform::TextCodec("UTF-8")
                                                        : fallback;
    if (bom && codec.IsUtf8()) bytes.remove_prefix(kBom.size());

    CsvTable table;
    table.path = path;
    table.codeSet = codec.CodeSet();
    std::string text;
    if (codec.IsUtf8()) {
        text = platform::SanitizeUtf8(bytes);
        if (text != bytes) {
            throw UsageError(path + ": not UTF-8 text (a ledger's code page: --ledger-encoding)");
        }
    } else {
        text = codec.FromAnsi(bytes);
        // The code pages read here have no U+FFFD of their own: one in the
        // text stands for bytes the code page does not have.
        if (text.find("\xEF\xBF\xBD") != std::string::npos) {
            throw UsageError(path + ": not text in code page " + codec.CodeSet() +
                             " (a ledger's code page: --ledger-encoding)");
        }
    }
    if (text.find('\0') != std::string::npos) {
        throw UsageError(path + ": holds NUL bytes, not text");
    }
    std::vector<std::vector<std::string>> rows = SplitCsv(text, &table.lines);
    if (rows.empty()) throw UsageError(path + ": no header row");
    table.headings = std::move(rows.front());
    table.lines.erase(table.lines.begin());
    for (std::size_t r = 1; r < rows.size(); ++r) {
        rows[r].resize(table.headings.size());
        table.rows.push_back(std::move(rows[r]));
    }
    return table;
}

}  // namespace zelmo::collector
