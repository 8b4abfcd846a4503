#include "platform/form_runtime.h"

// commctrl.h builds on windows.h.
// clang-format off
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <deque>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/native_form_runtime.h"
#include "platform/win32/form_window.h"
#include "platform/win32/gdi_object.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_class.h"

namespace zelmo::platform::win32 {
namespace {

// The hidden window that posted tasks and progress ticks are delivered to:
// messages for a window reach it from any loop, a message box's too.
constexpr const wchar_t* kTaskWindowClass = L"ZelmoCB.Tasks";
constexpr UINT kRunTasks = WM_APP + 1;
constexpr UINT_PTR kTickTimer = 1;

class Win32FormRuntime : public NativeFormRuntime, public FormHost {
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
            ownFont_ = GdiObject<HFONT>(CreateFontIndirectW(&metrics.lfMessageFont));
        }
        // A stock object is the system's: it is never deleted.
        font_ = ownFont_ ? ownFont_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        picture_ = GdiObject<HBITMAP>(static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ZELMO_PICTURE_BITMAP),
                       IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        taskWindow_ = CreateTaskWindow();
    }

    ~Win32FormRuntime() override {
        if (taskWindow_) DestroyWindow(taskWindow_);
    }
    Win32FormRuntime(const Win32FormRuntime&) = delete;
    Win32FormRuntime& operator=(const Win32FormRuntime&) = delete;

    std::unique_ptr<Window> NewWindow(const WindowStyle& style) override {
        auto window = std::make_unique<Win32Window>(*this, style);
        windows_.push_back(window->hwnd());
        ++liveWindows_;
        return window;
    }

    void SetMousePointer(int pointer) override {
        pointer_ = pointer;
        // Set now: the program may be busy and not see WM_SETCURSOR for a while.
        SetCursor(LoadCursorA(nullptr, pointer == kDefaultPointer ? IDC_ARROW : IDC_APPSTARTING));
    }

    int MousePointer() const override { return pointer_; }

    void Post(std::function<void()> task) override {
        {
            const std::lock_guard<std::mutex> lock(tasksMutex_);
            tasks_.push_back(std::move(task));
        }
        // Should the queue be full, messages are waiting anyway, and each
        // one dispatched runs what was posted.
        PostMessageW(taskWindow_, kRunTasks, 0, 0);
    }

    void ProcessEventsUntil(const std::function<bool()>& done, int tickMs,
                            const std::function<void()>& tick) override {
        const std::function<void()>* outer = std::exchange(tick_, &tick);
        SetTimer(taskWindow_, kTickTimer, static_cast<UINT>(tickMs), nullptr);
        MSG msg;
        while (!done()) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                // For the loop that is waiting for it further out.
                PostQuitMessage(static_cast<int>(msg.wParam));
            }
            if (got <= 0) break;
            Dispatch(msg);
            RunPostedTasks();
        }
        KillTimer(taskWindow_, kTickTimer);
        tick_ = outer;
        if (tick_) SetTimer(taskWindow_, kTickTimer, static_cast<UINT>(tickMs), nullptr);
    }

    int Run() override {
        // Windows close only from handlers, which this loop dispatches: the
        // count is looked at again before the loop waits.
        MSG msg;
        while (liveWindows_ > 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
        return 0;
    }

    // FormHost
    int Dpi() const override { return dpi_; }
    HFONT MessageFont() const override { return font_; }
    HBITMAP Picture() const override { return picture_.get(); }

    void RunHandler(const std::function<void()>& handler) override { RunEventHandler(handler); }

    void WindowClosing(HWND hwnd) override {
        std::erase(windows_, hwnd);
        // Were the active window to go by itself, the system would activate
        // another program's window and this program's next one would open
        // behind it; a window of its own, even a hidden one, keeps the
        // activation here.
        if (GetActiveWindow() == hwnd && !windows_.empty()) SetActiveWindow(windows_.back());
    }

    void WindowEnded() override { --liveWindows_; }

  protected:
    void ShowMessageBox(const std::string& text) override {
        MessageBoxW(BoxOwner(), Widen(text).c_str(), Widen(kApplicationTitle).c_str(), MB_OK);
    }

  private:
    HWND CreateTaskWindow() {
        static const ATOM atom = RegisterWindowClass(kTaskWindowClass, TaskWindowProc);
        const HWND hwnd =
            atom ? CreateWindowExW(0, kTaskWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), this)
                 : nullptr;
        if (!hwnd) throw std::runtime_error("the form run time's task window cannot be created");
        return hwnd;
    }

    static LRESULT CALLBACK TaskWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<Win32FormRuntime*>(WindowObject(hwnd, message, lParam));
        if (self && message == kRunTasks) {
            self->RunPostedTasks();
            return 0;
        }
        if (self && message == WM_TIMER && wParam == kTickTimer) {
            if (self->tick_) (*self->tick_)();
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    void RunPostedTasks() {
        for (;;) {
            std::function<void()> task;
            {
                const std::lock_guard<std::mutex> lock(tasksMutex_);
                if (tasks_.empty()) return;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

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

    ATOM formClass_ = 0;
    int dpi_ = 96;
    GdiObject<HFONT> ownFont_;
    HFONT font_ = nullptr;
    GdiObject<HBITMAP> picture_;
    HWND taskWindow_ = nullptr;
    std::mutex tasksMutex_;
    std::deque<std::function<void()>> tasks_;
    const std::function<void()>* tick_ = nullptr;
    int pointer_ = kDefaultPointer;
    int liveWindows_ = 0;
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
