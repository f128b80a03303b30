// The main window's context menu: spin and phase as one radio group that may
// also be all off, and the settings window's opener.
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"

#include "platform/GlView.h"

#include <QAction>
#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>
#include <functional>

namespace {
// Qt flips a checkable menu item before it reports the click, while the click
// handlers flip the mark themselves: hand them the item as it was.
void ConnectClick(QAction* item, std::function<void()> handler) {
    QObject::connect(item, &QAction::triggered, item, [item, handler](bool checked) {
        if (item->isCheckable()) item->setChecked(!checked);
        handler();
    });
}

// The keyboard goes to the main window, not to the GL window inside it, so the
// menu key is caught here, from whichever child has the focus, and opens the menu
// at the top-left corner of the picture.
class MenuKeyFilter : public QObject {
public:
    explicit MenuKeyFilter(TForm1* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == form_ && e->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(e)->key() == Qt::Key_Menu) {
            form_->PopupMenu1->popup(form_->View->mapToGlobal(QPoint(0, 0)));
            return true;
        }
        return QObject::eventFilter(watched, e);
    }

private:
    TForm1* form_;
};
}  // namespace

void TForm1::BuildPopupMenu() {
    PopupMenu1 = new QMenu(this);
    rot = PopupMenu1->addAction(QStringLiteral("Вращение"));
    N1 = PopupMenu1->addAction(QStringLiteral("Анимация периода"));
    N2 = PopupMenu1->addSeparator();
    N3 = PopupMenu1->addAction(QStringLiteral("Настройка..."));
    auto* radio = new QActionGroup(this);
    radio->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (QAction* item : {rot, N1}) {
        item->setCheckable(true);
        radio->addAction(item);
    }
    ConnectClick(rot, [this] { rotClick(rot); });
    ConnectClick(N1, [this] { N1Click(N1); });
    ConnectClick(N3, [this] { N3Click(N3); });
    installEventFilter(new MenuKeyFilter(this));
}

void TForm1::rotClick(QObject*) { rot->setChecked(!rot->isChecked()); }

void TForm1::N1Click(QObject*) { N1->setChecked(!N1->isChecked()); }

void TForm1::N3Click(QObject*) {
    Form2->show();
    Form2->raise();
    Form2->activateWindow();
}
