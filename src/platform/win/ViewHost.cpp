// Wine, where the Windows build is tested, shows nothing that GL draws into a
// child window (its copy into the parent never reaches the screen), while a
// top-level window without children shows it. So the view is a window of its
// own: a frameless tool window owned by the form, held over the form's client
// area and never activated, so that the keyboard stays with the form. The
// frames-per-second box is such a window too: as the view's child it would make
// the view a parent, and black again.
#include "platform/ViewHost.h"

#include "platform/GlView.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QWidget>
#include <QWindow>

namespace {
constexpr Qt::WindowFlags kOwnedWindow =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;

// Stands where the picture goes and keeps the view's window on it.
class ViewAnchor : public QWidget {
public:
    ViewAnchor(GlView* view, QWidget* form) : QWidget(form), view_(view), form_(form) {
        setFocusPolicy(Qt::StrongFocus);
        view_->setFlags(kOwnedWindow);
        form_->installEventFilter(this);
        view_->installEventFilter(this);
    }
    ~ViewAnchor() override { delete view_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == view_) {
            // A click on the picture brings the form forward, as a click inside
            // any window does; the press still goes on to the view.
            if (e->type() == QEvent::MouseButtonPress && !form_->isActiveWindow()) {
                form_->raise();
                form_->activateWindow();
            }
            return false;
        }
        switch (e->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide:
            case QEvent::WindowStateChange:
            case QEvent::WindowActivate:
                FollowSoon();
                break;
            default:
                break;
        }
        return false;
    }
    void moveEvent(QMoveEvent*) override { FollowSoon(); }
    void resizeEvent(QResizeEvent*) override { FollowSoon(); }
    void showEvent(QShowEvent*) override { FollowSoon(); }
    void hideEvent(QHideEvent*) override { FollowSoon(); }

private:
    // The form's window is shown, moved and raised after its events are handled;
    // the view follows once that is done. Wine stacks a window on screen only
    // when it becomes the topmost one: the form first, then the view, then what
    // is held over the view, each raised in turn.
    void FollowSoon() {
        if (pending_) return;
        pending_ = true;
        QMetaObject::invokeMethod(this, [this] { Follow(); }, Qt::QueuedConnection);
    }

    void Follow() {
        pending_ = false;
        QWindow* owner = form_->windowHandle();
        if (!isVisible() || !owner || !owner->isVisible() || form_->isMinimized()) {
            view_->hide();
            return;
        }
        view_->setTransientParent(owner);
        view_->setGeometry(QRect(mapToGlobal(QPoint(0, 0)), size()));
        view_->show();
        view_->raise();
        for (QWindow* w : QGuiApplication::topLevelWindows())
            if (w != view_ && w->transientParent() == owner && w->isVisible() &&
                (w->flags() & kOwnedWindow) == kOwnedWindow)
                w->raise();
    }

    GlView* view_;
    QWidget* form_;
    bool pending_ = false;
};
}  // namespace

QWidget* HostView(GlView* view, QWidget* form) { return new ViewAnchor(view, form); }

void HoldOverView(QWidget* box, GlView* view, const QPoint& at) {
    if (!view->handle() || (box->windowFlags() & kOwnedWindow) == kOwnedWindow) return;
    box->setWindowFlags(box->windowFlags() | kOwnedWindow);
    box->winId();
    // Owned by the form, as the view is; shown after the view, so above it.
    auto follow = [box, view, at] {
        if (!view->isVisible()) {
            box->hide();
            return;
        }
        box->windowHandle()->setTransientParent(view->transientParent());
        box->move(view->position() + at);
        box->show();
    };
    QObject::connect(view, &QWindow::xChanged, box, follow);
    QObject::connect(view, &QWindow::yChanged, box, follow);
    QObject::connect(view, &QWindow::visibleChanged, box, follow);
    follow();
}
