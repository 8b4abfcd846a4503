#include "platform/win32/form_window.h"

#include <algorithm>
#include <stdexcept>

#include "platform/win32/wide_text.h"
#include "platform/win32/window_class.h"

namespace zelmo::platform::win32 {

namespace {

COLORREF ToColorRef(Rgb rgb) { return RGB(rgb.r, rgb.g, rgb.b); }

std::wstring WindowText(HWND hwnd) {
    if (!IsWindow(hwnd)) return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

class Win32Label : public Label {
  public:
    explicit Win32Label(HWND hwnd, std::string caption)
        : hwnd_(hwnd), caption_(std::move(caption)) {}
    void SetCaption(const std::string& caption) override {
        caption_ = caption;
        SetWindowTextW(hwnd_, Widen(caption).c_str());
    }
    // The caption as set, also once the window has gone.
    std::string Caption() const override { return caption_; }

  private:
    HWND hwnd_;
    std::string caption_;
};

class Win32TextBox : public TextBox {
  public:
    explicit Win32TextBox(HWND hwnd) : hwnd_(hwnd) {}
    std::string Text() const override { return Narrow(WindowText(hwnd_)); }

  private:
    HWND hwnd_;
};

class Win32ListBox : public ListBox {
  public:
    explicit Win32ListBox(HWND hwnd) : hwnd_(hwnd) {}
    void Clear() override { SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0); }
    void AddItem(const std::string& text) override {
        const std::wstring wide = Widen(text);
        SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }

  private:
    HWND hwnd_;
};

}  // namespace

struct Win32Window::Control {
    std::string name;
    HWND hwnd = nullptr;
    int id = 0;
    int tabIndex = 0;
    std::function<void()> onClick;
    std::optional<LabelStyle> colours;
    GdiObject<HBRUSH> brush;
    std::unique_ptr<Label> label;
    std::unique_ptr<TextBox> textBox;
    std::unique_ptr<ListBox> listBox;
    bool picture = false;
};

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = static_cast<Win32Window*>(WindowObject(hwnd, message, lParam));
    if (window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCCREATE) window->hwnd_ = hwnd;
    return window->HandleMessage(message, wParam, lParam);
}

ATOM RegisterFormClass() {
    static const ATOM atom =
        RegisterWindowClass(kFormClassName, FormWindowProc, LoadCursorA(nullptr, IDC_ARROW),
                            LoadIconA(nullptr, IDI_APPLICATION));
    return atom;
}

Win32Window::Win32Window(FormHost& host, const WindowStyle& style)
    : WindowBase(style), host_(host) {
    RegisterFormClass();
    background_ = GdiObject<HBRUSH>(CreateSolidBrush(ToColorRef(style.background)));
    const DWORD windowStyle =
        style.borderless ? WS_POPUP : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    // The splash is nothing the user works in: no taskbar button.
    const DWORD exStyle = style.borderless ? WS_EX_TOOLWINDOW : 0;
    RECT frame = {0, 0, Scale(style.clientWidth), Scale(style.clientHeight)};
    AdjustWindowRectEx(&frame, windowStyle, FALSE, exStyle);
    const HWND created = CreateWindowExW(
        exStyle, kFormClassName, Widen(style.caption).c_str(), windowStyle | WS_CLIPCHILDREN,
        CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
        nullptr, GetModuleHandleW(nullptr), this);
    if (!created)
        throw std::runtime_error("the window \"" + style.caption + "\" cannot be created");
}

Win32Window::~Win32Window() { Close(); }

int Win32Window::Scale(int value) const { return MulDiv(value, host_.Dpi(), 96); }

Win32Window::Control& Win32Window::Add(const std::string& name, const wchar_t* windowClass,
                                       DWORD style, DWORD exStyle, Rect rect, int tabIndex,
                                       const std::string& text) {
    auto control = std::make_unique<Control>();
    control->name = name;
    control->id = nextId_++;
    control->tabIndex = tabIndex;
    control->hwnd =
        CreateWindowExW(exStyle, windowClass, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                        Scale(rect.left), Scale(rect.top), Scale(rect.width), Scale(rect.height),
                        hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control->id)),
                        GetModuleHandleW(nullptr), nullptr);
    if (!control->hwnd) throw std::runtime_error("the control " + name + " cannot be created");
    SendMessageW(control->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(host_.MessageFont()), FALSE);

    // Tab and arrow keys follow the children's z-order: keep it in tab order.
    HWND after = HWND_TOP;
    int best = -1;
    for (const auto& other : controls_) {
        if (other->tabIndex <= tabIndex && other->tabIndex >= best) {
            best = other->tabIndex;
            after = other->hwnd;
        }
    }
    SetWindowPos(control->hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    controls_.push_back(std::move(control));
    return *controls_.back();
}

Label& Win32Window::AddLabel(const std::string& name, const std::string& caption, Rect rect,
                             int tabIndex, LabelStyle style) {
    // Labels never take the focus: no tab stop.
    Control& c = Add(name, L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, rect, tabIndex, caption);
    if (style.customColours) {
        c.colours = style;
        c.brush = GdiObject<HBRUSH>(CreateSolidBrush(ToColorRef(style.background)));
    }
    statusColours_.NoteLabel(style);
    c.label = std::make_unique<Win32Label>(c.hwnd, caption);
    return *c.label;
}

TextBox& Win32Window::AddTextBox(const std::string& name, Rect rect, int tabIndex) {
    Control& c = Add(name, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, rect,
                     tabIndex, "");
    // No length limit beyond the control's largest.
    SendMessageW(c.hwnd, EM_SETLIMITTEXT, 0, 0);
    c.textBox = std::make_unique<Win32TextBox>(c.hwnd);
    return *c.textBox;
}

ListBox& Win32Window::AddListBox(const std::string& name, Rect rect, int tabIndex) {
    Control& c = Add(name, L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
                     WS_EX_CLIENTEDGE, rect, tabIndex, "");
    c.listBox = std::make_unique<Win32ListBox>(c.hwnd);
    return *c.listBox;
}

void Win32Window::AddButton(const std::string& name, const std::string& caption, Rect rect,
                            int tabIndex, std::function<void()> onClick) {
    // A plain push button: never the default one that Enter would press.
    Control& c = Add(name, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, rect, tabIndex, caption);
    c.onClick = std::move(onClick);
}

void Win32Window::AddPicture(const std::string& name, Rect rect, int tabIndex) {
    Control& c = Add(name, L"STATIC", SS_OWNERDRAW, 0, rect, tabIndex, "");
    c.picture = true;
}

void Win32Window::AddTimer(const std::string&, int intervalMs, std::function<void()> onTick) {
    if (closed()) return;
    const UINT_PTR id = timers_.size() + 1;
    timers_[id] = std::move(onTick);
    SetTimer(hwnd_, id, static_cast<UINT>(intervalMs), nullptr);
}

void Win32Window::MakeTopmost() {
    if (closed()) return;
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void Win32Window::Show() {
    if (closed()) return;
    if (!placed_) {
        placed_ = true;
        RECT frame;
        GetWindowRect(hwnd_, &frame);
        RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - width) / 2,
                     area.top + (area.bottom - area.top - height) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    // Painted now: the program may not return to the event loop for a while.
    UpdateWindow(hwnd_);
}

bool Win32Window::IsVisible() const { return !closed() && IsWindowVisible(hwnd_); }

HWND Win32Window::ControlHandle(const std::string& name) const {
    for (const auto& control : controls_) {
        if (control->name == name) return control->hwnd;
    }
    return nullptr;
}

void Win32Window::SetFocus(const std::string& controlName) {
    const HWND control = ControlHandle(controlName);
    if (closed() || !control) return;
    lastFocus_ = control;
    if (IsWindowVisible(hwnd_)) ::SetFocus(control);
}

void Win32Window::End() {
    for (const auto& timer : timers_) KillTimer(hwnd_, timer.first);
    // Close may come from this window's own handler, which is still running:
    // the handlers and this object stay; only the native window goes.
    host_.WindowClosing(hwnd_);
    DestroyWindow(hwnd_);
    host_.WindowEnded();
}

void Win32Window::SetStatus(const std::string& text) {
    if (closed()) return;
    if (!status_) {
        TEXTMETRICW metrics = {};
        const HDC dc = GetDC(hwnd_);
        const HGDIOBJ old = SelectObject(dc, host_.MessageFont());
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(hwnd_, dc);
        RECT client;
        GetClientRect(hwnd_, &client);
        const Rect place =
            StatusLineRect(client.right, client.bottom, metrics.tmHeight, Scale(kStatusMargin));
        status_ = CreateWindowExW(0, L"STATIC", L"",
                                  WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX | SS_ENDELLIPSIS,
                                  place.left, place.top, place.width, place.height, hwnd_, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        // Progress is a nicety: without its line the window works on.
        if (!status_) return;
        SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(host_.MessageFont()), FALSE);
        SetWindowPos(status_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    SetWindowTextW(status_, Widen(text).c_str());
    // Progress comes while the program does not return to the event loop.
    UpdateWindow(status_);
}

const Win32Window::Control* Win32Window::FindControl(HWND hwnd) const {
    for (const auto& control : controls_) {
        if (control->hwnd == hwnd) return control.get();
    }
    return nullptr;
}

LRESULT Win32Window::ColourStatic(HDC dc, HWND hwnd) {
    const Control* control = FindControl(hwnd);
    const LabelStyle* colours = nullptr;
    if (control && control->colours) colours = &*control->colours;
    if (hwnd == status_ && statusColours_.colours()) colours = &*statusColours_.colours();
    if (!colours) {
        return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(hwnd));
    }
    SetTextColor(dc, ToColorRef(colours->foreground));
    SetBkColor(dc, ToColorRef(colours->background));
    // The status line borrows the brush of the label whose colours it has.
    for (const auto& other : controls_) {
        if (other->brush && other->colours->background == colours->background) {
            return reinterpret_cast<LRESULT>(other->brush.get());
        }
    }
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void Win32Window::DrawPicture(const DRAWITEMSTRUCT& item) const {
    RECT rect = item.rcItem;
    FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(item.hDC, &rect, BDR_SUNKENOUTER, BF_RECT);
    const HBITMAP picture = host_.Picture();
    BITMAP info = {};
    if (!picture || !GetObjectW(picture, sizeof info, &info)) return;
    const int width = Scale(info.bmWidth);
    const int height = Scale(info.bmHeight);
    const int left = rect.left + (rect.right - rect.left - width) / 2;
    const int top = rect.top + (rect.bottom - rect.top - height) / 2;
    const HDC source = CreateCompatibleDC(item.hDC);
    const HGDIOBJ old = SelectObject(source, picture);
    SetStretchBltMode(item.hDC, HALFTONE);
    StretchBlt(item.hDC, left, top, width, height, source, 0, 0, info.bmWidth, info.bmHeight,
               SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

LRESULT Win32Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(hwnd_, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
            return 1;
        }
        case WM_CTLCOLORSTATIC:
            return ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            const Control* control = FindControl(item.hwndItem);
            if (control && control->picture) DrawPicture(item);
            return TRUE;
        }
        case WM_SETCURSOR:
            // The application-wide pointer overrides every window's own.
            if (host_.MousePointer() != FormRuntime::kDefaultPointer) {
                SetCursor(LoadCursorA(nullptr, IDC_APPSTARTING));
                return TRUE;
            }
            break;
        case DM_GETDEFID:
            // No default button: Enter presses nothing.
            return 0;
        case WM_COMMAND: {
            const Control* control = FindControl(reinterpret_cast<HWND>(lParam));
            if (!closed() && control && control->onClick && HIWORD(wParam) == BN_CLICKED) {
                // A copy: the handler may close this window.
                const std::function<void()> onClick = control->onClick;
                host_.RunHandler(onClick);
            }
            // Enter and Esc arrive as IDOK and IDCANCEL, which no control has.
            return 0;
        }
        case WM_TIMER: {
            const auto timer = timers_.find(wParam);
            if (!closed() && timer != timers_.end()) {
                const std::function<void()> onTick = timer->second;
                host_.RunHandler(onTick);
            }
            return 0;
        }
        case WM_CLOSE:
            CloseCommand(
                [this](const std::function<void()>& onClose) { host_.RunHandler(onClose); });
            return 0;
        case WM_ACTIVATE:
            // The focus comes back to the control that had it, as in a dialog.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
            } else if (lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(hwnd_)) {
                ::SetFocus(lastFocus_);
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace zelmo::platform::win32
