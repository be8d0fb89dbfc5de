// The window classes of this program, and the window procedure of a window that one object of
// this program draws and answers for.
#pragma once

#include <windows.h>

namespace velbrisk::ui::win32 {

// Registers a window class of this program with the arrow cursor, once: a later call finds it
// registered. background: null for a window that paints its own.
inline void registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                HBRUSH background, HICON icon = nullptr) {
    WNDCLASSEXW registered{};
    registered.cbSize = sizeof registered;
    if (GetClassInfoExW(instance, name, &registered)) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

// For a class T with a member `HWND window_` and a member `LRESULT handle(UINT, WPARAM, LPARAM)`
// (T befriends this function): CreateWindowExW's last argument names the object, which the
// window keeps in its user data, so that every message from WM_NCCREATE on reaches the object;
// window_ is set as the window is made and null again once it is gone.
template <typename T>
LRESULT CALLBACK objectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
        static_cast<T*>(create->lpCreateParams)->window_ = window;
    }
    auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

}  // namespace velbrisk::ui::win32
