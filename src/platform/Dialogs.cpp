#include "Dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}
}  // namespace

void SetMessageSink(MessageSink sink) { Sink() = std::move(sink); }

void ShowMessage(const QString& text) {
    const QString title = QApplication::applicationDisplayName();
    if (Sink()) {
        Sink()({title, text, MessageKind::Information});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    box.exec();
}

void ShowErrorBox(const QString& title, const QString& text) {
    if (Sink()) {
        Sink()({title, text, MessageKind::Error});
        return;
    }
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
    box.exec();
}
