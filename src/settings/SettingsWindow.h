#pragma once
// The settings tool window: formula, coefficients, mode, texture and wire colour.
// Its handlers write straight into the main window's viewer state.
#include "platform/Form.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;
class TColorBox;
class TRadioGroup;
class TTextureBox;

class TForm2 : public TForm {
public:
    TForm2();

    void FormCreate(QObject* Sender);
    void ComboBox1Change(QObject* Sender);
    void RadioGroup1Click(QObject* Sender);
    void dxImageComboBox1Change(QObject* Sender);
    void ColorBox1Change(QObject* Sender);
    void TrackBar1Change(QObject* Sender);
    void TrackBar2Change(QObject* Sender);
    void TrackBar3Change(QObject* Sender);
    void TrackBar4Change(QObject* Sender);

    // Published components.
    QGroupBox* GroupBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    TTextureBox* ComboBox2 = nullptr;
    TColorBox* ColorBox1 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QSlider* TrackBar2 = nullptr;
    QSlider* TrackBar3 = nullptr;
    QSlider* TrackBar4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLineEdit* Edit9 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLineEdit* Edit11 = nullptr;
    QLineEdit* Edit12 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;

protected:
    // Closing only hides the window, keeping its native window for the next showing.
    void closeEvent(QCloseEvent* e) override;

private:
    // Empty text counts as 0; anything else must be a number in the user's locale.
    double TextToNum(const QString& text);
    // One run of a column handler: value = lower + (upper - lower) * position / 100.
    void ColumnChange(QSlider* bar, QLineEdit* lower, QLineEdit* upper, QLineEdit* value,
                      float& coefficient);
    void BuildControls();
    void AttachHandlers();
};

extern TForm2* Form2;
