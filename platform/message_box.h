#pragma once

#include <string>

namespace zelmo::platform {

// The modal message box: one text, OK only, no icon, the application's
// title as caption. Show returns when the user has dismissed it.
class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;
    virtual void Show(const std::string& text) = 0;
};

}  // namespace zelmo::platform
