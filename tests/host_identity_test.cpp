#include "inventory/host_identity.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/memory/host_identity.h"

namespace zelmo::inventory {
namespace {

using platform::memory::FixedHostIdentity;

TEST(HostIdentity, ReadsTheNameThenTheAddressOnceEachAndUpperCasesTheName) {
    FixedHostIdentity service("pc-042", "192.168.10.42");
    const HostIdentity identity = ReadHostIdentity(service);

    EXPECT_EQ(identity.hostName, "PC-042");
    EXPECT_EQ(identity.ip, "192.168.10.42");
    EXPECT_EQ(service.Calls(), (std::vector<std::string>{"LocalHostName", "LocalIp"}));

    FixedHostIdentity upper("WS-7.LAB_2", "10.0.0.1");
    EXPECT_EQ(ReadHostIdentity(upper).hostName, "WS-7.LAB_2");
}

TEST(HostIdentity, TheAddressIsPassedThroughUntouched) {
    // Letters, spaces and leading zeros would all be changed by an address
    // that got upper-cased, trimmed or reformatted.
    for (const char* ip : {"fe80::a1b2%eth0", " 010.001.002.003 ", "", "127.0.0.1"}) {
        FixedHostIdentity service("pc", ip);
        EXPECT_EQ(ReadHostIdentity(service).ip, ip);
    }
}

TEST(HostIdentity, NonAsciiLettersAreUpperCasedToo) {
    FixedHostIdentity accented("émile-pc", "10.0.0.1");
    EXPECT_EQ(ReadHostIdentity(accented).hostName, "ÉMILE-PC");

    // ß has no single-letter capital; either keeping it or spelling it out
    // is an upper-case form, but the other letters must be raised.
    FixedHostIdentity sharpS("straße-pc", "10.0.0.1");
    const std::string name = ReadHostIdentity(sharpS).hostName;
    EXPECT_TRUE(name == "STRAßE-PC" || name == "STRASSE-PC" || name == "STRAẞE-PC") << name;
}

}  // namespace
}  // namespace zelmo::inventory
