#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/form_runtime.h"
#include "platform/window_base.h"

namespace zelmo::platform::memory {

class MemoryFormRuntime;

// What a test can see of a window and do to it.
class MemoryWindow : public WindowBase {
  public:
    MemoryWindow(MemoryFormRuntime& runtime, WindowStyle style);
    // Closes the window, as a native one goes with its owner, and takes it
    // off the run time's list.
    ~MemoryWindow() override;

    Label& AddLabel(const std::string& name, const std::string& caption, Rect rect, int tabIndex,
                    LabelStyle style) override;
    TextBox& AddTextBox(const std::string& name, Rect rect, int tabIndex) override;
    ListBox& AddListBox(const std::string& name, Rect rect, int tabIndex) override;
    void AddButton(const std::string& name, const std::string& caption, Rect rect, int tabIndex,
                   std::function<void()> onClick) override;
    void AddPicture(const std::string& name, Rect rect, int tabIndex) override;
    void AddTimer(const std::string& name, int intervalMs, std::function<void()> onTick) override;
    void MakeTopmost() override;
    void Show() override;
    bool IsVisible() const override { return visible_; }
    void SetFocus(const std::string& controlName) override;
    void SetStatus(const std::string& text) override;

    // For tests.
    bool topmost() const { return topmost_; }
    const std::string& focus() const { return focus_; }
    const std::string& status() const { return status_; }
    std::string Caption(const std::string& label) const;
    Rect Bounds(const std::string& control) const;
    void Type(const std::string& textBox, const std::string& text);
    std::vector<std::string> Items(const std::string& listBox) const;
    void Press(const std::string& button);
    void Tick(const std::string& timer);
    void PressCloseCommand();
    // Control names in tab order (focusable controls only).
    std::vector<std::string> TabOrder() const;
    bool HasTimer(const std::string& timer) const;

  private:
    struct Control;
    void End() override;
    Control& Add(const std::string& name, const std::string& kind, Rect rect, int tabIndex);
    Control& Get(const std::string& name) const;

    MemoryFormRuntime& runtime_;
    std::map<std::string, std::shared_ptr<Control>> controls_;
    std::map<std::string, std::function<void()>> timers_;
    bool topmost_ = false;
    bool visible_ = false;
    std::string focus_;
    std::string status_;
};

// Raised by Fail in place of ending the process. Once the program has ended
// every later Fail raises the first report again: a handler further out that
// catches the ending must not report something else.
struct ProgramEnded : std::runtime_error {
    ProgramEnded(int status, const std::string& report)
        : std::runtime_error(report), status(status) {}
    int status;
};

// A form run time in memory: keeps a log of what happened, in order.
class MemoryFormRuntime : public FormRuntime {
  public:
    std::unique_ptr<Window> NewWindow(const WindowStyle& style) override;
    void Show(const std::string& text) override;
    void SetMousePointer(int pointer) override;
    int MousePointer() const override { return pointer_; }
    void Post(std::function<void()> task) override;
    void ProcessEventsUntil(const std::function<bool()>& done, int tickMs,
                            const std::function<void()>& tick) override;
    int Run() override;
    [[noreturn]] void Fail(const RunTimeError& error) override;

    // Everything shown, in order: "show <caption>", "close <caption>",
    // "pointer <n>", "message <text>", "topmost <caption>".
    std::vector<std::string> log;
    std::vector<std::string> messages;
    // Runs while a message box is open, as if the user took that long.
    std::function<void()> whileMessageOpen;
    int LiveWindows() const { return liveWindows_; }
    // The newest window with that caption that still exists.
    MemoryWindow* FindWindow(const std::string& caption) const;

  private:
    friend class MemoryWindow;
    // What other threads have posted; shared so that the run time can be
    // replaced by assignment.
    struct Posted {
        std::mutex mutex;
        std::condition_variable arrived;
        std::deque<std::function<void()>> tasks;
    };

    int pointer_ = 0;
    int liveWindows_ = 0;
    std::vector<MemoryWindow*> windows_;
    // The report of the failure that ended the program, once one has.
    std::string failure_;
    std::shared_ptr<Posted> posted_ = std::make_shared<Posted>();
};

}  // namespace zelmo::platform::memory
