#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/host_identity.h"

namespace zelmo::platform::memory {

// A host identity with settable values that records which member was asked
// and in what order.
class FixedHostIdentity : public HostIdentityService {
  public:
    FixedHostIdentity() = default;
    FixedHostIdentity(std::string name, std::string ip)
        : name_(std::move(name)), ip_(std::move(ip)) {}

    void SetName(std::string name) { name_ = std::move(name); }
    void SetIp(std::string ip) { ip_ = std::move(ip); }

    // "LocalHostName" and "LocalIp", one entry per call.
    const std::vector<std::string>& Calls() const { return calls_; }

    std::string LocalHostName() override;
    std::string LocalIp() override;

  private:
    std::string name_;
    std::string ip_ = "127.0.0.1";
    std::vector<std::string> calls_;
};

}  // namespace zelmo::platform::memory
