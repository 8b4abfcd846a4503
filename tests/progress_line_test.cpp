#include "app/cli/progress_line.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace zelmo::cli {
namespace {

// What a terminal shows after `output`: CR returns to the line's start,
// later characters overwrite earlier ones; trailing blanks are not seen.
std::vector<std::string> Screen(const std::string& output) {
    std::vector<std::string> lines(1);
    std::size_t column = 0;
    for (const char c : output) {
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            lines.emplace_back();
            column = 0;
        } else {
            std::string& line = lines.back();
            if (line.size() <= column) line.resize(column + 1, ' ');
            line[column++] = c;
        }
    }
    for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
    return lines;
}

TEST(ProgressLine, RedrawsInPlaceAndLeavesOnlyTheMessagesBehind) {
    std::ostringstream err;
    std::atomic<int> drawn{0};
    {
        // Longer texts first, so a redraw must blank what a shorter one leaves.
        ProgressLine progress(
            err,
            [&] {
                const int n = ++drawn;
                return n < 3 ? "Folders searched: 1000" + std::to_string(n) : "done";
            },
            true, std::chrono::milliseconds(1));
        while (drawn < 4) std::this_thread::yield();
        progress.PrintLine("list error");
        while (drawn < 6) std::this_thread::yield();
    }  // the destructor stops and erases
    const std::string output = err.str();
    EXPECT_NE(output.find("Folders searched: 10001"), std::string::npos);
    EXPECT_EQ(Screen(output), (std::vector<std::string>{"list error", ""})) << output;

    std::ostringstream quiet;
    {
        ProgressLine progress(
            quiet, [] { return std::string("never"); }, false, std::chrono::milliseconds(1));
        progress.PrintLine("list error");
    }
    EXPECT_EQ(quiet.str(), "list error\n");
}

}  // namespace
}  // namespace zelmo::cli
