#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "inventory/application_list_scan.h"
#include "platform/form_runtime.h"
#include "platform/win32/form_window.h"
#include "platform/win32/wide_text.h"

namespace zelmo::platform {
namespace {

using win32::Win32Window;

RECT ClientRectOf(HWND control, HWND parent) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Real windows; under Wine they need an X display.
class Win32FormRuntime : public ::testing::Test {
  protected:
    void SetUp() override {
        const HDC screen = GetDC(nullptr);
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        const HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                                           nullptr, nullptr, nullptr);
        if (!probe) GTEST_SKIP() << "no display to open windows on";
        DestroyWindow(probe);
    }

    Win32Window& Open(const WindowStyle& style) {
        windows_.push_back(forms_->NewWindow(style));
        return dynamic_cast<Win32Window&>(*windows_.back());
    }

    // Runs the event loop for a while.
    void Pump(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        forms_->ProcessEventsUntil([&] { return std::chrono::steady_clock::now() >= end; }, 5,
                                   [] {});
    }

    int Scale(int value) const { return MulDiv(value, dpi_, 96); }

    int argc_ = 0;
    std::unique_ptr<FormRuntime> forms_ = OpenFormRuntime(argc_, nullptr);
    std::vector<std::unique_ptr<Window>> windows_;
    int dpi_ = 96;
};

TEST_F(Win32FormRuntime, WindowsHaveTheClientAreaAndBorderAsked) {
    Win32Window& splash = Open({"Form1", 312, 64, true, {128, 128, 255}});
    Win32Window& main = Open({"Zelmo CB", 246, 274, false, {192, 192, 192}});

    RECT client;
    GetClientRect(splash.hwnd(), &client);
    EXPECT_EQ(client.right, Scale(312));
    EXPECT_EQ(client.bottom, Scale(64));
    RECT frame;
    GetWindowRect(splash.hwnd(), &frame);
    EXPECT_EQ(frame.right - frame.left, Scale(312)) << "a borderless window is all client";
    EXPECT_NE(GetWindowLongW(splash.hwnd(), GWL_STYLE) & WS_POPUP, 0);
    EXPECT_EQ(GetWindowLongW(splash.hwnd(), GWL_STYLE) & WS_CAPTION, 0);

    GetClientRect(main.hwnd(), &client);
    EXPECT_EQ(client.right, Scale(246));
    EXPECT_EQ(client.bottom, Scale(274));
    const LONG style = GetWindowLongW(main.hwnd(), GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0) << "the border is fixed";
    wchar_t caption[32] = {};
    GetWindowTextW(main.hwnd(), caption, 32);
    EXPECT_STREQ(caption, L"Zelmo CB");

    main.Show();
    EXPECT_TRUE(main.IsVisible());
    GetWindowRect(main.hwnd(), &frame);
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_LE(std::abs((frame.left + frame.right) - (area.left + area.right)), 1) << "centred";
    main.Close();
    EXPECT_FALSE(main.IsVisible());
    EXPECT_FALSE(IsWindow(main.hwnd()));
}

TEST_F(Win32FormRuntime, ControlsSitWhereAskedAndTabInTheirOrder) {
    Win32Window& w = Open({"Zelmo CB", 246, 274, false, {192, 192, 192}});
    w.AddLabel("lblname", "Name", {8, 8, 73, 17}, 19, {});
    w.AddTextBox("txtname", {96, 8, 145, 18}, 0);
    w.AddListBox("lstAppl", {8, 200, 97, 64}, 7);
    w.AddButton("cmdCancel", "Cancel", {192, 224, 49, 17}, 5, [] {});
    w.AddTextBox("txtPInv", {96, 32, 145, 18}, 1);
    w.AddPicture("Picture1", {112, 200, 73, 64}, 18);
    w.AddButton("cmdOK", "OK", {192, 200, 49, 17}, 4, [] {});

    const RECT ok = ClientRectOf(w.ControlHandle("cmdOK"), w.hwnd());
    EXPECT_EQ(ok.left, Scale(192));
    EXPECT_EQ(ok.top, Scale(200));
    EXPECT_EQ(ok.right - ok.left, Scale(49));
    EXPECT_EQ(ok.bottom - ok.top, Scale(17));

    std::vector<HWND> order;
    HWND at = w.ControlHandle("txtname");
    for (int i = 0; i < 6 && at; ++i, at = GetNextDlgTabItem(w.hwnd(), at, FALSE)) {
        order.push_back(at);
    }
    EXPECT_EQ(order, (std::vector<HWND>{w.ControlHandle("txtname"), w.ControlHandle("txtPInv"),
                                        w.ControlHandle("cmdOK"), w.ControlHandle("cmdCancel"),
                                        w.ControlHandle("lstAppl"), w.ControlHandle("txtname")}));
    for (const char* name : {"lblname", "txtname", "lstAppl", "cmdCancel", "Picture1", "cmdOK"}) {
        const int id = GetDlgCtrlID(w.ControlHandle(name));
        EXPECT_TRUE(id != IDOK && id != IDCANCEL) << name << " would answer Enter or Esc";
        EXPECT_NE(SendMessageW(w.ControlHandle(name), WM_GETFONT, 0, 0), 0) << name;
    }
    EXPECT_EQ(GetWindowLongW(w.ControlHandle("lblname"), GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_EQ(GetWindowLongW(w.ControlHandle("cmdOK"), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
    EXPECT_EQ(SendMessageW(w.hwnd(), DM_GETDEFID, 0, 0), 0);
}

TEST_F(Win32FormRuntime, EnterAndEscPressNothingAndSpacePressesTheFocusedButton) {
    Win32Window& w = Open({"Zelmo CB", 246, 274, false, {192, 192, 192}});
    TextBox& text = w.AddTextBox("txtname", {96, 8, 145, 18}, 0);
    int okPressed = 0;
    int cancelPressed = 0;
    w.AddButton("cmdOK", "OK", {192, 200, 49, 17}, 4, [&] { ++okPressed; });
    w.AddButton("cmdCancel", "Cancel", {192, 224, 49, 17}, 5, [&] { ++cancelPressed; });
    w.Show();
    w.SetFocus("txtname");

    const HWND edit = w.ControlHandle("txtname");
    for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        PostMessageW(edit, WM_KEYDOWN, key, 1);
        PostMessageW(edit, WM_KEYUP, key, 0xC0000001);
    }
    PostMessageW(edit, WM_CHAR, L'x', 1);
    Pump(100);
    EXPECT_EQ(okPressed + cancelPressed, 0);
    EXPECT_EQ(text.Text(), "x");

    const HWND ok = w.ControlHandle("cmdOK");
    ::SetFocus(ok);
    PostMessageW(ok, WM_KEYDOWN, VK_SPACE, 1);
    PostMessageW(ok, WM_KEYUP, VK_SPACE, 0xC0000001);
    Pump(100);
    EXPECT_EQ(okPressed, 1);
    EXPECT_EQ(cancelPressed, 0);
}

TEST_F(Win32FormRuntime, ATimerMayCloseItsOwnWindowAndTheLoopEndsWithTheLastWindow) {
    Win32Window& w = Open({"Form1", 312, 64, true, {128, 128, 255}});
    int ticks = 0;
    w.AddTimer("Tim01", 10, [&] {
        if (++ticks == 3) w.Close();
    });
    w.Show();
    EXPECT_EQ(forms_->Run(), 0);
    EXPECT_EQ(ticks, 3);
    Pump(50);
    EXPECT_EQ(ticks, 3) << "a closed window's timer stops";
}

TEST_F(Win32FormRuntime, WaitingForOtherWorkKeepsTheWindowsGoing) {
    Win32Window& w = Open({"Form1", 312, 64, true, {128, 128, 255}});
    std::atomic<int> ticks = 0;
    w.AddTimer("Tim01", 10, [&] { ++ticks; });
    w.Show();
    std::atomic<int> progress = 0;
    bool done = false;
    // The worker finishes only once the timer and the progress have ticked
    // meanwhile; its posted task ends the wait.
    std::thread worker([&] {
        while (ticks < 3 || progress < 1) std::this_thread::yield();
        forms_->Post([&] { done = true; });
    });
    forms_->ProcessEventsUntil([&] { return done; }, 10, [&] { ++progress; });
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_GT(ticks, 2);
}

TEST_F(Win32FormRuntime, TheCloseCommandGoesToTheHandler) {
    Win32Window& w = Open({"Zelmo CB", 246, 274, false, {192, 192, 192}});
    int asked = 0;
    w.OnCloseCommand([&] { ++asked; });
    w.Show();
    SendMessageW(w.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(w.IsVisible()) << "the handler decides";
}

TEST_F(Win32FormRuntime, TheBusyPointerOverridesEveryWindowsOwnUntilReset) {
    Win32Window& w = Open({"Zelmo CB", 246, 274, false, {192, 192, 192}});
    w.AddTextBox("txtname", {96, 8, 145, 18}, 0);
    w.Show();
    const HWND edit = w.ControlHandle("txtname");
    const auto hover = [](HWND hwnd) {
        SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    forms_->SetMousePointer(FormRuntime::kBusyPointer);
    EXPECT_EQ(forms_->MousePointer(), 13);
    EXPECT_EQ(hover(w.hwnd()), LoadCursorA(nullptr, IDC_APPSTARTING));
    EXPECT_EQ(hover(edit), LoadCursorA(nullptr, IDC_APPSTARTING));
    forms_->SetMousePointer(FormRuntime::kDefaultPointer);
    EXPECT_EQ(hover(edit), LoadCursorA(nullptr, IDC_IBEAM));
    EXPECT_EQ(hover(w.hwnd()), LoadCursorA(nullptr, IDC_ARROW));
}

BOOL CALLBACK FindStatic(HWND child, LPARAM param) {
    auto& found = *reinterpret_cast<std::pair<std::wstring, HWND>*>(param);
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (found.first == text) found.second = child;
    return TRUE;
}

TEST_F(Win32FormRuntime, AProgressLineSitsAtTheBottomInTheLabelsColours) {
    Win32Window& w = Open({"Form1", 312, 64, true, {128, 128, 255}});
    w.AddLabel("lbl_wait", "Find Applications........ Please wait", {64, 24, 192, 20}, 0,
               {true, {255, 255, 255}, {128, 128, 255}});
    w.Show();
    w.SetStatus("C:\\Program Files");
    std::pair<std::wstring, HWND> status{L"C:\\Program Files", nullptr};
    EnumChildWindows(w.hwnd(), FindStatic, reinterpret_cast<LPARAM>(&status));
    ASSERT_NE(status.second, nullptr);
    RECT client;
    GetClientRect(w.hwnd(), &client);
    const RECT line = ClientRectOf(status.second, w.hwnd());
    EXPECT_LE(line.bottom, client.bottom);
    EXPECT_GT(line.top, Scale(24)) << "below the waiting text's top";

    const HDC dc = GetDC(status.second);
    SendMessageW(w.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(status.second));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(dc), RGB(128, 128, 255));
    ReleaseDC(status.second, dc);
}

struct BoxSeen {
    bool found = false;
    std::wstring text;
    std::vector<std::wstring> buttons;
    bool icon = false;
};

BOOL CALLBACK ReadBoxChild(HWND child, LPARAM param) {
    auto& seen = *reinterpret_cast<BoxSeen*>(param);
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    wchar_t text[256] = {};
    GetWindowTextW(child, text, 256);
    if (_wcsicmp(className, L"Button") == 0) seen.buttons.push_back(text);
    if (_wcsicmp(className, L"Static") == 0) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            SendMessageW(child, STM_GETICON, 0, 0) != 0) {
            seen.icon = true;
        } else if (text[0]) {
            seen.text = text;
        }
    }
    return TRUE;
}

TEST_F(Win32FormRuntime, TheMessageBoxHasOkOnlyNoIconTheTitleAndKeepsTimersGoing) {
    Win32Window& w = Open({"Form1", 312, 64, true, {128, 128, 255}});
    std::atomic<int> ticks = 0;
    w.AddTimer("Tim01", 20, [&] { ++ticks; });
    w.Show();

    BoxSeen seen;
    std::atomic<int> ticksWhileOpen = 0;
    std::thread user([&] {
        HWND box = nullptr;
        for (int i = 0; i < 500 && !box; ++i) {
            box = FindWindowW(L"#32770", L"Zelmo CB");
            if (!box) Sleep(10);
        }
        if (!box) return;
        seen.found = true;
        EnumChildWindows(box, ReadBoxChild, reinterpret_cast<LPARAM>(&seen));
        const int before = ticks;
        Sleep(200);
        ticksWhileOpen = ticks - before;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    forms_->Show(inventory::kListErrorMessage);
    user.join();

    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, win32::Widen(inventory::kListErrorMessage));
    EXPECT_EQ(seen.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_FALSE(seen.icon);
    EXPECT_GT(ticksWhileOpen, 0) << "the box dispatches the program's events";
}

TEST_F(Win32FormRuntime, ClosingTheActiveWindowLeavesTheActivationWithTheProgram) {
    Win32Window& splash = Open({"Form1", 312, 64, true, {128, 128, 255}});
    Win32Window& main = Open({"Zelmo CB", 246, 274, false, {192, 192, 192}});
    splash.Show();
    SetActiveWindow(splash.hwnd());
    ASSERT_EQ(GetActiveWindow(), splash.hwnd());
    splash.Close();
    EXPECT_EQ(GetActiveWindow(), main.hwnd());
    main.Show();
    EXPECT_EQ(GetActiveWindow(), main.hwnd());
}

}  // namespace
}  // namespace zelmo::platform
