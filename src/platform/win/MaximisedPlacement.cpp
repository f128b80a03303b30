#include "platform/MaximisedPlacement.h"

// Windows maximises a window with its frame beyond the screen's edges, so that
// its client area covers the work area. On every maximisation Qt 6.8 then writes
// the window's placement back (GetWindowPlacement, SetWindowPlacement; see
// QWindowsWindow::handleWindowStateChange). Where the maximised position that
// write-back applies is not where the window was maximised, as under Wine, the
// window moves by its frame without resizing: its caption comes back onto the
// screen and the client area's lower edge leaves it. Once such a move is done, the
// window is moved back to where Windows maximises it, as a move of its own, so
// that Qt sees it and places the window's native children by it. On Windows
// itself a maximised window's client area always lies on the work area's edges,
// and nothing is moved.
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>

#include <windows.h>

namespace {
// How far the client area of a maximised top-level window lies from the work
// area's lower-left corner; (0, 0) where it is in place.
POINT Misplacement(HWND hwnd) {
    POINT offset = {0, 0};
    if (!IsWindow(hwnd) || !IsZoomed(hwnd) || (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD))
        return offset;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    RECT client = {};
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !GetClientRect(hwnd, &client))
        return offset;
    POINT lowerLeft = {client.left, client.bottom};
    ClientToScreen(hwnd, &lowerLeft);
    offset.x = monitor.rcWork.left - lowerLeft.x;
    offset.y = monitor.rcWork.bottom - lowerLeft.y;
    return offset;
}

void MoveBackInPlace(HWND hwnd) {
    const POINT offset = Misplacement(hwnd);
    RECT frame = {};
    if ((offset.x == 0 && offset.y == 0) || !GetWindowRect(hwnd, &frame)) return;
    SetWindowPos(hwnd, nullptr, frame.left + offset.x, frame.top + offset.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

class MaximisedPlacementGuard : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "windows_generic_MSG") return false;
        const auto* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_WINDOWPOSCHANGED) return false;
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(msg->lParam);
        // Only a move that kept the size, as the write-back's does: a resize is
        // Windows' own maximisation, and answering it could start a tug of war.
        if ((pos->flags & SWP_NOMOVE) || !(pos->flags & SWP_NOSIZE)) return false;
        const POINT offset = Misplacement(msg->hwnd);
        // After the message, once Qt has taken the move in.
        if (offset.x != 0 || offset.y != 0) {
            const HWND hwnd = msg->hwnd;
            QTimer::singleShot(0, [hwnd] { MoveBackInPlace(hwnd); });
        }
        return false;
    }
};
}  // namespace

void KeepMaximisedWindowsInPlace() {
    static MaximisedPlacementGuard* guard = nullptr;
    if (guard || !QCoreApplication::instance()) return;
    guard = new MaximisedPlacementGuard;
    QCoreApplication::instance()->installNativeEventFilter(guard);
}
