#include "settings/ColorBox.h"

#include "settings/ItemHeight.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace {
struct NamedColor {
    const char* name;
    int r, g, b;
};

const NamedColor kColors[] = {
    {"Black", 0, 0, 0},          {"Maroon", 128, 0, 0},       {"Green", 0, 128, 0},
    {"Olive", 128, 128, 0},      {"Navy", 0, 0, 128},         {"Purple", 128, 0, 128},
    {"Teal", 0, 128, 128},       {"Gray", 128, 128, 128},     {"Silver", 192, 192, 192},
    {"Red", 255, 0, 0},          {"Lime", 0, 255, 0},         {"Yellow", 255, 255, 0},
    {"Blue", 0, 0, 255},         {"Fuchsia", 255, 0, 255},    {"Aqua", 0, 255, 255},
    {"White", 255, 255, 255},    {"Money Green", 192, 220, 192}, {"Sky Blue", 166, 202, 240},
    {"Cream", 255, 251, 240},    {"Med Gray", 160, 160, 164},
};

constexpr int kSwatch = 14;

QIcon Swatch(const QColor& color) {
    QPixmap pixmap(kSwatch, kSwatch);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, kSwatch - 1, kSwatch - 1);
    return QIcon(pixmap);
}
}  // namespace

TColorBox::TColorBox(QWidget* parent) : QComboBox(parent) {
    setIconSize(QSize(kSwatch, kSwatch));
    SetListItemHeight(this, 16);
    addItem(Swatch(Qt::black), QStringLiteral("Custom..."), QColor(Qt::black));
    for (const NamedColor& c : kColors) {
        const QColor color(c.r, c.g, c.b);
        addItem(Swatch(color), QString::fromLatin1(c.name), color);
    }
    setCurrentIndex(0);

    PickColor = [this](QColor& color) {
        QColorDialog::setCustomColor(0, color);
        const QColor chosen = QColorDialog::getColor(color, window());
        if (!chosen.isValid()) return false;
        color = chosen;
        return true;
    };
    connect(this, &QComboBox::activated, this, [this](int index) { Chosen(index); });
}

QColor TColorBox::EntryColor(int index) const { return itemData(index).value<QColor>(); }

uint32_t TColorBox::Selected() const {
    if (currentIndex() < 0) return 0;
    const QColor c = EntryColor(currentIndex());
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 |
           static_cast<uint32_t>(c.blue()) << 16;
}

void TColorBox::SetEntryColor(int index, const QColor& color) {
    setItemData(index, color);
    setItemIcon(index, Swatch(color));
}

void TColorBox::hidePopup() {
    // Qt calls this too when the box itself is hidden (the settings window closed,
    // or destroyed) with no list open: that is no close-up, and must not copy the
    // entry's colour into the wire colour.
    const bool wasOpen = view() && view()->isVisible();
    QComboBox::hidePopup();
    if (!wasOpen) return;
    listSelected_ = true;
    if (OnCloseUp) OnCloseUp();
}

void TColorBox::keyPressEvent(QKeyEvent* e) {
    listSelected_ = false;
    QComboBox::keyPressEvent(e);
}

void TColorBox::wheelEvent(QWheelEvent* e) {
    listSelected_ = false;
    QComboBox::wheelEvent(e);
}

void TColorBox::Chosen(int index) {
    const bool fromList = listSelected_;
    listSelected_ = false;
    if (OnClick) OnClick();
    if (fromList && index == 0) {
        QColor color = EntryColor(0);
        if (!PickColor || !PickColor(color)) return;
        SetEntryColor(0, color);
    }
    if (OnChange) OnChange();
}
