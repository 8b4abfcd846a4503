#include "app/cli/facts_command.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <utility>

#include "app/cli/exit_status.h"
#include "inventory/host_identity.h"
#include "inventory/mem_info.h"
#include "platform/host_identity.h"
#include "platform/memory_status.h"

namespace zelmo::cli {
namespace {

using Figures = std::vector<std::pair<const char*, std::uint64_t>>;

// One property read each, in the order of the class's interface.
Figures ReadFigures(inventory::clsMemInfo& info) {
    Figures figures;
    figures.emplace_back("AllPageFile", info.AllPageFile());
    figures.emplace_back("AllSpace", info.AllSpace());
    figures.emplace_back("AllVirtual", info.AllVirtual());
    figures.emplace_back("FreePageFile", info.FreePageFile());
    figures.emplace_back("UseRatio", info.UseRatio());
    figures.emplace_back("FreeSpace", info.FreeSpace());
    figures.emplace_back("FreeVirtual", info.FreeVirtual());
    return figures;
}

void PrintText(std::ostream& out, const inventory::HostIdentity& identity, const Figures& figures) {
    out << "Host: " << identity.hostName << '\n' << "IP: " << identity.ip << '\n';
    for (const auto& [name, value] : figures) {
        out << name << ": " << inventory::MemoryCaption(value) << '\n';
    }
}

void PrintJson(std::ostream& out, const inventory::HostIdentity& identity, const Figures& figures) {
    // ordered_json keeps the figures in the class's order rather than sorting them.
    nlohmann::ordered_json memory = nlohmann::ordered_json::object();
    for (const auto& [name, value] : figures) memory[name] = value;
    nlohmann::ordered_json facts;
    facts["host"] = identity.hostName;
    facts["ip"] = identity.ip;
    facts["memory"] = std::move(memory);
    out << facts.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

}  // namespace

void RunFactsCommand(bool json, std::ostream& out) {
    // Host identity before memory, as the main window reads them.
    const auto host = platform::OpenSystemHostIdentity();
    const inventory::HostIdentity identity = inventory::ReadHostIdentity(*host);
    const auto memory = platform::OpenSystemMemoryStatus();
    inventory::clsMemInfo info(*memory);
    const Figures figures = ReadFigures(info);

    if (json) {
        PrintJson(out, identity, figures);
    } else {
        PrintText(out, identity, figures);
    }
}

void AddFactsCommand(CLI::App& app) {
    CLI::App* facts = app.add_subcommand(
        "facts", "Print the host name, the IP address and the seven memory figures.");
    auto json = std::make_shared<bool>(false);
    facts->add_flag("--json", *json, "One JSON object: {\"host\", \"ip\", \"memory\"}");
    facts->footer(ExitStatusHelp());
    facts->callback([json] { RunFactsCommand(*json, std::cout); });
}

}  // namespace zelmo::cli
