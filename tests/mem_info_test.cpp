#include "inventory/mem_info.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_status.h"

namespace zelmo::inventory {
namespace {

using platform::MemoryStatus;
using platform::memory::ScriptedMemoryStatus;

MemoryStatus WithTotal(std::uint64_t totalPhys) {
    MemoryStatus status;
    status.totalPhys = totalPhys;
    return status;
}

TEST(MemInfo, EveryReadAsksTheServiceAfreshAndAnswersFromItsOwnCall) {
    ScriptedMemoryStatus service;
    service.Enqueue(WithTotal(536870912));
    service.Enqueue(WithTotal(1073741824));
    clsMemInfo info(service);
    EXPECT_EQ(service.Calls(), 0u);

    EXPECT_EQ(info.AllSpace(), 536870912u);
    EXPECT_EQ(service.Calls(), 1u);
    EXPECT_EQ(info.AllSpace(), 1073741824u);
    EXPECT_EQ(service.Calls(), 2u);
}

TEST(MemInfo, EachPropertyReturnsItsOwnFigureFromOneCall) {
    MemoryStatus status;
    status.memoryLoad = 25;
    status.totalPhys = 1001;
    status.availPhys = 1002;
    status.totalPageFile = 1003;
    status.availPageFile = 1004;
    status.totalVirtual = 1005;
    status.availVirtual = 1006;
    ScriptedMemoryStatus service(status);
    clsMemInfo info(service);

    EXPECT_EQ(info.AllPageFile(), 1003u);
    EXPECT_EQ(info.AllSpace(), 1001u);
    EXPECT_EQ(info.AllVirtual(), 1005u);
    EXPECT_EQ(info.FreePageFile(), 1004u);
    EXPECT_EQ(info.UseRatio(), 25u);  // a quarter in use is 25, not 0.25
    EXPECT_EQ(info.FreeSpace(), 1002u);
    EXPECT_EQ(info.FreeVirtual(), 1006u);
    EXPECT_EQ(service.Calls(), 7u);
}

TEST(MemInfo, FiguresOfTwoGigabytesAndMoreKeepTheirTrueValue) {
    ScriptedMemoryStatus service;
    service.Enqueue(WithTotal(2147483648ull));
    service.Enqueue(WithTotal(3221225472ull));
    service.Enqueue(WithTotal(4294967296ull + 12345));
    service.Enqueue(WithTotal(68719476736ull));
    clsMemInfo info(service);

    EXPECT_EQ(MemoryCaption(info.AllSpace()), "2147483648");
    EXPECT_EQ(MemoryCaption(info.AllSpace()), "3221225472");
    EXPECT_EQ(MemoryCaption(info.AllSpace()), "4294979641");
    EXPECT_EQ(MemoryCaption(info.AllSpace()), "68719476736");
    EXPECT_EQ(MemoryCaption(0), "0");
}

}  // namespace
}  // namespace zelmo::inventory
