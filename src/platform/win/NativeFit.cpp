#include "platform/NativeFit.h"

#include <QByteArray>
#include <QWindow>

#include <windows.h>

bool nativefit::Available() { return true; }

bool nativefit::MovesViewOrParent(const QByteArray& type, void* message, WId view) {
    if (type != "windows_generic_MSG") return false;
    const auto* msg = static_cast<const MSG*>(message);
    const auto hwnd = reinterpret_cast<HWND>(view);
    return msg->message == WM_WINDOWPOSCHANGED && (msg->hwnd == hwnd || msg->hwnd == GetParent(hwnd));
}

void nativefit::Fill(WId view) {
    const auto hwnd = reinterpret_cast<HWND>(view);
    RECT outer = {}, inner = {};
    const HWND parent = GetParent(hwnd);
    if (!parent || !GetClientRect(parent, &outer) || !GetWindowRect(hwnd, &inner)) return;
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&inner), 2);
    if (inner.left == 0 && inner.top == 0 && inner.right == outer.right && inner.bottom == outer.bottom) return;
    SetWindowPos(hwnd, nullptr, 0, 0, outer.right, outer.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void ResizeToPixels(QWindow* window, QSize pixels) {
    if (!window || pixels.isEmpty()) return;
    const auto hwnd = reinterpret_cast<HWND>(window->winId());
    RECT frame = {}, client = {};
    if (!GetWindowRect(hwnd, &frame) || !GetClientRect(hwnd, &client)) return;
    SetWindowPos(hwnd, nullptr, 0, 0, pixels.width() + (frame.right - frame.left) - client.right,
                 pixels.height() + (frame.bottom - frame.top) - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}
