#include "inventory/host_identity.h"

#include "platform/text_codec.h"

namespace zelmo::inventory {

HostIdentity ReadHostIdentity(platform::HostIdentityService& service) {
    HostIdentity identity;
    // The name is read before the address; separate statements keep that order.
    identity.hostName = platform::UpperCase(service.LocalHostName());
    identity.ip = service.LocalIp();
    return identity;
}

}  // namespace zelmo::inventory
