#include "collector/licences.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <unordered_map>

#include "collector/collection.h"
#include "collector/csv_table.h"
#include "collector/typed_number.h"
#include "collector/usage_error.h"

namespace zelmo::collector {
namespace {

std::optional<std::size_t> Column(const CsvTable& table, const char* english,
                                  const char* japanese) {
    for (std::size_t i = 0; i < table.headings.size(); ++i) {
        const std::string heading = TextKey(table.headings[i]);
        if (heading == TextKey(english) || heading == TextKey(japanese)) return i;
    }
    return std::nullopt;
}

}  // namespace

std::vector<Licence> ReadLicences(const std::string& path, const std::string& encoding,
                                  const platform::TextCodec& recordCodec,
                                  const Collection& collection) {
    const CsvTable table = ReadCsvTable(path, encoding, recordCodec);
    const auto tag = Column(table, "tag", "タグ");
    const auto seats = Column(table, "seats", "ライセンス数");
    const auto note = Column(table, "note", "備考");
    if (!tag || !seats) {
        throw UsageError(path + ": needs the columns tag (タグ) and seats (ライセンス数)");
    }
    std::set<std::string> listed;
    for (const ApplicationColumn& column : collection.columns) listed.insert(column.tag);
    std::set<std::string> seen;
    std::vector<Licence> licences;
    std::string unknown;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const std::vector<std::string>& row = table.rows[r];
        const std::string where = path + ":" + std::to_string(table.lines[r]) + ": ";
        Licence licence;
        licence.tag = row[*tag];
        const std::string count = NumberKey(row[*seats]).key;
        const auto [end, error] =
            std::from_chars(count.data(), count.data() + count.size(), licence.seats);
        if (count.empty() || error != std::errc() || end != count.data() + count.size() ||
            licence.seats < 0) {
            throw UsageError(where + "seats \"" + row[*seats] + "\" is not a whole number");
        }
        if (note) licence.note = row[*note];
        if (!seen.insert(licence.tag).second) {
            throw UsageError(where + "tag \"" + licence.tag + "\" is repeated");
        }
        if (!listed.count(licence.tag)) {
            if (!unknown.empty()) unknown += ", ";
            unknown += "\"" + licence.tag + "\"";
        }
        licences.push_back(std::move(licence));
    }
    if (!unknown.empty()) throw UsageError(path + ": tags the list does not have: " + unknown);
    return licences;
}

void CheckLicences(Collection& collection, std::vector<Licence> licences) {
    std::unordered_map<std::string, std::size_t> byTag;
    for (std::size_t i = 0; i < licences.size(); ++i) byTag[licences[i].tag] = i;
    // Per column its licence; a tag on two rows of the list counts a host once.
    std::vector<Licence*> licenceOf(collection.columns.size(), nullptr);
    for (std::size_t c = 0; c < collection.columns.size(); ++c) {
        const auto found = byTag.find(collection.columns[c].tag);
        if (found != byTag.end()) licenceOf[c] = &licences[found->second];
    }
    std::vector<const Licence*> counted;
    for (const HostRecord& host : collection.hosts) {
        counted.clear();
        for (std::size_t c = 0; c < licenceOf.size() && c < host.counts.size(); ++c) {
            Licence* licence = licenceOf[c];
            if (!licence || host.counts[c] <= 0) continue;
            if (std::find(counted.begin(), counted.end(), licence) != counted.end()) continue;
            counted.push_back(licence);
            ++licence->installed;
        }
    }
    for (const Licence& licence : licences) {
        if (licence.installed <= licence.seats) continue;
        collection.problems.push_back({"", ProblemKind::OverLicensed,
                                       "\"" + licence.tag + "\": installed on " +
                                           std::to_string(licence.installed) + " hosts, " +
                                           std::to_string(licence.seats) + " seats owned"});
    }
    collection.licences = std::move(licences);
    collection.hasLicences = true;
}

}  // namespace zelmo::collector
