#include "LightScheme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleHints>

#ifndef Q_OS_WIN
namespace {
// The palette Qt gives where no desktop theme speaks (its generic theme and the
// Fusion style). Qt builds it only where the theme's scheme is not dark, and offers
// no way to ask for it otherwise.
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
#endif

// The forms' colours are chosen for a classic light button face: navy and green
// letters on it. Windows keeps that face light under its dark app mode, for
// classic programs, so the program asks Qt for the light scheme there (a
// high-contrast scheme still wins). On Linux a desktop's scheme reaches Qt only as
// its platform theme's palette, dark or GTK's or KDE's own colouring of the light
// one: the windows take Qt's own light palette, the one it gives where no theme
// speaks, and look the same on every desktop, in every scheme.
void KeepLightScheme() {
#ifdef Q_OS_WIN
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QGuiApplication::styleHints()->setColorScheme(Qt::ColorScheme::Light);
#endif
#else
    // Where no theme speaks Qt's palette is that one already, and stays Qt's own.
    if (const QPalette light = QtLightPalette(); QApplication::palette() != light) QApplication::setPalette(light);
#endif
}
