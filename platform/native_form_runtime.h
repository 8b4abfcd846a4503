#pragma once

#include <functional>
#include <string>

#include "platform/form_runtime.h"

namespace zelmo::platform {

// What the desktop form run times share: how an event handler runs and how
// an untrapped failure ends the program. A backend supplies the message box.
class NativeFormRuntime : public FormRuntime {
  public:
    void Show(const std::string& text) override { ShowMessageBox(text); }
    [[noreturn]] void Fail(const RunTimeError& error) final;

  protected:
    // Runs one event handler. Once a failure is being reported nothing runs:
    // the report's message box dispatches events, and the program must not
    // go on behind it. Handlers trap their own failures; none may unwind
    // through the toolkit's dispatch.
    void RunEventHandler(const std::function<void()>& handler) const;

    virtual void ShowMessageBox(const std::string& text) = 0;

  private:
    bool failing_ = false;
};

}  // namespace zelmo::platform
