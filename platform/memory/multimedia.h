#pragma once

#include <string>
#include <vector>

#include "platform/multimedia.h"

namespace zelmo::platform::memory {

class RecordingMultimedia : public MultimediaService {
  public:
    void SendCommand(const std::string& command) override { commands.push_back(command); }
    std::vector<std::string> commands;
};

}  // namespace zelmo::platform::memory
