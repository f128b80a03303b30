// The settings window: its controls as designed, and the wiring of their events.
#include "settings/SettingsWindow.h"

#include "platform/Application.h"
#include "platform/FormFont.h"
#include "platform/PointerPress.h"
#include "settings/ColorBox.h"
#include "settings/ItemHeight.h"
#include "settings/NumberText.h"
#include "settings/RadioGroup.h"
#include "settings/TextureBox.h"
#include "shell/MainWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

TForm2* Form2 = nullptr;

namespace {
const char* const kPrototypes[] = {
    "a*cos(sqrt(bx^2 + cz^2)+t)",
    "a*(x^2+z^2)",
    "a*(sin(x/18*pi + t)+cos(z/18*pi+ t))",
    "a*SGN(x*z)",
    "a*(sin(x/18*pi + t))^5",
    "|(a*sxn(bx*pi/16 + t)*cos(cz*pi/16 + t))|",
    "0.01*a*sh(b*i + t)*ch(c*j + t)",
};

void SetTextColor(QWidget* w, const QColor& color) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    w->setPalette(palette);
}

QLineEdit* NewEdit(QWidget* parent, int left, int top, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(left, top, 57, 21);
    return edit;
}

// A vertical slider laid out like the classic trackbar: minimum at the top, arrow
// down and Page Down move towards the maximum.
QSlider* NewTrackBar(QWidget* parent, int left, int position) {
    auto* bar = new QSlider(Qt::Vertical, parent);
    bar->setGeometry(left, 112, 25, 217);
    bar->setRange(0, 100);
    bar->setInvertedAppearance(true);
    bar->setInvertedControls(true);
    bar->setTickPosition(QSlider::TicksRight);
    bar->setTickInterval(1);
    bar->setSingleStep(1);
    bar->setPageStep(2);
    bar->setValue(position);
    return bar;
}

QLabel* NewLetter(QWidget* parent, int left, int width, const QString& letter) {
    auto* label = new QLabel(letter, parent);
    label->setGeometry(left, 128, width, 73);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(64);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetTextColor(label, QColor(0, 128, 0));
    return label;
}
}  // namespace

TForm2::TForm2() : TForm(Form1, Qt::Tool) {
    setWindowTitle(QStringLiteral("Параметры и коэффициенты"));
    setBackgroundRole(QPalette::Button);
    setFont(FormFont());
    // Beside the main window, at the design's offsets from its corner, wherever it
    // stands (on Wayland, which lets no program place its windows, where the
    // compositor puts it).
    if (Form1) move(Form1->pos() + QPoint(198, 106));
    setFixedSize(517, 373);
    BuildControls();
    AttachHandlers();
}

void TForm2::BuildControls() {
    GroupBox1 = new QGroupBox(QStringLiteral("Прототип функции"), this);
    GroupBox1->setGeometry(8, 16, 209, 57);
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setGeometry(10, 24, 189, 21);
    SetListItemHeight(ComboBox1, 13);
    for (const char* prototype : kPrototypes) ComboBox1->addItem(QString::fromUtf8(prototype));

    RadioGroup1 = new TRadioGroup(QStringLiteral("Режим"),
                                  {QStringLiteral("Пверхность"), QStringLiteral("Каркас")}, this);
    RadioGroup1->setGeometry(223, 16, 101, 57);
    RadioGroup1->setFont(FormFont());
    SetTextColor(RadioGroup1, QColor(0, 0, 128));
    RadioGroup1->SetItemIndex(0);

    GroupBox2 = new QGroupBox(QStringLiteral("Текстура (п) и цвет (к)"), this);
    GroupBox2->setGeometry(328, 16, 185, 57);
    ComboBox2 = new TTextureBox(GroupBox2);
    ComboBox2->setGeometry(10, 24, 76, 21);
    SetListItemHeight(ComboBox2, 13);
    ColorBox1 = new TColorBox(GroupBox2);
    ColorBox1->setGeometry(99, 24, 71, 22);

    // The upper bound of t is 2 pi written the way the user's locale writes numbers;
    // a fixed comma would be rejected wherever the separator is a point.
    const QString twoPi = QStringLiteral("6") + LocaleDecimalSeparator() + QStringLiteral("283185");

    TrackBar1 = NewTrackBar(this, 16, 40);
    Edit1 = NewEdit(this, 8, 88, QStringLiteral("0"));
    Edit2 = NewEdit(this, 8, 336, QStringLiteral("50"));
    Edit3 = NewEdit(this, 48, 208, QStringLiteral("20"));
    Label1 = NewLetter(this, 56, 28, QStringLiteral("a"));

    TrackBar2 = NewTrackBar(this, 136, 50);
    Edit4 = NewEdit(this, 128, 88, QStringLiteral("0"));
    Edit5 = NewEdit(this, 128, 336, QStringLiteral("2"));
    Edit6 = NewEdit(this, 168, 208, QStringLiteral("1"));
    Label2 = NewLetter(this, 176, 32, QStringLiteral("b"));

    TrackBar3 = NewTrackBar(this, 256, 50);
    Edit7 = NewEdit(this, 248, 88, QStringLiteral("0"));
    Edit8 = NewEdit(this, 248, 336, QStringLiteral("2"));
    Edit9 = NewEdit(this, 288, 208, QStringLiteral("1"));
    Label3 = NewLetter(this, 296, 28, QStringLiteral("c"));

    TrackBar4 = NewTrackBar(this, 376, 0);
    Edit10 = NewEdit(this, 368, 88, QStringLiteral("0"));
    Edit11 = NewEdit(this, 368, 336, twoPi);
    Edit12 = NewEdit(this, 408, 208, QStringLiteral("0"));
    Label4 = NewLetter(this, 416, 18, QStringLiteral("t"));

    for (QLabel* label : {Label1, Label2, Label3, Label4}) label->setFocusPolicy(Qt::NoFocus);

    QList<QWidget*> order = {ComboBox1, TrackBar1, Edit1,  Edit2,     Edit3,  TrackBar2, Edit4,
                             Edit5,     Edit6,     TrackBar3, Edit7,  Edit8, Edit9,     TrackBar4,
                             Edit10,    Edit11,    Edit12};
    for (QRadioButton* button : RadioGroup1->Buttons) order.append(button);
    order.append(ComboBox2);
    order.append(ColorBox1);
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

// Attached only once every start text, position and selection is in place, so that
// building the window runs no handler. An error in a handler is reported the way
// the application reports any event's error, before it can unwind through Qt.
void TForm2::AttachHandlers() {
    auto guarded = [](auto handler) {
        return [handler] { Application->RunGuarded(handler); };
    };
    const struct {
        QSlider* bar;
        QLineEdit* edits[3];
        void (TForm2::*handler)(QObject*);
    } columns[] = {
        {TrackBar1, {Edit1, Edit2, Edit3}, &TForm2::TrackBar1Change},
        {TrackBar2, {Edit4, Edit5, Edit6}, &TForm2::TrackBar2Change},
        {TrackBar3, {Edit7, Edit8, Edit9}, &TForm2::TrackBar3Change},
        {TrackBar4, {Edit10, Edit11, Edit12}, &TForm2::TrackBar4Change},
    };
    for (const auto& column : columns) {
        const auto handler = column.handler;
        QSlider* bar = column.bar;
        // A failed step ends the press that made it, as the error box takes the
        // release: one click, one step, one message.
        connect(bar, &QSlider::valueChanged, this, [this, handler, bar] {
            if (!Application->RunGuarded([this, handler, bar] { (this->*handler)(bar); }))
                EndPointerPress(bar);
        });
        for (QLineEdit* edit : column.edits)
            connect(edit, &QLineEdit::textChanged, this,
                    guarded([this, handler, edit] { (this->*handler)(edit); }));
    }

    connect(ComboBox1, &QComboBox::activated, this,
            guarded([this] { ComboBox1Change(ComboBox1); }));
    RadioGroup1->OnClick = guarded([this] { RadioGroup1Click(RadioGroup1); });
    ComboBox2->OnChange = guarded([this] { dxImageComboBox1Change(ComboBox2); });
    const auto colorChange = guarded([this] { ColorBox1Change(ColorBox1); });
    ColorBox1->OnChange = colorChange;
    ColorBox1->OnCloseUp = colorChange;
    ColorBox1->OnClick = colorChange;
}

void TForm2::closeEvent(QCloseEvent* e) {
    // Accepting would let Qt destroy the native window along with the close.
    e->ignore();
    hide();
}

void TForm2::FormCreate(QObject*) {
    // Selecting by position raises no change event: the main window's start values
    // already match these selections.
    const QSignalBlocker blockPrototypes(ComboBox1);
    const QSignalBlocker blockTextures(ComboBox2);
    ComboBox1->setCurrentIndex(0);
    for (int k = 1; k <= Form1->NextTexNumber - 1; ++k) ComboBox2->addItem(QString::number(k));
    if (ComboBox2->count() > 0) ComboBox2->setCurrentIndex(0);
}
