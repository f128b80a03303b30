#include "settings/RadioGroup.h"

#include <QRadioButton>

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent) {
    for (const QString& text : items) {
        auto* button = new QRadioButton(text, this);
        Buttons.append(button);
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on && OnClick) OnClick();
        });
    }
    PlaceButtons();
}

int TRadioGroup::ItemIndex() const {
    for (int i = 0; i < Buttons.size(); ++i)
        if (Buttons[i]->isChecked()) return i;
    return -1;
}

void TRadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < Buttons.size()) Buttons[index]->setChecked(true);
}

void TRadioGroup::resizeEvent(QResizeEvent* e) {
    QGroupBox::resizeEvent(e);
    PlaceButtons();
}

// The items share the space below the caption evenly, one column.
void TRadioGroup::PlaceButtons() {
    if (Buttons.isEmpty()) return;
    const int top = 14;
    const int rowHeight = (height() - top - 4) / static_cast<int>(Buttons.size());
    for (int i = 0; i < Buttons.size(); ++i)
        Buttons[i]->setGeometry(8, top + i * rowHeight, width() - 16, rowHeight);
}
