#include "platform/NativeFit.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <windows.h>

namespace {
void Fill(HWND view) {
    RECT outer = {}, inner = {};
    const HWND parent = GetParent(view);
    if (!parent || !GetClientRect(parent, &outer) || !GetWindowRect(view, &inner)) return;
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&inner), 2);
    if (inner.left == 0 && inner.top == 0 && inner.right == outer.right && inner.bottom == outer.bottom) return;
    SetWindowPos(view, nullptr, 0, 0, outer.right, outer.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

// Whenever Qt, Windows or the user changes the view or its parent, the view is
// made to fill the parent again once the change has been taken in.
class FillGuard : public QAbstractNativeEventFilter {
public:
    QPointer<QWindow> view;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "windows_generic_MSG" || !view || !view->handle()) return false;
        const auto* msg = static_cast<const MSG*>(message);
        const auto hwnd = reinterpret_cast<HWND>(view->winId());
        if (msg->message != WM_WINDOWPOSCHANGED || (msg->hwnd != hwnd && msg->hwnd != GetParent(hwnd)))
            return false;
        QTimer::singleShot(0, view, [v = view] {
            if (v && v->handle()) Fill(reinterpret_cast<HWND>(v->winId()));
        });
        return false;
    }
};
}  // namespace

void ResizeToPixels(QWindow* window, QSize pixels) {
    if (!window || pixels.isEmpty()) return;
    const auto hwnd = reinterpret_cast<HWND>(window->winId());
    RECT frame = {}, client = {};
    if (!GetWindowRect(hwnd, &frame) || !GetClientRect(hwnd, &client)) return;
    SetWindowPos(hwnd, nullptr, 0, 0, pixels.width() + (frame.right - frame.left) - client.right,
                 pixels.height() + (frame.bottom - frame.top) - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void KeepFillingParent(QWindow* view) {
    if (!view || !QCoreApplication::instance()) return;
    // One guard for the program's one view; kept to the end, as Qt keeps its filters.
    static FillGuard* guard = nullptr;
    if (!guard) {
        guard = new FillGuard;
        QCoreApplication::instance()->installNativeEventFilter(guard);
    }
    guard->view = view;
    Fill(reinterpret_cast<HWND>(view->winId()));
}
