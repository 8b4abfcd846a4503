#include "app/cli/progress_line.h"

#include <ostream>

namespace zelmo::cli {

ProgressLine::ProgressLine(std::ostream& err, std::function<std::string()> text, bool enabled,
                           std::chrono::milliseconds period)
    : err_(err), text_(std::move(text)), period_(period) {
    if (enabled) thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

ProgressLine::~ProgressLine() { Stop(); }

void ProgressLine::Stop() {
    // The stop request wakes the wait below at once, not at the next period.
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    EraseLocked();
}

void ProgressLine::PrintLine(const std::string& line) {
    std::lock_guard lock(mutex_);
    EraseLocked();
    err_ << line << '\n' << std::flush;
}

void ProgressLine::Run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    // The first drawing waits one period, so quick work shows nothing.
    while (!wake_.wait_for(lock, stop, period_, [&stop] { return stop.stop_requested(); })) {
        const std::string text = text_();
        // Spaces, not an escape sequence: older Windows consoles print those.
        const std::size_t pad = shown_ > text.size() ? shown_ - text.size() : 0;
        err_ << '\r' << text << std::string(pad, ' ') << '\r' << std::flush;
        shown_ = text.size();
    }
}

void ProgressLine::EraseLocked() {
    if (shown_ == 0) return;
    err_ << '\r' << std::string(shown_, ' ') << '\r' << std::flush;
    shown_ = 0;
}

}  // namespace zelmo::cli
