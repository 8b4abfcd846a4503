#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/form_runtime.h"
#include "platform/status_line.h"
#include "platform/win32/gdi_object.h"
#include "platform/window_base.h"

namespace zelmo::platform::win32 {

// What a window needs of the form run time it belongs to.
class FormHost {
  public:
    virtual ~FormHost() = default;
    virtual int MousePointer() const = 0;
    virtual HFONT MessageFont() const = 0;
    virtual int Dpi() const = 0;
    // The program's fixed picture, or nullptr when the program has none.
    virtual HBITMAP Picture() const = 0;
    // Runs one of the program's handlers; an untrapped failure ends the
    // program with its run-time error report.
    virtual void RunHandler(const std::function<void()>& handler) = 0;
    // Called by a window as it closes, before its native window goes.
    virtual void WindowClosing(HWND hwnd) = 0;
    virtual void WindowEnded() = 0;
};

// The class name every form window is registered under.
inline constexpr const wchar_t* kFormClassName = L"ZelmoCB.Form";

// Registers the form window class once; its atom.
ATOM RegisterFormClass();

// One form: a top-level window with child controls. Positions are given at
// 96 dpi and scaled with the system's dpi.
class Win32Window : public WindowBase {
  public:
    Win32Window(FormHost& host, const WindowStyle& style);
    ~Win32Window() override;

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

    HWND hwnd() const { return hwnd_; }
    // The native control of that name, or nullptr.
    HWND ControlHandle(const std::string& name) const;

    struct Control;

  private:
    friend LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void End() override;

    Control& Add(const std::string& name, const wchar_t* windowClass, DWORD style, DWORD exStyle,
                 Rect rect, int tabIndex, const std::string& text);
    int Scale(int value) const;
    const Control* FindControl(HWND hwnd) const;
    LRESULT ColourStatic(HDC dc, HWND control);
    void DrawPicture(const DRAWITEMSTRUCT& item) const;

    FormHost& host_;
    HWND hwnd_ = nullptr;
    GdiObject<HBRUSH> background_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<UINT_PTR, std::function<void()>> timers_;
    StatusLineColours statusColours_;
    HWND status_ = nullptr;
    HWND lastFocus_ = nullptr;
    int nextId_ = 1000;  // far from IDOK and IDCANCEL, which Enter and Esc send
    bool placed_ = false;
};

}  // namespace zelmo::platform::win32
