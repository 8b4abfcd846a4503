#include "platform/form_runtime.h"

// commctrl.h builds on windows.h.
// clang-format off
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <exception>
#include <vector>

#include "platform/runtime_error.h"
#include "platform/win32/form_window.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/wide_text.h"

namespace zelmo::platform::win32 {
namespace {

// How long ProcessEventsUntil sleeps at most between two looks at done().
constexpr DWORD kWaitMs = 10;

class Win32FormRuntime : public FormRuntime, public FormHost {
  public:
    Win32FormRuntime() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        // The load keeps the program away from its event loop on purpose; the
        // splash must stay as it is rather than turn into a ghost.
        DisableProcessWindowsGhosting();
        formClass_ = RegisterFormClass();

        const HDC screen = GetDC(nullptr);
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);

        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            font_ = CreateFontIndirectW(&metrics.lfMessageFont);
        }
        if (!font_) font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        picture_ = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                                                   MAKEINTRESOURCEW(ZELMO_PICTURE_BITMAP),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    }

    ~Win32FormRuntime() override {
        if (font_ && font_ != GetStockObject(DEFAULT_GUI_FONT)) DeleteObject(font_);
        if (picture_) DeleteObject(picture_);
    }
    Win32FormRuntime(const Win32FormRuntime&) = delete;
    Win32FormRuntime& operator=(const Win32FormRuntime&) = delete;

    std::unique_ptr<Window> NewWindow(const WindowStyle& style) override {
        auto window = std::make_unique<Win32Window>(*this, style);
        windows_.push_back(window->hwnd());
        ++liveWindows_;
        return window;
    }

    void Show(const std::string& text) override { ShowBox(text); }

    void SetMousePointer(int pointer) override {
        pointer_ = pointer;
        // Set now: the program may be busy and not see WM_SETCURSOR for a while.
        SetCursor(LoadCursorA(nullptr, pointer == kDefaultPointer ? IDC_ARROW : IDC_APPSTARTING));
    }

    int MousePointer() const override { return pointer_; }

    void ProcessEventsUntil(const std::function<bool()>& done) override {
        while (!done()) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    // For the loop that is waiting for it further out.
                    PostQuitMessage(static_cast<int>(msg.wParam));
                    return;
                }
                Dispatch(msg);
                if (done()) return;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kWaitMs, QS_ALLINPUT);
        }
    }

    int Run() override {
        // Windows close only from handlers, which this loop dispatches: the
        // count is looked at again before the loop waits.
        MSG msg;
        while (liveWindows_ > 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
        return 0;
    }

    [[noreturn]] void Fail(const RunTimeError& error) override {
        Abort(error.Heading() + "\n\n" + error.Detail());
    }

    // FormHost
    int Dpi() const override { return dpi_; }
    HFONT MessageFont() const override { return font_; }
    HBITMAP Picture() const override { return picture_; }

    void RunHandler(const std::function<void()>& handler) override {
        if (failing_) return;
        // Nothing may unwind through the system's window procedure.
        try {
            handler();
        } catch (const RunTimeError& e) {
            Fail(e);
        } catch (const std::exception& e) {
            Abort(e.what());
        }
    }

    void WindowClosing(HWND hwnd) override {
        std::erase(windows_, hwnd);
        // Were the active window to go by itself, the system would activate
        // another program's window and this program's next one would open
        // behind it; a window of its own, even a hidden one, keeps the
        // activation here.
        if (GetActiveWindow() == hwnd && !windows_.empty()) SetActiveWindow(windows_.back());
    }

    void WindowEnded() override { --liveWindows_; }

  private:
    // Keyboard navigation (Tab, Space on a button) as in a dialog.
    void Dispatch(MSG& msg) {
        const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (root && GetClassLongPtrW(root, GCW_ATOM) == formClass_ &&
            IsDialogMessageW(root, &msg)) {
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    // The program's windows are topmost: the box belongs to the one in front
    // so that it does not open behind them.
    HWND BoxOwner() const {
        for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
            if (IsWindowVisible(*it) && IsWindowEnabled(*it)) return *it;
        }
        return nullptr;
    }

    void ShowBox(const std::string& text) {
        MessageBoxW(BoxOwner(), Widen(text).c_str(), Widen(kApplicationTitle).c_str(), MB_OK);
    }

    // The standard report of an untrapped failure, then the end: nothing of
    // the program runs after it.
    [[noreturn]] void Abort(const std::string& text) {
        failing_ = true;
        SetMousePointer(kDefaultPointer);
        ShowBox(text);
        std::fflush(nullptr);
        ExitProcess(1);
    }

    ATOM formClass_ = 0;
    int dpi_ = 96;
    HFONT font_ = nullptr;
    HBITMAP picture_ = nullptr;
    int pointer_ = kDefaultPointer;
    int liveWindows_ = 0;
    bool failing_ = false;
    // The native windows of the forms still open, oldest first.
    std::vector<HWND> windows_;
};

}  // namespace
}  // namespace zelmo::platform::win32

namespace zelmo::platform {

std::unique_ptr<FormRuntime> OpenFormRuntime(int&, char**) {
    return std::make_unique<win32::Win32FormRuntime>();
}

}  // namespace zelmo::platform
