#include "inventory/worker_pool.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace zelmo::inventory {

WorkerPool::WorkerPool(unsigned copies, StartThread start)
    : copies_(std::max(1u, copies)), start_(std::move(start)) {
    if (!start_) {
        start_ = [](std::function<void()> body) { return std::jthread(std::move(body)); };
    }
}

void WorkerPool::Run(const Work& work) const {
    std::stop_source stop;
    std::mutex failureLock;
    std::exception_ptr failure;
    const auto fail = [&] {
        {
            const std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
        }
        stop.request_stop();
    };
    const auto copy = [&](unsigned index) {
        try {
            work(stop.get_token(), index);
        } catch (...) {
            fail();
        }
    };
    {
        // Declared inside, so that every thread is joined before the
        // failure is looked at, however the starting ends.
        std::vector<std::jthread> threads;
        threads.reserve(copies_ - 1);
        for (unsigned i = 1; i < copies_; ++i) {
            try {
                threads.push_back(start_([&copy, i] { copy(i); }));
            } catch (const std::system_error&) {
                break;
            } catch (...) {
                fail();
                break;
            }
        }
        copy(0);
    }
    if (failure) std::rethrow_exception(failure);
}

}  // namespace zelmo::inventory
