#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/form_runtime.h"
#include "platform/status_line.h"
#include "platform/window_base.h"

namespace zelmo::platform::qt {

// What a window needs of the run time that made it.
class WindowHost {
  public:
    virtual ~WindowHost() = default;
    // The window has ended, by Close or by being destroyed.
    virtual void WindowEnded() = 0;
    // Runs an event handler, unless the program is ending.
    virtual void RunHandler(const std::function<void()>& handler) = 0;
};

// A top-level QWidget whose controls sit at fixed pixel positions.
class QtWindow : public WindowBase {
  public:
    QtWindow(WindowHost& host, const WindowStyle& style);
    ~QtWindow() override;

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
    bool IsVisible() const override;
    void SetFocus(const std::string& controlName) override;
    void SetStatus(const std::string& text) override;

  private:
    void Place(QWidget* control, const std::string& name, Rect rect);
    void AddTabStop(QWidget* control, int tabIndex);
    void FocusSoon(QWidget* control);
    void End() override;

    WindowHost& host_;
    QPointer<QWidget> widget_;
    std::vector<std::unique_ptr<Label>> labels_;
    std::vector<std::unique_ptr<TextBox>> textBoxes_;
    std::vector<std::unique_ptr<ListBox>> listBoxes_;
    std::map<std::string, QPointer<QWidget>> controls_;
    std::vector<std::pair<int, QPointer<QWidget>>> tabStops_;
    std::vector<QPointer<QTimer>> timers_;
    QPointer<QLabel> status_;
    StatusLineColours statusColours_;
    QPointer<QWidget> focusOnShow_;
    bool placed_ = false;
};

}  // namespace zelmo::platform::qt
