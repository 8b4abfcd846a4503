#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/message_box.h"

namespace zelmo::platform {

class RunTimeError;

// Positions and sizes in pixels at 96 dpi; a backend scales them with the
// screen's dpi.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

struct WindowStyle {
    std::string caption;
    int clientWidth = 0;
    int clientHeight = 0;
    bool borderless = false;  // otherwise a fixed single border with title bar
    Rgb background{192, 192, 192};
};

struct LabelStyle {
    bool customColours = false;  // otherwise the system's control colours
    Rgb foreground;
    Rgb background;
};

class Label {
  public:
    virtual ~Label() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual std::string Caption() const = 0;
};

// Single line, empty at start, no length limit.
class TextBox {
  public:
    virtual ~TextBox() = default;
    virtual std::string Text() const = 0;
};

class ListBox {
  public:
    virtual ~ListBox() = default;
    virtual void Clear() = 0;
    virtual void AddItem(const std::string& text) = 0;
};

// One native window with its controls. Controls belong to the window and
// live as long as it does. Handlers run on the user-interface thread.
class Window {
  public:
    virtual ~Window() = default;

    virtual Label& AddLabel(const std::string& name, const std::string& caption, Rect rect,
                            int tabIndex, LabelStyle style = {}) = 0;
    virtual TextBox& AddTextBox(const std::string& name, Rect rect, int tabIndex) = 0;
    virtual ListBox& AddListBox(const std::string& name, Rect rect, int tabIndex) = 0;
    // No button is a default or cancel button: Enter and Esc press nothing.
    virtual void AddButton(const std::string& name, const std::string& caption, Rect rect,
                           int tabIndex, std::function<void()> onClick) = 0;
    // Shows the program's fixed picture, centred in rect.
    virtual void AddPicture(const std::string& name, Rect rect, int tabIndex) = 0;
    // Ticks every intervalMs from now until the window is closed.
    virtual void AddTimer(const std::string& name, int intervalMs,
                          std::function<void()> onTick) = 0;
    // The user closed the window by its close command.
    virtual void OnCloseCommand(std::function<void()> handler) = 0;

    // Raises the window to the topmost band without moving or resizing it.
    virtual void MakeTopmost() = 0;
    // Makes the window visible, centred on the screen the first time.
    virtual void Show() = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetFocus(const std::string& controlName) = 0;
    // Ends the window, its controls and its timers.
    virtual void Close() = 0;
    // A line of text beneath the window's own content, for progress.
    virtual void SetStatus(const std::string& text) = 0;
};

// The form run time: windows, the message box, the application-wide mouse
// pointer and the event loop.
class FormRuntime : public MessageBoxService {
  public:
    static constexpr int kDefaultPointer = 0;
    static constexpr int kBusyPointer = 13;  // arrow with hourglass

    virtual std::unique_ptr<Window> NewWindow(const WindowStyle& style) = 0;

    // The modal message box: OK only, no icon, the application's title as
    // caption. It keeps dispatching the program's events while open.
    void Show(const std::string& text) override = 0;

    // While not 0, overrides every window's own pointer.
    virtual void SetMousePointer(int pointer) = 0;
    virtual int MousePointer() const = 0;

    // Runs task on the user-interface thread from whichever event loop is
    // dispatching there, a message box's included; callable from any thread.
    virtual void Post(std::function<void()> task) = 0;

    // Dispatches events, sleeping until the next one comes, until done() is
    // true; done() is looked at after each event. Meanwhile tick runs every
    // tickMs, so that work on another thread can show its progress. Work on
    // another thread ends the wait by posting a task that makes done() true.
    virtual void ProcessEventsUntil(const std::function<bool()>& done, int tickMs,
                                    const std::function<void()>& tick) = 0;

    // Runs the event loop until the last window has closed; the exit status.
    virtual int Run() = 0;

    // Shows the run-time error's report and ends the program with a
    // non-zero status. No handler runs after it has begun.
    [[noreturn]] virtual void Fail(const RunTimeError& error) = 0;
};

// The application's title, the caption of its message boxes.
inline constexpr const char* kApplicationTitle = "Zelmo CB";

// The platform's form run time for this process (argc/argv for toolkits
// that take them).
std::unique_ptr<FormRuntime> OpenFormRuntime(int& argc, char** argv);

}  // namespace zelmo::platform
