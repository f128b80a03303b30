// The four coefficient columns: slider position between the two bounds.
#include "settings/SettingsWindow.h"

#include "settings/NumberText.h"
#include "shell/MainWindow.h"

#include <QLineEdit>
#include <QSlider>

double TForm2::TextToNum(const QString& text) {
    if (text.isEmpty()) return 0;
    return StrToFloat(text);
}

void TForm2::ColumnChange(QSlider* bar, QLineEdit* lower, QLineEdit* upper, QLineEdit* value,
                          float& coefficient) {
    // The upper bound first: when both are wrong, the message names the upper one.
    const double u = TextToNum(upper->text());
    const double l = TextToNum(lower->text());
    const double d = ((u - l) * bar->value()) * 0.01;
    coefficient = static_cast<float>(l + d);
    // Setting the same text again raises no change event: that ends the re-entry
    // that the value edit's own change event starts.
    const QString shown = FloatToStr(coefficient);
    if (value->text() != shown) {
        value->setText(shown);
        // Shown from its first digit, as a freshly set edit is.
        value->setCursorPosition(0);
    }
}

void TForm2::TrackBar1Change(QObject*) { ColumnChange(TrackBar1, Edit1, Edit2, Edit3, Form1->CoefA); }

void TForm2::TrackBar2Change(QObject*) { ColumnChange(TrackBar2, Edit4, Edit5, Edit6, Form1->CoefB); }

void TForm2::TrackBar3Change(QObject*) { ColumnChange(TrackBar3, Edit7, Edit8, Edit9, Form1->CoefC); }

void TForm2::TrackBar4Change(QObject*) {
    ColumnChange(TrackBar4, Edit10, Edit11, Edit12, Form1->CoefT);
}
