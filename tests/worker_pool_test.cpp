#include "inventory/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace zelmo::inventory {
namespace {

TEST(WorkerPool, DoesAllWorkRaisesTheFirstFailureAfterAllEndAndSurvivesRefusedThreads) {
    // Items taken from a shared counter, as both users of the pool do; each
    // copy says which items it did, so a lost or doubled item shows.
    constexpr unsigned kItems = 5000;
    const auto drain = [](const WorkerPool& pool, std::vector<std::atomic<int>>& done,
                          std::vector<std::atomic<int>>& ran) {
        std::atomic<unsigned> next{0};
        pool.Run([&](std::stop_token stop, unsigned copy) {
            ++ran[copy];
            for (unsigned i = next++; i < kItems && !stop.stop_requested(); i = next++) ++done[i];
        });
    };
    const auto expectAllOnce = [](const std::vector<std::atomic<int>>& done) {
        for (unsigned i = 0; i < kItems; ++i) ASSERT_EQ(done[i], 1) << "item " << i;
    };
    {
        std::vector<std::atomic<int>> done(kItems), ran(4);
        drain(WorkerPool(4), done, ran);
        expectAllOnce(done);
        for (unsigned copy = 0; copy < 4; ++copy) EXPECT_EQ(ran[copy], 1) << "copy " << copy;
    }
    {
        // Every thread refused, then only the second: the calling thread and
        // what did start do the refused copies' share.
        for (const int refuseFrom : {1, 2}) {
            int started = 0;
            const WorkerPool pool(4, [&](std::function<void()> body) {
                if (++started >= refuseFrom) {
                    throw std::system_error(
                        std::make_error_code(std::errc::resource_unavailable_try_again));
                }
                return std::jthread(std::move(body));
            });
            std::vector<std::atomic<int>> done(kItems), ran(4);
            drain(pool, done, ran);
            expectAllOnce(done);
            EXPECT_EQ(ran[0] + ran[1] + ran[2] + ran[3], refuseFrom) << refuseFrom;
        }
    }
    {
        // The copies that do not fail run until asked to stop, so Run can only
        // return once the stop request reached them and they ended.
        std::atomic<int> ended{0};
        int endedSeen = -1;
        try {
            WorkerPool(4).Run([&](std::stop_token stop, unsigned copy) {
                if (copy == 2) throw std::runtime_error("copy 2 failed");
                while (!stop.stop_requested()) std::this_thread::yield();
                ++ended;
            });
        } catch (const std::runtime_error& e) {
            endedSeen = ended;
            EXPECT_STREQ(e.what(), "copy 2 failed");
        }
        EXPECT_EQ(endedSeen, 3);
    }
}

}  // namespace
}  // namespace zelmo::inventory
