#pragma once

#include <string>
#include <vector>

#include "platform/text_codec.h"

namespace zelmo::collector {

// A table a spreadsheet saved as CSV: the header row's headings and the rows
// below, each with as many values as there are headings. Rows with no value
// at all (what a spreadsheet writes for blank lines) are left out.
struct CsvTable {
    std::string path;
    std::string codeSet;  // what the file was read as
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::size_t> lines;  // each row's line in the file, from 1
};

// Reads path in its code page: encoding when given, else UTF-8 when the file
// starts with the byte order mark, else fallback. Quoted values may hold
// commas, quotes (doubled) and line ends. A missing or unreadable file raises
// a RunTimeError; bytes that are not text in the code page, or no header row,
// a UsageError naming the file.
CsvTable ReadCsvTable(const std::string& path, const std::string& encoding,
                      const platform::TextCodec& fallback);

// Splits text (UTF-8) into rows of values; exposed for the table test.
std::vector<std::vector<std::string>> SplitCsv(std::string_view text,
                                               std::vector<std::size_t>* lines = nullptr);

}  // namespace zelmo::collector
