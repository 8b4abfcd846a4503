#include "collector/ledger.h"

#include <array>
#include <string_view>

#include "collector/typed_number.h"
#include "collector/usage_error.h"

namespace zelmo::collector {
namespace {

// The headings ledgers usually give these columns, best first; compared the
// way numbers are typed (full-width, case, spaces).
constexpr std::array kKeyHeadings = {"資産番号", "管理番号",     "PC番号",   "PC",
                                     "ASSET",    "ASSET NUMBER", "ASSET NO", "ASSET TAG"};
constexpr std::array kUserHeadings = {"使用者", "利用者", "ユーザー", "ユーザ", "USER"};
constexpr std::array kLocationHeadings = {"設置場所", "場所", "LOCATION", "PLACE"};
constexpr std::array kMonitorHeadings = {"モニター番号", "モニタ番号", "モニター", "MONITOR"};
constexpr std::array kHostHeadings = {"ホスト名", "コンピューター名", "コンピュータ名",
                                      "HOST",     "HOSTNAME",         "HOST NAME"};

std::optional<std::size_t> FindHeading(const CsvTable& table, std::string_view heading) {
    const std::string wanted = TextKey(heading);
    for (std::size_t i = 0; i < table.headings.size(); ++i) {
        if (TextKey(table.headings[i]) == wanted) return i;
    }
    return std::nullopt;
}

template <std::size_t N>
std::optional<std::size_t> FindUsual(const CsvTable& table,
                                     const std::array<const char*, N>& headings) {
    for (const char* heading : headings) {
        if (const auto column = FindHeading(table, heading)) return column;
    }
    return std::nullopt;
}

std::size_t RequireHeading(const CsvTable& table, const std::string& heading,
                           const std::string& option) {
    const auto column = FindHeading(table, heading);
    if (!column) {
        throw UsageError(table.path + ": no column headed \"" + heading + "\" (named by " + option +
                         ")");
    }
    return *column;
}

}  // namespace

Ledger ReadLedger(const LedgerSettings& settings, const platform::TextCodec& recordCodec) {
    Ledger ledger;
    ledger.table = ReadCsvTable(settings.path, settings.encoding, recordCodec);
    const CsvTable& table = ledger.table;
    if (!settings.keyHeading.empty()) {
        ledger.key = RequireHeading(table, settings.keyHeading, "--ledger-key");
    } else if (const auto key = FindUsual(table, kKeyHeadings)) {
        ledger.key = *key;
    } else {
        throw UsageError(table.path +
                         ": no key column (a heading such as 資産番号, 管理番号, PC番号, PC "
                         "or Asset; --ledger-key names another)");
    }
    ledger.user = FindUsual(table, kUserHeadings);
    ledger.location = FindUsual(table, kLocationHeadings);
    ledger.monitor = FindUsual(table, kMonitorHeadings);
    ledger.host = FindUsual(table, kHostHeadings);

    std::string_view map = settings.map;
    while (!map.empty()) {
        const std::size_t comma = map.find(',');
        const std::string_view entry = map.substr(0, comma);
        map = comma == std::string_view::npos ? std::string_view() : map.substr(comma + 1);
        const std::size_t equals = entry.find('=');
        const std::string name(entry.substr(0, equals));
        if (equals == std::string_view::npos || equals + 1 == entry.size()) {
            throw UsageError("--ledger-map: \"" + std::string(entry) +
                             "\" is not KEY=HEADING (keys: user, location, monitor, host)");
        }
        std::optional<std::size_t>* target = name == "user"       ? &ledger.user
                                             : name == "location" ? &ledger.location
                                             : name == "monitor"  ? &ledger.monitor
                                             : name == "host"     ? &ledger.host
                                                                  : nullptr;
        if (!target) {
            throw UsageError("--ledger-map: unknown key \"" + name +
                             "\" (keys: user, location, monitor, host)");
        }
        *target = RequireHeading(table, std::string(entry.substr(equals + 1)), "--ledger-map");
    }
    return ledger;
}

}  // namespace zelmo::collector
