#include "platform/multimedia.h"

// mmsystem.h builds on windows.h.
// clang-format off
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include "platform/text_codec.h"

namespace zelmo::platform {
namespace {

constexpr std::size_t kReplyBufferSize = 256;
constexpr UINT kReplyLengthOffered = 225;

class SystemMultimedia : public MultimediaService {
  public:
    void SendCommand(const std::string& command) override {
        char reply[kReplyBufferSize] = {};
        // The outcome, a drive or none, is nobody's business.
        (void)mciSendStringA(TextCodec::System().ToAnsi(command).c_str(), reply,
                             kReplyLengthOffered, nullptr);
    }
};

}  // namespace

std::unique_ptr<MultimediaService> OpenSystemMultimedia() {
    return std::make_unique<SystemMultimedia>();
}

}  // namespace zelmo::platform
