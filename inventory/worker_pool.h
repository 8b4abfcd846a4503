#pragma once

#include <functional>
#include <stop_token>
#include <thread>

namespace zelmo::inventory {

// Runs a few copies of one worker function at once and waits for them all.
// Copy 0 runs on the calling thread, the others on threads of their own; a
// thread the system refuses to start (std::system_error) costs only speed,
// so a worker must go on until no work is left for any copy, not only its
// own share. The first exception asks the other copies to stop through the
// stop token and is raised by Run once every thread has ended.
class WorkerPool {
  public:
    using Work = std::function<void(std::stop_token stop, unsigned copy)>;
    // Starts a thread running body; throws std::system_error when it cannot.
    using StartThread = std::function<std::jthread(std::function<void()> body)>;

    explicit WorkerPool(unsigned copies, StartThread start = {});

    void Run(const Work& work) const;

  private:
    unsigned copies_;
    StartThread start_;
};

}  // namespace zelmo::inventory
