#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace zelmo::platform::win32 {

// Registers a window class of this program's module; its atom, or 0.
ATOM RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HCURSOR cursor = nullptr,
                         HICON icon = nullptr);

// For a window procedure: the object whose address CreateWindowEx was given
// as its parameter, kept with the window from WM_NCCREATE on; nullptr
// before, and after WM_NCDESTROY, when the object may be gone.
void* WindowObject(HWND hwnd, UINT message, LPARAM lParam);

}  // namespace zelmo::platform::win32
