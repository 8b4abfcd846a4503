#include <gtest/gtest.h>
#include <winsock2.h>  // includes windows.h, after Winsock 2 rather than the first one
#include <ws2tcpip.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/services/settings.h"
#include "platform/drives.h"
#include "platform/host_identity.h"
#include "platform/memory_status.h"
#include "platform/native_file_name.h"
#include "platform/program_folder.h"
#include "platform/runtime_error.h"
#include "platform/win32/wide_text.h"

namespace zelmo::platform {
namespace {

TEST(Win32SystemFacts, MemoryFiguresAreTheSystemsSixtyFourBitOnes) {
    const MemoryStatus status = OpenSystemMemoryStatus()->Query();
    MEMORYSTATUSEX system = {};
    system.dwLength = sizeof system;
    ASSERT_TRUE(GlobalMemoryStatusEx(&system));
    EXPECT_EQ(status.totalPhys, system.ullTotalPhys);
    EXPECT_EQ(status.totalPageFile, system.ullTotalPageFile);
    EXPECT_EQ(status.totalVirtual, system.ullTotalVirtual);
    EXPECT_LE(status.availPhys, status.totalPhys);
    EXPECT_LE(status.memoryLoad, 100u);
    if (sizeof(void*) == 8) {
        EXPECT_GT(status.totalVirtual, std::uint64_t{1} << 32);
    }
}

TEST(Win32SystemFacts, TheAddressIsOneTheResolverGivesForTheHostName) {
    const auto identity = OpenSystemHostIdentity();
    const std::string name = identity->LocalHostName();
    ASSERT_FALSE(name.empty());  // also starts Winsock for the lookup below
    const std::string ip = identity->LocalIp();

    std::vector<std::string> resolved;
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    addrinfo* results = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &results) == 0) {
        for (const addrinfo* at = results; at; at = at->ai_next) {
            char text[INET_ADDRSTRLEN] = {};
            getnameinfo(at->ai_addr, static_cast<socklen_t>(at->ai_addrlen), text, sizeof text,
                        nullptr, 0, NI_NUMERICHOST);
            resolved.push_back(text);
        }
        freeaddrinfo(results);
    }
    if (resolved.empty()) {
        EXPECT_EQ(ip, "127.0.0.1");
    } else {
        EXPECT_EQ(ip, resolved.front());
    }
}

TEST(Win32SystemFacts, TheProgramFolderIsTheExecutablesWithoutItsBackslash) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::string expected = win32::Narrow(exe);
    expected.resize(expected.rfind('\\'));
    EXPECT_EQ(ProgramFolder(), expected);
    EXPECT_EQ(app::SettingsPath(), expected + "\\Zelmo.ini");
}

TEST(Win32SystemFacts, DriveOverridesAreRefusedNamingThem) {
    EXPECT_NO_THROW(ConfigureDrives(app::SettingsPath(), {}));
    try {
        ConfigureDrives("", {{'D', "E:\\data"}});
        FAIL() << "an override was taken";
    } catch (const RunTimeError& e) {
        EXPECT_NE(e.Detail().find("D=E:\\data"), std::string::npos) << e.Detail();
    }
}

TEST(Win32SystemFacts, FileNamesGoToTheSystemInTheAnsiCodePage) {
    EXPECT_EQ(NativeFileName("C:\\表\\x.txt", TextCodec("CP932")), "C:\\\x95\x5C\\x.txt");
    EXPECT_EQ(NativeFileName("C:/a/b.txt", TextCodec("CP932")), "C:/a/b.txt");
}

TEST(Win32SystemFacts, TheCommandLineRefusesDriveOverridesHere) {
    const std::string cli = ProgramFolder() + "\\..\\zelmocb-cli.exe";
    if (GetFileAttributesA(cli.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no " << cli;
    }
    FILE* pipe = _popen(("\"" + cli + "\" scan --drive C=X:\\ 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[512];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = _pclose(pipe);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("C=X:\\"), std::string::npos) << out;
}

}  // namespace
}  // namespace zelmo::platform
