#pragma once

#include <functional>
#include <utility>

#include "platform/form_runtime.h"

namespace zelmo::platform {

// What every backend's window keeps alike: its style, the program's handler
// for the close command, and that it ends once.
class WindowBase : public Window {
  public:
    explicit WindowBase(WindowStyle style) : style_(std::move(style)) {}
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    void OnCloseCommand(std::function<void()> handler) final {
        onCloseCommand_ = std::move(handler);
    }
    void Close() final {
        if (closed_) return;
        closed_ = true;
        End();
    }

    const WindowStyle& style() const { return style_; }
    bool closed() const { return closed_; }

  protected:
    // The user's close command: the program's handler, run by runHandler,
    // when it has set one; otherwise the window closes.
    void CloseCommand(const std::function<void(const std::function<void()>&)>& runHandler) {
        if (closed_) return;
        if (!onCloseCommand_) {
            Close();
            return;
        }
        // A copy: the handler may end this window and its owner.
        const std::function<void()> handler = onCloseCommand_;
        runHandler(handler);
    }

    // Ends the native window, its controls and its timers; Close calls it
    // once. A backend's destructor calls Close, as the base's cannot.
    virtual void End() = 0;

  private:
    WindowStyle style_;
    std::function<void()> onCloseCommand_;
    bool closed_ = false;
};

}  // namespace zelmo::platform
