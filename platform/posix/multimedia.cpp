#include "platform/multimedia.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace zelmo::platform {
namespace {

// Only the one command the program sends has a meaning here; like the
// system's own interface, no outcome ever reaches the caller.
class SystemMultimedia : public MultimediaService {
  public:
    void SendCommand(const std::string& command) override {
        std::string lower = command;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        // Command strings are case-insensitive.
        if (lower != "set cdaudio door open") return;
        // Non-blocking, so that a drive without a disc does not hold the open.
        const int fd = open("/dev/cdrom", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return;
        (void)ioctl(fd, CDROMEJECT);
        close(fd);
    }
};

}  // namespace

std::unique_ptr<MultimediaService> OpenSystemMultimedia() {
    return std::make_unique<SystemMultimedia>();
}

}  // namespace zelmo::platform
