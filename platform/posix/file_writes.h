#pragma once

// What the record file's and the collector's outputs' replacements share:
// their temporary files' random tags and whole writes.

#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <string_view>

namespace zelmo::platform::posix {

inline std::string RandomTag(std::size_t length) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static thread_local std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string tag(length, ' ');
    for (char& c : tag) c = kAlphabet[pick(engine)];
    return tag;
}

// Writes all of bytes, however many calls it takes; false with errno set.
inline bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace zelmo::platform::posix
