#include "LightScheme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleHints>

namespace {
bool IsDark(const QPalette& p) {
    return p.color(QPalette::Window).lightness() < p.color(QPalette::WindowText).lightness();
}

// The palette Qt gives where no desktop theme speaks (its generic theme and the
// Fusion style, whose light shades it derives in the same way). Qt builds it only
// while the theme's scheme is not dark, and offers no way to ask for it otherwise.
QPalette QtLightPalette() {
    const QColor window(239, 239, 239);
    const QColor dark = window.darker(150);
    const QColor mid = window.darker(130);
    const QColor shadow = dark.darker(135);
    const QColor disabledText(190, 190, 190);
    const QColor highlight(48, 140, 198);
    QPalette p(Qt::black, window, window.lighter(150), dark, mid, Qt::black, Qt::white);
    p.setBrush(QPalette::Midlight, mid.lighter(110));
    p.setBrush(QPalette::Button, window);
    p.setBrush(QPalette::Shadow, shadow);
    p.setBrush(QPalette::HighlightedText, Qt::white);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        p.setBrush(QPalette::Disabled, role, disabledText);
    p.setBrush(QPalette::Disabled, QPalette::Base, window);
    p.setBrush(QPalette::Disabled, QPalette::Dark, QColor(209, 209, 209).darker(110));
    p.setBrush(QPalette::Disabled, QPalette::Shadow, shadow.lighter(150));
    p.setBrush(QPalette::Active, QPalette::Highlight, highlight);
    p.setBrush(QPalette::Inactive, QPalette::Highlight, highlight);
    p.setBrush(QPalette::Disabled, QPalette::Highlight, QColor(145, 145, 145));
    p.setBrush(QPalette::PlaceholderText, QColor(0, 0, 0, 128));
    return p;
}
}  // namespace

// A classic program stays light under a dark desktop: Windows keeps the button face
// light under its dark app mode, and the forms' navy and green are only readable on
// it. Qt follows the scheme, so ask it for the light one where it can be asked (Qt
// 6.8; on Windows a high-contrast scheme still wins), and elsewhere, where its
// palette is still dark, take Qt's own light one.
void KeepLightScheme() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QGuiApplication::styleHints()->setColorScheme(Qt::ColorScheme::Light);
#endif
#ifndef Q_OS_WIN  // there a high-contrast scheme, which Qt leaves to the system, is the one dark palette
    if (IsDark(QGuiApplication::palette())) QApplication::setPalette(QtLightPalette());
#endif
}
