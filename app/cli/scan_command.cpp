#include "app/cli/scan_command.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/settings.h"
#include "inventory/application_list_scan.h"
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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--per-row") {
            // The per-row search is the only one so far.
        } else if (arg == "--list" && i + 1 < args.size()) {
            listPath = args[++i];
        } else if (arg == "--drive" && i + 1 < args.size()) {
            const std::string& spec = args[++i];
            if (spec.size() < 3 || spec[1] != '=' || !std::isalpha(static_cast<unsigned char>(spec[0]))) {
                err << "zelmocb-cli: --drive wants LETTER=FOLDER, not '" << spec << "'\n";
                return 64;
            }
            overrides[static_cast<char>(std::toupper(static_cast<unsigned char>(spec[0])))] =
                spec.substr(2);
        } else {
            err << "zelmocb-cli: unknown argument for scan: '" << arg << "'\n";
            return 64;
        }
    }

    platform::ConfigureDrives(app::SettingsPath(), overrides);
    const auto system = platform::OpenSystemFileSystem();
    CountingFileSystem fs(*system);
    inventory::PerRowSearch search(fs);
    StderrMessages messages(err);
    std::vector<std::string> entries;
    std::string summary;
    const auto start = std::chrono::steady_clock::now();
    inventory::ScanApplicationList(
        listPath, search,
        {[&](const std::string& entry) { entries.push_back(entry); }, summary, messages});
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
        out << "Folders searched: " << fs.Folders() << ", list errors: " << messages.Count()
            << ", " << seconds << " s\n";
    }
    return 0;
}

}  // namespace zelmo::cli
