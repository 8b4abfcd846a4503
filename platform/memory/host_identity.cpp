#include "platform/memory/host_identity.h"

namespace zelmo::platform::memory {

std::string FixedHostIdentity::LocalHostName() {
    calls_.push_back("LocalHostName");
    return name_;
}

std::string FixedHostIdentity::LocalIp() {
    calls_.push_back("LocalIp");
    return ip_;
}

}  // namespace zelmo::platform::memory
