#include "collector/xlsx_report.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <unordered_map>

#include "collector/record_reader.h"
#include "platform/native_file_name.h"
#include "platform/runtime_error.h"
#include "platform/text_codec.h"
#include "platform/utf8.h"

namespace zelmo::collector {
namespace fs = std::filesystem;
namespace {

// A cell holds at most this many characters; counted in bytes here, which
// is never fewer.
constexpr std::size_t kMaxCellText = 32767;
constexpr double kMaxWidth = 60;

// Columns are sized by what they show: a full-width character takes two.
double DisplayWidth(std::string_view text) {
    double width = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t cp = platform::DecodeUtf8(text, pos);
        const bool narrow = cp < 0x1100 || (cp >= 0xFF61 && cp <= 0xFFDC);
        width += narrow ? 1 : 2;
    }
    return width;
}

std::string CellText(std::string_view text) {
    if (text.size() <= kMaxCellText) return std::string(text);
    std::size_t end = kMaxCellText;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

// A folder only this run uses, removed with what is in it however the run
// ends: the library opens its files by name.
class PrivateFolder {
  public:
    PrivateFolder() {
        std::random_device random;
        const fs::path base = fs::temp_directory_path();
        for (int attempt = 0; attempt < 16; ++attempt) {
            char name[32];
            std::snprintf(name, sizeof name, "zelmocb-xlsx-%08x%08x", random(), random());
            std::error_code ec;
            if (fs::create_directory(base / name, ec)) {
                path_ = base / name;
                fs::permissions(path_, fs::perms::owner_all, fs::perm_options::replace, ec);
                return;
            }
        }
        throw platform::RunTimeError(platform::kPathFileAccessError, Utf8Name(base));
    }
    ~PrivateFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

// The library opens files with the C library's narrow calls: the name in
// the system's code page. A temporary folder whose name the code page cannot
// hold would be opened as another name, so it is refused.
std::string LibraryName(const fs::path& path) {
    const std::string utf8 = Utf8Name(path);
    const platform::TextCodec& codec = platform::TextCodec::System();
    if (codec.FromAnsi(codec.ToAnsi(utf8)) != utf8) {
        throw platform::RunTimeError(
            platform::kPathFileAccessError,
            utf8 + ": the temporary folder's name is not in the system's code page");
    }
    return platform::NativeFileName(utf8, codec);
}

enum class Style { Text, Count, Memory, Gib, Time };
constexpr int kStyles = 5;

// The workbook and its formats: each style plain and shaded (a row with
// problems).
class Book {
  public:
    Book(const fs::path& file, const fs::path& tmpdir) : file_(file), tmpdir_(LibraryName(tmpdir)) {
        lxw_workbook_options options{};
        // Rows go straight to the folder's files: ten thousand hosts of
        // sixty applications would otherwise be held as cells in memory.
        // The library's temporary files go there too, not where tmpfile()
        // puts them (on Windows the root of C:, often not writable).
        options.constant_memory = LXW_TRUE;
        options.tmpdir = tmpdir_.data();
        book_ = workbook_new_opt(LibraryName(file).c_str(), &options);
        if (!book_) throw std::bad_alloc();
        heading_ = workbook_add_format(book_);
        format_set_bold(heading_);
        format_set_num_format(heading_, "@");
        const char* numberFormats[kStyles] = {"@", "0", "#,##0", "#,##0.0", "yyyy-mm-dd hh:mm:ss"};
        for (int shaded = 0; shaded < 2; ++shaded) {
            for (int s = 0; s < kStyles; ++s) {
                lxw_format* format = workbook_add_format(book_);
                format_set_num_format(format, numberFormats[s]);
                if (shaded) {
                    format_set_pattern(format, LXW_PATTERN_SOLID);
                    format_set_bg_color(format, 0xFCE4E4);
                }
                formats_[shaded][s] = format;
            }
        }
    }
    ~Book() {
        // Unclosed only when writing failed: the library frees it on close.
        if (book_) workbook_close(book_);
    }
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    lxw_worksheet* AddSheet(const char* name) {
        lxw_worksheet* sheet = workbook_add_worksheet(book_, name);
        if (!sheet) throw std::bad_alloc();
        return sheet;
    }
    lxw_format* Heading() const { return heading_; }
    lxw_format* Format(Style style, bool shaded) const {
        return formats_[shaded ? 1 : 0][static_cast<int>(style)];
    }
    void Close() {
        const lxw_error error = workbook_close(book_);
        book_ = nullptr;
        if (error != LXW_NO_ERROR) {
            throw platform::RunTimeError(platform::kPathFileAccessError,
                                         Utf8Name(file_) + ": " + lxw_strerror(error));
        }
    }

  private:
    fs::path file_;
    std::string tmpdir_;
    lxw_workbook* book_ = nullptr;
    lxw_format* heading_ = nullptr;
    lxw_format* formats_[2][kStyles] = {};
};

// One table on its own sheet, written row by row: the header row bold and
// frozen, an autofilter over the table, columns as wide as their content.
class Sheet {
  public:
    Sheet(Book& book, const char* name, const std::vector<std::string>& headings)
        : book_(book), sheet_(book.AddSheet(name)), widths_(headings.size(), 4) {
        for (const std::string& heading : headings) Put(heading, book.Heading(), Style::Text);
        worksheet_freeze_panes(sheet_, 1, 0);
    }

    void Row(bool shaded = false) {
        ++row_;
        column_ = 0;
        shaded_ = shaded;
    }
    void Text(std::string_view text) { Put(text, book_.Format(Style::Text, shaded_), Style::Text); }
    void Number(double value, Style style = Style::Count) {
        Grow(DisplayWidth(std::to_string(static_cast<long long>(value))) * 1.3 + 1);
        Check(worksheet_write_number(sheet_, row_, column_++, value, book_.Format(style, shaded_)));
    }
    void Blank() {
        Check(worksheet_write_blank(sheet_, row_, column_++, book_.Format(Style::Text, shaded_)));
    }
    // Local time, as the administrator reads the clock.
    void Time(std::int64_t secondsSince1970) {
        const std::time_t t = static_cast<std::time_t>(secondsSince1970);
        const std::tm* local = std::localtime(&t);
        if (!local) return Blank();
        lxw_datetime when{local->tm_year + 1900, local->tm_mon + 1,
                          local->tm_mday,        local->tm_hour,
                          local->tm_min,         static_cast<double>(local->tm_sec)};
        Grow(20);
        Check(worksheet_write_datetime(sheet_, row_, column_++, &when,
                                       book_.Format(Style::Time, shaded_)));
    }
    // A count from text of digits, or the text itself when it is none.
    void Digits(const std::string& text, Style style) {
        if (text.empty() || text.size() > 15 ||
            text.find_first_not_of("0123456789") != std::string::npos) {
            return Text(text);
        }
        Number(static_cast<double>(std::stoll(text)), style);
    }

    void Finish() {
        for (std::size_t c = 0; c < widths_.size(); ++c) {
            worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 std::min(widths_[c] + 2, kMaxWidth), nullptr);
        }
        if (!widths_.empty()) {
            worksheet_autofilter(sheet_, 0, 0, row_, static_cast<lxw_col_t>(widths_.size() - 1));
        }
    }

  private:
    void Put(std::string_view text, lxw_format* format, Style) {
        const std::string cell = CellText(text);
        Grow(DisplayWidth(cell));
        // Always a string cell: "=HYPERLINK(...)" typed by a user stays text.
        Check(worksheet_write_string(sheet_, row_, column_++, cell.c_str(), format));
    }
    void Grow(double width) {
        if (column_ >= widths_.size()) widths_.resize(column_ + 1, 4);
        widths_[column_] = std::max(widths_[column_], width);
    }
    static void Check(lxw_error error) {
        if (error != LXW_NO_ERROR) {
            throw platform::RunTimeError(platform::kInternalError,
                                         std::string("workbook: ") + lxw_strerror(error));
        }
    }

    Book& book_;
    lxw_worksheet* sheet_;
    std::vector<double> widths_;
    lxw_row_t row_ = 0;
    lxw_col_t column_ = 0;
    bool shaded_ = false;
};

void HostsSheet(Book& book, const Collection& collection) {
    std::vector<std::string> headings{"Host"};
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        if (!field.tabled) continue;
        headings.emplace_back(field.heading);
        if (field.check == inventory::FieldCheck::Digits) {
            headings.push_back(std::string(field.heading) + " (GiB)");
        }
    }
    headings.insert(headings.end(), {"Recorded", "Problems"});
    if (collection.hasList) {
        for (const ApplicationColumn& column : collection.columns) headings.push_back(column.label);
    } else {
        headings.emplace_back("Items");
    }
    Sheet sheet(book, "Hosts", headings);
    for (const HostRecord& h : collection.hosts) {
        sheet.Row(!h.problems.empty());
        sheet.Text(h.host);
        for (const inventory::RecordField& field : inventory::kRecordFields) {
            if (!field.tabled) continue;
            const std::string& value = h.values.*field.value;
            if (field.check != inventory::FieldCheck::Digits) {
                sheet.Text(value);
                continue;
            }
            sheet.Digits(value, Style::Memory);
            if (!value.empty() && value.size() <= 15 &&
                value.find_first_not_of("0123456789") == std::string::npos) {
                sheet.Number(static_cast<double>(std::stoll(value)) / (1024.0 * 1024 * 1024),
                             Style::Gib);
            } else {
                sheet.Blank();
            }
        }
        sheet.Time(h.recorded);
        sheet.Text(h.ProblemWords());
        if (collection.hasList) {
            for (std::size_t i = 0; i < collection.columns.size(); ++i) {
                const int count = i < h.counts.size() ? h.counts[i] : -1;
                if (count >= 0) {
                    sheet.Number(count);
                } else {
                    sheet.Blank();
                }
            }
        } else {
            std::string items;
            for (const std::string& item : h.items) {
                if (!items.empty()) items += "; ";
                items += item;
            }
            sheet.Text(items);
        }
    }
    sheet.Finish();
}

void ApplicationsSheet(Book& book, const Collection& collection) {
    if (!collection.hasList) {
        Sheet sheet(book, "Applications", {"Name", "Hosts"});
        for (const auto& [name, hosts] : collection.HostsPerApplication()) {
            sheet.Row();
            sheet.Text(name);
            sheet.Number(hosts);
        }
        return sheet.Finish();
    }
    std::vector<std::string> headings{"Tag", "Name", "On one drive", "On both drives", "Hosts"};
    if (collection.hasLicences) {
        headings.insert(headings.end(), {"Seats", "Installed", "Seats left", "Note"});
    }
    std::unordered_map<std::string, const Licence*> licenceOf;
    for (const Licence& licence : collection.licences) licenceOf[licence.tag] = &licence;
    Sheet sheet(book, "Applications", headings);
    for (std::size_t i = 0; i < collection.columns.size(); ++i) {
        int drives[3] = {0, 0, 0};
        for (const HostRecord& h : collection.hosts) {
            if (i < h.counts.size() && h.counts[i] > 0) ++drives[h.counts[i]];
        }
        const ApplicationColumn& column = collection.columns[i];
        const auto found = licenceOf.find(column.tag);
        const Licence* licence = found == licenceOf.end() ? nullptr : found->second;
        sheet.Row(licence && licence->installed > licence->seats);
        sheet.Text(column.tag);
        sheet.Text(column.displayName);
        sheet.Number(drives[1]);
        sheet.Number(drives[2]);
        sheet.Number(drives[1] + drives[2]);
        if (!collection.hasLicences) continue;
        if (!licence) {
            for (int blank = 0; blank < 4; ++blank) sheet.Blank();
            continue;
        }
        sheet.Number(static_cast<double>(licence->seats));
        sheet.Number(licence->installed);
        sheet.Number(static_cast<double>(licence->seats - licence->installed));
        sheet.Text(licence->note);
    }
    sheet.Finish();
}

void ProblemsSheet(Book& book, const Collection& collection) {
    std::unordered_map<std::string, const std::string*> hostOf;
    for (const HostRecord& h : collection.hosts) hostOf[h.file] = &h.host;
    Sheet sheet(book, "Problems", {"File", "Host", "Kind", "Detail"});
    for (const Problem& p : collection.problems) {
        sheet.Row();
        sheet.Text(p.file);
        const auto host = hostOf.find(p.file);
        sheet.Text(host == hostOf.end() ? std::string() : *host->second);
        sheet.Text(inventory::ProblemKindName(p.kind));
        sheet.Text(p.detail);
    }
    sheet.Finish();
}

// The ledger's own columns after a result's: carried through as text.
std::vector<std::string> WithLedgerHeadings(std::vector<std::string> headings,
                                            const Ledger& ledger) {
    for (const std::string& heading : ledger.table.headings) headings.push_back(heading);
    return headings;
}

void LedgerRow(Sheet& sheet, const Ledger& ledger, std::size_t row) {
    for (const std::string& value : ledger.table.rows[row]) sheet.Text(value);
}

void RecordColumns(Sheet& sheet, const HostRecord& h) {
    sheet.Text(h.host);
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        if (field.tabled && field.check != inventory::FieldCheck::Digits) {
            sheet.Text(h.values.*field.value);
        }
    }
}

std::vector<std::string> RecordHeadings() {
    std::vector<std::string> headings{"Host"};
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        if (field.tabled && field.check != inventory::FieldCheck::Digits) {
            headings.emplace_back(field.heading);
        }
    }
    return headings;
}

void LedgerSheets(Book& book, const Collection& collection) {
    const LedgerCheck& check = *collection.ledger;
    const Ledger& ledger = check.ledger;
    const auto& hosts = collection.hosts;
    {
        Sheet sheet(
            book, "Matched",
            WithLedgerHeadings({"Host", "PC", "Ledger line", "Matched by", "Note"}, ledger));
        for (const LedgerMatch& m : check.matched) {
            sheet.Row();
            sheet.Text(hosts[m.host].host);
            sheet.Text(hosts[m.host].values.pc);
            sheet.Number(static_cast<double>(ledger.table.lines[m.row]));
            sheet.Text(m.byHost ? "host" : "pc");
            sheet.Text(m.zerosIgnored ? "leading zeros ignored" : "");
            LedgerRow(sheet, ledger, m.row);
        }
        sheet.Finish();
    }
    {
        Sheet sheet(book, "Not collected", WithLedgerHeadings({"Ledger line"}, ledger));
        for (const std::size_t row : check.notCollected) {
            sheet.Row(true);
            sheet.Number(static_cast<double>(ledger.table.lines[row]));
            LedgerRow(sheet, ledger, row);
        }
        sheet.Finish();
    }
    {
        Sheet sheet(book, "Not in ledger", RecordHeadings());
        for (const std::size_t h : check.notInLedger) {
            sheet.Row(true);
            RecordColumns(sheet, hosts[h]);
        }
        sheet.Finish();
    }
    {
        Sheet sheet(book, "Conflicts",
                    {"Host", "PC", "Ledger line", "Field", "In the record", "In the ledger"});
        for (const LedgerConflict& c : check.conflicts) {
            sheet.Row(true);
            sheet.Text(hosts[c.host].host);
            sheet.Text(hosts[c.host].values.pc);
            sheet.Number(static_cast<double>(ledger.table.lines[c.row]));
            sheet.Text(c.field);
            sheet.Text(c.recordValue);
            sheet.Text(c.ledgerValue);
        }
        sheet.Finish();
    }
    {
        Sheet sheet(book, "Duplicate keys", WithLedgerHeadings({"Key", "Ledger line"}, ledger));
        for (const DuplicateKey& d : check.duplicateKeys) {
            for (const std::size_t row : d.rows) {
                sheet.Row(true);
                sheet.Text(d.key);
                sheet.Number(static_cast<double>(ledger.table.lines[row]));
                LedgerRow(sheet, ledger, row);
            }
        }
        sheet.Finish();
    }
    {
        std::vector<std::string> headings = RecordHeadings();
        headings.emplace_back("Ledger line");
        Sheet sheet(book, "No PC number", WithLedgerHeadings(headings, ledger));
        for (const UnnumberedRecord& u : check.noPcNumber) {
            sheet.Row(true);
            RecordColumns(sheet, hosts[u.host]);
            if (u.row) {
                sheet.Number(static_cast<double>(ledger.table.lines[*u.row]));
                LedgerRow(sheet, ledger, *u.row);
            } else {
                sheet.Blank();
            }
        }
        sheet.Finish();
    }
}

}  // namespace

std::string XlsxReport(const Collection& collection) {
    const PrivateFolder folder;
    const fs::path file = folder.Path() / "inventory.xlsx";
    {
        Book book(file, folder.Path());
        HostsSheet(book, collection);
        ApplicationsSheet(book, collection);
        ProblemsSheet(book, collection);
        if (collection.ledger) LedgerSheets(book, collection);
        book.Close();
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        throw platform::RunTimeError(platform::kPathFileAccessError, Utf8Name(file));
    }
    return bytes;
}

}  // namespace zelmo::collector
