#pragma once

#include <memory>
#include <string>

namespace zelmo::platform {

// The machine's network identity, as text.
class HostIdentityService {
  public:
    virtual ~HostIdentityService() = default;
    // The local host name, as the system gives it (not upper-cased).
    virtual std::string LocalHostName() = 0;
    // The local IPv4 address in dotted form; "127.0.0.1" without a network.
    virtual std::string LocalIp() = 0;
};

std::unique_ptr<HostIdentityService> OpenSystemHostIdentity();

}  // namespace zelmo::platform
