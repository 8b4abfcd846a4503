#include "app/cli/scan_command.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/settings.h"
#include "inventory/application_list_scan.h"
#include "inventory/indexed_scan.h"
#include "platform/drives.h"
#include "platform/file_system.h"
#include "platform/runtime_error.h"

namespace zelmo::cli {
namespace {

// Counts the folders listed, for the report.
class CountingFileSystem : public platform::FileSystem {
  public:
    explicit CountingFileSystem(platform::FileSystem& inner) : inner_(inner) {}
    std::uint32_t LogicalDrives() override { return inner_.LogicalDrives(); }
    bool ListFolder(const std::string& folder,
                    const std::function<void(const platform::FolderEntry&)>& visit) override {
        ++folders_;
        return inner_.ListFolder(folder, visit);
    }
    std::optional<std::string> ProbeFolder(const std::string& folder,
                                           const std::string& fileName) override {
        return inner_.ProbeFolder(folder, fileName);
    }
    std::uint32_t ReadAttributes(const std::string& path) override {
        return inner_.ReadAttributes(path);
    }
    void NameKey(std::string_view name, std::string& key) const override {
        inner_.NameKey(name, key);
    }
    bool ListingDecides(std::string_view name) const override {
        return inner_.ListingDecides(name);
    }
    long long Folders() const { return folders_; }

  private:
    platform::FileSystem& inner_;
    std::atomic<long long> folders_{0};
};

class StderrMessages : public platform::MessageBoxService {
  public:
    explicit StderrMessages(std::ostream& err) : err_(err) {}
    void Show(const std::string& text) override {
        err_ << text << '\n';
        ++count_;
    }
    int Count() const { return count_; }

  private:
    std::ostream& err_;
    int count_ = 0;
};

}  // namespace

int RunScanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string listPath = inventory::kApplicationListName;
    platform::DriveOverrides overrides;
    bool json = false;
    bool perRow = false;
    unsigned threads = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--per-row") {
            perRow = true;
        } else if (arg == "--threads" && i + 1 < args.size()) {
            const std::string& count = args[++i];
            if (count.empty() || count.size() > 3 ||
                count.find_first_not_of("0123456789") != std::string::npos) {
                err << "zelmocb-cli: --threads wants a number, not '" << count << "'\n";
                return 64;
            }
            threads = static_cast<unsigned>(std::stoul(count));
        } else if (arg == "--list" && i + 1 < args.size()) {
            listPath = args[++i];
        } else if (arg == "--drive" && i + 1 < args.size()) {
            const std::string& mapping = args[++i];
            if (mapping.size() < 3 || mapping[1] != '=' ||
                !std::isalpha(static_cast<unsigned char>(mapping[0]))) {
                err << "zelmocb-cli: --drive wants LETTER=FOLDER, not '" << mapping << "'\n";
                return 64;
            }
            overrides[static_cast<char>(std::toupper(static_cast<unsigned char>(mapping[0])))] =
                mapping.substr(2);
        } else {
            err << "zelmocb-cli: unknown argument for scan: '" << arg << "'\n";
            return 64;
        }
    }

    platform::ConfigureDrives(app::SettingsPath(), overrides);
    const auto system = platform::OpenSystemFileSystem();
    CountingFileSystem fs(*system);
    StderrMessages messages(err);
    std::vector<std::string> entries;
    std::string summary;
    const inventory::ScanTarget target{[&](const std::string& entry) { entries.push_back(entry); },
                                       summary, messages};
    const auto start = std::chrono::steady_clock::now();
    if (perRow) {
        // Two walks per row, each drive searched afresh for each file: slow, but
        // the plainest search, against which the indexed scan is checked.
        inventory::PerRowSearch search(fs);
        inventory::ScanApplicationList(listPath, search, target);
    } else {
        inventory::ScanApplicationListIndexed(listPath, fs, target, threads);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (json) {
        nlohmann::ordered_json report;
        report["entries"] = entries;
        report["summary"] = summary;
        report["list_errors"] = messages.Count();
        report["folders"] = fs.Folders();
        report["seconds"] = seconds;
        out << report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        for (const std::string& entry : entries) out << entry << '\n';
        out << "Summary: " << summary << '\n';
        out << "Folders searched: " << fs.Folders() << ", list errors: " << messages.Count() << ", "
            << seconds << " s\n";
    }
    return 0;
}

}  // namespace zelmo::cli
