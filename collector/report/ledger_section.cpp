#include "collector/report/ledger_section.h"

#include "collector/html_report.h"

namespace zelmo::collector {
namespace {

std::string Number(long long value) { return std::to_string(value); }

std::string Cells(const std::vector<std::string>& values, const char* tag = "td") {
    std::string cells;
    for (const std::string& value : values) {
        cells += std::string("<") + tag + ">" + Html(value) + "</" + tag + ">";
    }
    return cells;
}

// One result of the ledger check: a heading, and a table or "None.".
std::string LedgerTable(const char* id, const char* title, const std::vector<std::string>& headings,
                        const std::vector<std::vector<std::string>>& rows) {
    std::string html =
        std::string("<h3>") + title + " (" + Number(static_cast<long long>(rows.size())) + ")</h3>";
    if (rows.empty()) return html + "<p>None.</p>\n";
    html += std::string("<table id=\"ledger-") + id + "\"><thead><tr>" + Cells(headings, "th") +
            "</tr></thead><tbody>\n";
    for (const std::vector<std::string>& row : rows) html += "<tr>" + Cells(row) + "</tr>\n";
    return html + "</tbody></table>\n";
}

std::vector<std::string> Plus(std::vector<std::string> first,
                              const std::vector<std::string>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

}  // namespace

std::string LedgerSection(const Collection& collection) {
    const LedgerCheck& check = *collection.ledger;
    const CsvTable& table = check.ledger.table;
    const auto& hosts = collection.hosts;
    const auto line = [&](std::size_t r) { return Number(static_cast<long long>(table.lines[r])); };
    std::string html = "<h2>Ledger</h2><p class=\"sub\">" + Html(table.path) + "</p>\n";
    std::vector<std::vector<std::string>> rows;
    for (const LedgerMatch& m : check.matched) {
        rows.push_back(
            Plus({hosts[m.host].host, hosts[m.host].values.pc, line(m.row),
                  m.byHost ? "host" : "pc", m.zerosIgnored ? "leading zeros ignored" : ""},
                 table.rows[m.row]));
    }
    html += LedgerTable("matched", "Matched",
                        Plus({"Host", "PC", "Line", "By", "Note"}, table.headings), rows);
    rows.clear();
    for (const std::size_t r : check.notCollected) rows.push_back(Plus({line(r)}, table.rows[r]));
    html += LedgerTable("not-collected", "In the ledger, not collected",
                        Plus({"Line"}, table.headings), rows);
    rows.clear();
    std::vector<std::string> recordHeadings{"Host"};
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        if (field.tabled) recordHeadings.emplace_back(field.heading);
    }
    const auto recordRow = [&](const HostRecord& h) {
        std::vector<std::string> row{h.host};
        for (const inventory::RecordField& field : inventory::kRecordFields) {
            if (field.tabled) row.push_back(h.values.*field.value);
        }
        return row;
    };
    for (const std::size_t h : check.notInLedger) rows.push_back(recordRow(hosts[h]));
    html += LedgerTable("not-in-ledger", "Collected, not in the ledger", recordHeadings, rows);
    rows.clear();
    for (const LedgerConflict& c : check.conflicts) {
        rows.push_back({hosts[c.host].host, hosts[c.host].values.pc, line(c.row), c.field,
                        c.recordValue, c.ledgerValue});
    }
    html += LedgerTable("conflicts", "Conflicts",
                        {"Host", "PC", "Line", "Field", "In the record", "In the ledger"}, rows);
    rows.clear();
    for (const DuplicateKey& d : check.duplicateKeys) {
        for (const std::size_t r : d.rows) rows.push_back(Plus({d.key, line(r)}, table.rows[r]));
    }
    html += LedgerTable("duplicate-keys", "Keys repeated in the ledger",
                        Plus({"Key", "Line"}, table.headings), rows);
    rows.clear();
    for (const UnnumberedRecord& u : check.noPcNumber) {
        std::vector<std::string> row = recordRow(hosts[u.host]);
        row.push_back(u.row ? line(*u.row) : "");
        rows.push_back(u.row ? Plus(row, table.rows[*u.row]) : row);
    }
    html += LedgerTable("no-pc-number", "No PC number",
                        Plus(Plus(recordHeadings, {"Line"}), table.headings), rows);
    return html;
}

}  // namespace zelmo::collector
