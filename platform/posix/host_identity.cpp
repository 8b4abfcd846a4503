#include "platform/host_identity.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <optional>
#include <string>

#include "platform/text_codec.h"

namespace zelmo::platform {
namespace {

bool IsLoopback(const in_addr& address) { return (ntohl(address.s_addr) >> 24) == 127; }

std::string Dotted(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::string RawHostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name) != 0) return {};
    return name;
}

// The first address the resolver gives for the host name. Debian-style hosts
// files map the name to 127.0.1.1, which says nothing about the machine, so
// loopback answers are passed over.
std::optional<std::string> ResolvedAddress(const std::string& hostName) {
    if (hostName.empty()) return std::nullopt;
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (getaddrinfo(hostName.c_str(), nullptr, &hints, &results) != 0) return std::nullopt;
    std::optional<std::string> found;
    for (const addrinfo* at = results; at && !found; at = at->ai_next) {
        const auto& address = reinterpret_cast<const sockaddr_in*>(at->ai_addr)->sin_addr;
        if (!IsLoopback(address)) found = Dotted(address);
    }
    freeaddrinfo(results);
    return found;
}

// The first IPv4 address of an interface that is up and not loopback.
std::optional<std::string> InterfaceAddress() {
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) return std::nullopt;
    std::optional<std::string> found;
    for (const ifaddrs* at = interfaces; at && !found; at = at->ifa_next) {
        if (!at->ifa_addr || at->ifa_addr->sa_family != AF_INET) continue;
        if (!(at->ifa_flags & IFF_UP) || (at->ifa_flags & IFF_LOOPBACK)) continue;
        const auto& address = reinterpret_cast<const sockaddr_in*>(at->ifa_addr)->sin_addr;
        if (!IsLoopback(address)) found = Dotted(address);
    }
    freeifaddrs(interfaces);
    return found;
}

class SystemHostIdentity : public HostIdentityService {
  public:
    std::string LocalHostName() override { return TextCodec::System().FromAnsi(RawHostName()); }

    std::string LocalIp() override {
        // The resolver is asked with the name's own bytes, not the UTF-8 form.
        if (auto address = ResolvedAddress(RawHostName())) return *address;
        if (auto address = InterfaceAddress()) return *address;
        return "127.0.0.1";
    }
};

}  // namespace

std::unique_ptr<HostIdentityService> OpenSystemHostIdentity() {
    return std::make_unique<SystemHostIdentity>();
}

}  // namespace zelmo::platform
