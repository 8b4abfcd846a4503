#pragma once

#include <string>

#include "platform/host_identity.h"

namespace zelmo::inventory {

// The machine's network identity as the main window shows it.
struct HostIdentity {
    std::string hostName;  // upper case
    std::string ip;        // exactly as the system reports it
};

// Reads the host name and then the IP address, once each.
HostIdentity ReadHostIdentity(platform::HostIdentityService& service);

}  // namespace zelmo::inventory
