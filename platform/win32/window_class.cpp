#include "platform/win32/window_class.h"

namespace zelmo::platform::win32 {

ATOM RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HCURSOR cursor, HICON icon) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = cursor;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    return RegisterClassExW(&wc);
}

void* WindowObject(HWND hwnd, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    void* const object = reinterpret_cast<void*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return object;
}

}  // namespace zelmo::platform::win32
