#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace zelmo::platform::memory {

// Records every message shown; onShow runs while the box is "open".
class RecordingMessageBox : public MessageBoxService {
  public:
    void Show(const std::string& text) override {
        shown.push_back(text);
        if (onShow) onShow(text);
    }
    std::vector<std::string> shown;
    std::function<void(const std::string&)> onShow;
};

}  // namespace zelmo::platform::memory
