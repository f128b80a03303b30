#include "settings/TextureBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

TTextureBox::TTextureBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // Typed text never becomes an entry, and completion is ours, not Qt's.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(this, &QComboBox::activated, this, [this] {
        if (OnChange) OnChange();
    });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { TypedFreely(); });
}

void TTextureBox::keyPressEvent(QKeyEvent* e) {
    const QString typed = e->text();
    const bool plain = !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && typed.size() == 1 && typed.at(0).isPrint() && CompleteTyped(typed)) {
        e->accept();
        return;
    }
    QComboBox::keyPressEvent(e);
}

bool TTextureBox::CompleteTyped(const QString& typed) {
    QLineEdit* edit = lineEdit();
    const QString text = edit->text();
    const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const int length = edit->hasSelectedText() ? static_cast<int>(edit->selectedText().size()) : 0;
    const QString wanted = text.left(start) + typed + text.mid(start + length);
    for (int i = 0; i < count(); ++i) {
        const QString entry = itemText(i);
        if (!entry.startsWith(wanted, Qt::CaseInsensitive)) continue;
        {
            const QSignalBlocker blocker(this);
            setCurrentIndex(i);
        }
        edit->setText(entry);
        edit->setSelection(static_cast<int>(wanted.size()),
                           static_cast<int>(entry.size() - wanted.size()));
        if (OnChange) OnChange();
        return true;
    }
    return false;
}

void TTextureBox::TypedFreely() {
    if (currentIndex() != -1) {
        // Deselecting would clear the field: keep what the user typed.
        QLineEdit* edit = lineEdit();
        const QString text = edit->text();
        const int cursor = edit->cursorPosition();
        const QSignalBlocker blockBox(this);
        const QSignalBlocker blockEdit(edit);
        setCurrentIndex(-1);
        edit->setText(text);
        edit->setCursorPosition(cursor);
    }
    if (OnChange) OnChange();
}
