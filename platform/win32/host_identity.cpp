#include "platform/host_identity.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/text_codec.h"

namespace zelmo::platform {
namespace {

// Winsock stays started for the rest of the process once asked.
bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

std::string RawHostName() {
    char name[256] = {};
    if (!StartWinsock() || gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

class SystemHostIdentity : public HostIdentityService {
  public:
    std::string LocalHostName() override { return TextCodec::System().FromAnsi(RawHostName()); }

    std::string LocalIp() override {
        const std::string name = RawHostName();
        addrinfo hints = {};
        hints.ai_family = AF_INET;
        addrinfo* results = nullptr;
        if (name.empty() || getaddrinfo(name.c_str(), nullptr, &hints, &results) != 0) {
            return "127.0.0.1";
        }
        std::string address = "127.0.0.1";
        if (results != nullptr && results->ai_addr != nullptr) {
            const in_addr& ip = reinterpret_cast<const sockaddr_in*>(results->ai_addr)->sin_addr;
            const auto* b = reinterpret_cast<const unsigned char*>(&ip.s_addr);
            address = std::to_string(b[0]) + "." + std::to_string(b[1]) + "." +
                      std::to_string(b[2]) + "." + std::to_string(b[3]);
        }
        freeaddrinfo(results);
        return address;
    }
};

}  // namespace

std::unique_ptr<HostIdentityService> OpenSystemHostIdentity() {
    return std::make_unique<SystemHostIdentity>();
}

}  // namespace zelmo::platform
