#include "platform/NativeFit.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace {
// Whenever Qt, the window system or the user changes the view or its parent, the
// view is made to fill the parent again once the change has been taken in.
class FillGuard : public QAbstractNativeEventFilter {
public:
    QPointer<QWindow> view;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (!view || !view->handle() || !nativefit::MovesViewOrParent(type, message, view->winId()))
            return false;
        QTimer::singleShot(0, view, [v = view] {
            if (v && v->handle()) nativefit::Fill(v->winId());
        });
        return false;
    }
};
}  // namespace

void KeepFillingParent(QWindow* view) {
    if (!view || !QCoreApplication::instance() || !nativefit::Available()) return;
    // One guard for the program's one view; kept to the end, as Qt keeps its filters.
    static FillGuard* guard = nullptr;
    if (!guard) {
        guard = new FillGuard;
        QCoreApplication::instance()->installNativeEventFilter(guard);
    }
    guard->view = view;
    nativefit::Fill(view->winId());
}
