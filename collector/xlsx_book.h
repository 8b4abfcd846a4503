#pragma once

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "collector/record_reader.h"
#include "platform/runtime_error.h"

// The spreadsheet library's workbook as this program writes it: typed
// cells, fitted columns, frozen and filtered headers.
namespace zelmo::collector::xlsx {
namespace fs = std::filesystem;

// A cell holds at most this many characters; counted in bytes here, which
// is never fewer.
constexpr std::size_t kMaxCellText = 32767;
constexpr double kMaxWidth = 60;

// Columns are sized by what they show: a full-width character takes two.
double DisplayWidth(std::string_view text);

std::string CellText(std::string_view text);

// A folder only this run uses, removed with what is in it however the run
// ends: the library opens its files by name.
class PrivateFolder {
  public:
    PrivateFolder();
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
std::string LibraryName(const std::filesystem::path& path);

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

}  // namespace zelmo::collector::xlsx
