#include "collector/xlsx_report.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <unordered_map>

#include "collector/record_reader.h"
#include "collector/xlsx_book.h"
#include "platform/native_file_name.h"
#include "platform/runtime_error.h"
#include "platform/text_codec.h"
#include "platform/utf8.h"

namespace zelmo::collector {
namespace fs = std::filesystem;
namespace {

using xlsx::Book;
using xlsx::PrivateFolder;
using xlsx::Sheet;
using xlsx::Style;

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
