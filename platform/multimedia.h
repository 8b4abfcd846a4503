#pragma once

#include <memory>
#include <string>

namespace zelmo::platform {

// The multimedia command-string service. The result is the caller's to
// ignore; a failure is never reported.
class MultimediaService {
  public:
    virtual ~MultimediaService() = default;
    // command as the system's multimedia interface takes it ("set cdaudio
    // door open"). The reply and the outcome are dropped: a PC without a
    // drive simply has no door to open.
    virtual void SendCommand(const std::string& command) = 0;
};

std::unique_ptr<MultimediaService> OpenSystemMultimedia();

}  // namespace zelmo::platform
