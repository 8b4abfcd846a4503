#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "inventory/host_identity.h"
#include "platform/host_identity.h"
#include "platform/memory_status.h"
#include "platform/text_codec.h"

namespace zelmo::platform {
namespace {

std::uint64_t MemInfoBytes(const std::string& name) {
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(name + ":", 0) == 0) {
            std::istringstream rest(line.substr(name.size() + 1));
            std::uint64_t kb = 0;
            rest >> kb;
            return kb * 1024;
        }
    }
    ADD_FAILURE() << name << " missing from /proc/meminfo";
    return 0;
}

std::string MachineName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name) != 0) ADD_FAILURE() << "gethostname failed";
    return TextCodec::System().FromAnsi(name);
}

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun RunCli(const std::string& arguments) {
    CliRun run;
    FILE* pipe =
        popen((std::string(ZELMO_CLI_PATH) + " " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

const std::vector<std::string> kFigureNames = {"AllPageFile",  "AllSpace", "AllVirtual",
                                               "FreePageFile", "UseRatio", "FreeSpace",
                                               "FreeVirtual"};

TEST(SystemFacts, MemoryFiguresAgreeWithTheKernel) {
    const auto service = OpenSystemMemoryStatus();
    const MemoryStatus status = service->Query();
    const std::uint64_t memTotal = MemInfoBytes("MemTotal");

    // The true total, as on Windows: no page held back.
    EXPECT_EQ(status.totalPhys, memTotal);
    EXPECT_EQ(status.totalPageFile, memTotal + MemInfoBytes("SwapTotal"));
    EXPECT_LE(status.availPhys, status.totalPhys);
    EXPECT_GE(status.availPageFile, status.availPhys);
    EXPECT_LE(status.memoryLoad, 100u);
    EXPECT_GT(status.totalVirtual, std::uint64_t{1} << 32);
    EXPECT_LT(status.availVirtual, status.totalVirtual);
}

TEST(SystemFacts, ReservingAddressSpaceLowersTheFreeVirtualFigure) {
    const auto service = OpenSystemMemoryStatus();
    constexpr std::uint64_t kReserve = std::uint64_t{1} << 30;
    constexpr std::uint64_t kSlack = std::uint64_t{16} << 20;

    const std::uint64_t before = service->Query().availVirtual;
    void* reserved = mmap(nullptr, kReserve, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(reserved, MAP_FAILED);
    const std::uint64_t during = service->Query().availVirtual;
    munmap(reserved, kReserve);

    EXPECT_GE(before - during, kReserve - kSlack);
    EXPECT_LE(before - during, kReserve + kSlack);
}

TEST(SystemFacts, HostIsTheMachineNameAndADottedAddress) {
    const auto service = OpenSystemHostIdentity();
    EXPECT_EQ(service->LocalHostName(), MachineName());
    EXPECT_EQ(inventory::ReadHostIdentity(*service).hostName, UpperCase(MachineName()));

    const std::string ip = service->LocalIp();
    in_addr parsed = {};
    EXPECT_EQ(inet_pton(AF_INET, ip.c_str(), &parsed), 1) << ip;
}

TEST(SystemFacts, CliShowsTheWindowsHostAndAllSevenFiguresAsTextAndJson) {
    const CliRun json = RunCli("facts --json");
    ASSERT_EQ(json.status, 0) << json.out;
    const auto facts = nlohmann::ordered_json::parse(json.out);
    EXPECT_EQ(facts.at("host"), UpperCase(MachineName()));
    std::vector<std::string> names;
    for (const auto& [name, value] : facts.at("memory").items()) {
        names.push_back(name);
        EXPECT_TRUE(value.is_number_unsigned()) << name;
    }
    EXPECT_EQ(names, kFigureNames);
    const auto allSpace = facts["memory"]["AllSpace"].get<std::uint64_t>();
    EXPECT_EQ(allSpace, MemInfoBytes("MemTotal"));

    const CliRun text = RunCli("facts");
    ASSERT_EQ(text.status, 0) << text.out;
    std::istringstream lines(text.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Host: " + UpperCase(MachineName()));
    std::getline(lines, line);
    EXPECT_EQ(line, "IP: " + facts.at("ip").get<std::string>());
    for (const auto& name : kFigureNames) {
        std::getline(lines, line);
        EXPECT_EQ(line.find_first_not_of("0123456789", name.size() + 2), std::string::npos) << line;
        EXPECT_EQ(line.rfind(name + ": ", 0), 0u) << line;
    }
    EXPECT_NE(text.out.find("AllSpace: " + std::to_string(allSpace) + "\n"), std::string::npos);
}

}  // namespace
}  // namespace zelmo::platform
