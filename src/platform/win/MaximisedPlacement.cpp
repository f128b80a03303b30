#include "platform/MaximisedPlacement.h"

// Windows maximises a window with its frame beyond the screen's edges, so that
// its client area covers the work area. On every maximisation Qt 6.8 then writes
// the window's placement back (GetWindowPlacement, SetWindowPlacement; see
// QWindowsWindow::handleWindowStateChange). Where the reported maximised position
// is not where the window is, as under Wine, that moves the window by its frame
// without resizing it: the caption comes back onto the screen and the client
// area's lower edge leaves it. A maximised window moves on the same monitor for
// no reason of its own, so such a move is dropped; a move to another monitor
// goes through.
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace {
bool IsMoveWithinTheMonitor(HWND hwnd, const WINDOWPOS& pos) {
    if ((pos.flags & SWP_NOMOVE) || !(pos.flags & SWP_NOSIZE)) return false;
    RECT now = {};
    if (!GetWindowRect(hwnd, &now)) return false;
    if (now.left == pos.x && now.top == pos.y) return false;
    RECT then = now;
    OffsetRect(&then, pos.x - now.left, pos.y - now.top);
    return MonitorFromRect(&then, MONITOR_DEFAULTTONEAREST) ==
           MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
}

class MaximisedPlacementGuard : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "windows_generic_MSG") return false;
        auto* msg = static_cast<MSG*>(message);
        if (msg->message != WM_WINDOWPOSCHANGING || !IsZoomed(msg->hwnd) ||
            (GetWindowLongPtrW(msg->hwnd, GWL_STYLE) & WS_CHILD))
            return false;
        auto* pos = reinterpret_cast<WINDOWPOS*>(msg->lParam);
        if (IsMoveWithinTheMonitor(msg->hwnd, *pos)) pos->flags |= SWP_NOMOVE;
        // Qt and Windows go on with the message as it now stands.
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
