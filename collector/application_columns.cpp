#include "collector/application_columns.h"

#include <map>

#include "platform/sequential_file.h"

namespace zelmo::collector {
namespace {

int DrivesFound(const std::string& item, const ApplicationColumn& column) {
    if (item.compare(0, column.tag.size(), column.tag) != 0) return -1;
    const std::size_t rest = item.size() - column.tag.size();
    const std::string& name = column.displayName;
    if (rest == 0) return 0;
    if (name.empty()) return -1;
    if (rest == name.size() && item.compare(column.tag.size(), rest, name) == 0) return 1;
    if (rest == 2 * name.size() && item.compare(column.tag.size(), name.size(), name) == 0 &&
        item.compare(column.tag.size() + name.size(), name.size(), name) == 0) {
        return 2;
    }
    return -1;
}

}  // namespace

std::vector<ApplicationColumn> ReadApplicationColumns(const std::string& listPath,
                                                      const platform::TextCodec& codec) {
    platform::SequentialFile list(listPath, platform::OpenMode::Input, codec,
                                  platform::FileNaming::CommandLine);
    std::vector<ApplicationColumn> columns;
    while (!list.AtEnd()) {
        ApplicationColumn column;
        column.tag = list.ReadField();
        column.displayName = list.ReadField();
        list.ReadField();  // FileName
        list.ReadField();  // Spare
        columns.push_back(std::move(column));
    }
    list.Close();
    std::map<std::string, int> uses;
    for (const ApplicationColumn& column : columns) ++uses[column.displayName];
    for (ApplicationColumn& column : columns) {
        const bool unique = uses[column.displayName] == 1 && !column.displayName.empty();
        column.label = unique ? column.displayName : column.tag;
    }
    return columns;
}

void MatchItems(HostRecord& record, const std::vector<ApplicationColumn>& columns,
                std::vector<Problem>& problems) {
    // An empty list leaves one empty value after the seventh comma.
    if (columns.empty() && record.items.size() == 1 && record.items[0].empty()) {
        record.items.clear();
    }
    record.counts.assign(columns.size(), -1);
    if (record.items.size() != columns.size()) {
        record.AddProblem(problems, ProblemKind::ItemCount,
                          std::to_string(record.items.size()) + " items, the list has " +
                              std::to_string(columns.size()) + " rows");
    }
    std::size_t mismatches = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < columns.size() && i < record.items.size(); ++i) {
        record.counts[i] = DrivesFound(record.items[i], columns[i]);
        if (record.counts[i] < 0 && mismatches++ == 0) first = i;
    }
    if (mismatches > 0) {
        record.AddProblem(problems, ProblemKind::ItemMismatch,
                          std::to_string(mismatches) + " items do not match their rows, first " +
                              std::to_string(first + 1) + " \"" + record.items[first] +
                              "\" against row \"" + columns[first].tag + "\"");
    }
}

}  // namespace zelmo::collector
