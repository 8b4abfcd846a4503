#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "platform/message_box.h"

namespace zelmo::cli {

// One line of progress on a terminal while long work runs: redrawn from
// `text` every `period`, erased when the work is done. A disabled line draws
// nothing, so callers need not ask whether there is a terminal.
class ProgressLine {
  public:
    ProgressLine(std::ostream& err, std::function<std::string()> text, bool enabled,
                 std::chrono::milliseconds period = std::chrono::milliseconds(250));
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Stops drawing and erases the line; later calls do nothing.
    void Stop();
    // Writes `line` and a line end to `err` where the progress line would
    // otherwise tear it.
    void PrintLine(const std::string& line);

  private:
    void Run(std::stop_token stop);
    void EraseLocked();

    std::ostream& err_;
    std::function<std::string()> text_;
    std::chrono::milliseconds period_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::size_t shown_ = 0;
    // Last, so that it is joined before the members it draws with go.
    std::jthread thread_;
};

// The scan's message box without windows: each message a line on standard
// error, clear of the progress line.
class StderrMessages : public platform::MessageBoxService {
  public:
    explicit StderrMessages(ProgressLine& progress) : progress_(progress) {}
    void Show(const std::string& text) override {
        progress_.PrintLine(text);
        ++count_;
    }
    int Count() const { return count_; }

  private:
    ProgressLine& progress_;
    int count_ = 0;
};

}  // namespace zelmo::cli
