#include "PointerPress.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QWidget>

void EndPointerPress(QWidget* control) {
    const QPointF global = QCursor::pos();
    const QPointF local = control->mapFromGlobal(global);
    // Posted, not sent: it must arrive after the press handler that is running.
    // With no button left down, the control ends whatever press it still has.
    QCoreApplication::postEvent(control, new QMouseEvent(QEvent::MouseButtonRelease, local, global,
                                                         Qt::LeftButton, Qt::NoButton,
                                                         Qt::NoModifier));
}
