#include "KeyState.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QObject>

namespace {
struct KeyInfo {
    bool down = false;
    bool pressedSinceQuery = false;
};
KeyInfo up, down;

KeyInfo* Slot(int qtKey) {
    if (qtKey == Qt::Key_Up) return &up;
    if (qtKey == Qt::Key_Down) return &down;
    return nullptr;
}

class KeyWatcher : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
            case QEvent::KeyPress:
            case QEvent::ShortcutOverride: {
                auto* k = static_cast<QKeyEvent*>(e);
                if (KeyInfo* s = Slot(k->key())) {
                    s->down = true;
                    s->pressedSinceQuery = true;
                }
                break;
            }
            case QEvent::KeyRelease: {
                auto* k = static_cast<QKeyEvent*>(e);
                if (KeyInfo* s = Slot(k->key()); s && !k->isAutoRepeat()) s->down = false;
                break;
            }
            case QEvent::ApplicationDeactivate:
                // A key released while another program had the focus would stay held.
                up.down = down.down = false;
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, e);
    }
};
}  // namespace

void InstallKeyStateWatcher() {
    static KeyWatcher* watcher = nullptr;
    if (watcher || !QCoreApplication::instance()) return;
    watcher = new KeyWatcher;
    watcher->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watcher);
}

int16_t ProgramKeyState(ArrowKey key) {
    KeyInfo* s = key == ArrowKey::Up ? &up : &down;
    int16_t state = 0;
    if (s->down) state = static_cast<int16_t>(0x8000);
    if (s->pressedSinceQuery) state = static_cast<int16_t>(state | 1);
    s->pressedSinceQuery = false;
    return state;
}
