// The settings window as designed: frame, controls, start values, fonts, focus order.
#include "settings/ColorBox.h"
#include "settings/RadioGroup.h"
#include "settings/TextureBox.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/OwnWindows.h"
#include "support/Viewer.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QTest>

using SettingsLayoutTest = ViewerTest;

namespace {
void ExpectPlaced(QWidget* w, QWidget* parent, int left, int top, int width, int height) {
    SCOPED_TRACE(w->metaObject()->className());
    EXPECT_EQ(w->parentWidget(), parent);
    EXPECT_EQ(w->geometry(), QRect(left, top, width, height));
}

struct Column {
    QSlider* bar;
    QLineEdit* lower;
    QLineEdit* upper;
    QLineEdit* value;
    QLabel* letter;
    int left;
    int position;
    const char* lowerText;
    const char* upperText;
    const char* valueText;
    int letterWidth;
    const char* letterText;
};

std::vector<Column> Columns() {
    TForm2& f = *Form2;
    return {
        {f.TrackBar1, f.Edit1, f.Edit2, f.Edit3, f.Label1, 0, 40, "0", "50", "20", 28, "a"},
        {f.TrackBar2, f.Edit4, f.Edit5, f.Edit6, f.Label2, 120, 50, "0", "2", "1", 32, "b"},
        {f.TrackBar3, f.Edit7, f.Edit8, f.Edit9, f.Label3, 240, 50, "0", "2", "1", 28, "c"},
        {f.TrackBar4, f.Edit10, f.Edit11, f.Edit12, f.Label4, 360, 0, "0", nullptr, "0", 18, "t"},
    };
}
}  // namespace

TEST_F(SettingsLayoutTest, WindowIsAFixedHiddenToolWindow) {
    TForm2& f = *Form2;
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Параметры и коэффициенты"));
    EXPECT_EQ(f.windowType(), Qt::Tool);
    EXPECT_EQ(f.parentWidget(), Form1);
    EXPECT_EQ(f.size(), QSize(517, 373));
    EXPECT_EQ(f.minimumSize(), QSize(517, 373));
    EXPECT_EQ(f.maximumSize(), QSize(517, 373));
    EXPECT_EQ(f.pos(), QPoint(198, 106));
    EXPECT_EQ(f.backgroundRole(), QPalette::Button);
    EXPECT_EQ(f.font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(f.font().pixelSize(), 11);

    // Closing only hides it; the controls keep what the user left in them.
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.TrackBar2->setValue(10);
    const QString shown = f.Edit6->text();
    const WId native = f.winId();
    f.close();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(Form1->isVisible());
    Form1->N3->trigger();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.winId(), native);
    // Opened again while shown under the main window, it comes to the front.
    const QPoint middle = f.geometry().center();
    Form1->raise();
    ASSERT_TRUE(WaitUntil([&] { return QApplication::topLevelAt(middle) == Form1; }));
    Form1->N3->trigger();
    EXPECT_TRUE(WaitUntil([&] { return QApplication::topLevelAt(middle) == &f; }));
    EXPECT_EQ(f.TrackBar2->value(), 10);
    EXPECT_EQ(f.Edit6->text(), shown);
    EXPECT_EQ(Form1->CoefB, 0.2f);
}

TEST_F(SettingsLayoutTest, GroupsAndListsStandWhereDesigned) {
    TForm2& f = *Form2;
    ExpectPlaced(f.GroupBox1, &f, 8, 16, 209, 57);
    ExpectPlaced(f.ComboBox1, f.GroupBox1, 10, 24, 189, 21);
    ExpectPlaced(f.RadioGroup1, &f, 223, 16, 101, 57);
    ExpectPlaced(f.GroupBox2, &f, 328, 16, 185, 57);
    ExpectPlaced(f.ComboBox2, f.GroupBox2, 10, 24, 76, 21);
    ExpectPlaced(f.ColorBox1, f.GroupBox2, 99, 24, 71, 22);
    EXPECT_EQ(f.GroupBox1->title(), QStringLiteral("Прототип функции"));
    EXPECT_EQ(f.GroupBox2->title(), QStringLiteral("Текстура (п) и цвет (к)"));
    EXPECT_EQ(f.RadioGroup1->title(), QStringLiteral("Режим"));

    const QStringList prototypes = {
        QStringLiteral("a*cos(sqrt(bx^2 + cz^2)+t)"),
        QStringLiteral("a*(x^2+z^2)"),
        QStringLiteral("a*(sin(x/18*pi + t)+cos(z/18*pi+ t))"),
        QStringLiteral("a*SGN(x*z)"),
        QStringLiteral("a*(sin(x/18*pi + t))^5"),
        QStringLiteral("|(a*sxn(bx*pi/16 + t)*cos(cz*pi/16 + t))|"),
        QStringLiteral("0.01*a*sh(b*i + t)*ch(c*j + t)"),
    };
    ASSERT_EQ(f.ComboBox1->count(), prototypes.size());
    for (int i = 0; i < prototypes.size(); ++i) EXPECT_EQ(f.ComboBox1->itemText(i), prototypes[i]);
    EXPECT_EQ(f.ComboBox1->currentIndex(), 0);
    EXPECT_FALSE(f.ComboBox1->isEditable());
    EXPECT_TRUE(f.ComboBox2->isEditable());
    EXPECT_FALSE(f.ColorBox1->isEditable());
    // The open list's rows have the designed heights.
    const QModelIndex first = f.ComboBox1->model()->index(0, 0);
    EXPECT_EQ(f.ComboBox1->itemDelegate()->sizeHint(QStyleOptionViewItem(), first).height(), 13);
    EXPECT_EQ(f.ColorBox1->itemDelegate()
                  ->sizeHint(QStyleOptionViewItem(), f.ColorBox1->model()->index(0, 0))
                  .height(),
              16);

    ASSERT_EQ(f.RadioGroup1->Buttons.size(), 2);
    EXPECT_EQ(f.RadioGroup1->Buttons[0]->text(), QStringLiteral("Пверхность"));
    EXPECT_EQ(f.RadioGroup1->Buttons[1]->text(), QStringLiteral("Каркас"));
    EXPECT_EQ(f.RadioGroup1->ItemIndex(), 0);
    for (QWidget* w : {static_cast<QWidget*>(f.RadioGroup1), static_cast<QWidget*>(f.RadioGroup1->Buttons[1])}) {
        EXPECT_EQ(w->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        EXPECT_EQ(w->font().family(), QStringLiteral("MS Sans Serif"));
        EXPECT_EQ(w->font().pixelSize(), 11);
    }
    // Every radio button lies inside the group, below its caption.
    for (QRadioButton* b : f.RadioGroup1->Buttons) {
        EXPECT_TRUE(f.RadioGroup1->rect().contains(b->geometry()));
        EXPECT_GE(b->y(), 12);
    }
}

TEST_F(SettingsLayoutTest, ColumnsStandWhereDesignedWithTheirStartValues) {
    TForm2& f = *Form2;
    for (const Column& c : Columns()) {
        SCOPED_TRACE(c.letterText);
        ExpectPlaced(c.bar, &f, 16 + c.left, 112, 25, 217);
        ExpectPlaced(c.lower, &f, 8 + c.left, 88, 57, 21);
        ExpectPlaced(c.upper, &f, 8 + c.left, 336, 57, 21);
        ExpectPlaced(c.value, &f, 48 + c.left, 208, 57, 21);
        ExpectPlaced(c.letter, &f, 56 + c.left, 128, c.letterWidth, 73);

        EXPECT_EQ(c.bar->orientation(), Qt::Vertical);
        EXPECT_EQ(c.bar->minimum(), 0);
        EXPECT_EQ(c.bar->maximum(), 100);
        EXPECT_EQ(c.bar->value(), c.position);
        EXPECT_EQ(c.bar->tickPosition(), QSlider::TicksRight);
        EXPECT_EQ(c.bar->tickInterval(), 1);
        EXPECT_EQ(c.bar->singleStep(), 1);
        EXPECT_EQ(c.bar->pageStep(), 2);

        EXPECT_EQ(c.lower->text(), QString::fromLatin1(c.lowerText));
        if (c.upperText) {
            EXPECT_EQ(c.upper->text(), QString::fromLatin1(c.upperText));
        }
        EXPECT_EQ(c.value->text(), QString::fromLatin1(c.valueText));
        for (QLineEdit* e : {c.lower, c.upper, c.value}) EXPECT_FALSE(e->isReadOnly());

        EXPECT_EQ(c.letter->text(), QString::fromLatin1(c.letterText));
        EXPECT_EQ(c.letter->font().family(), QStringLiteral("Times New Roman"));
        EXPECT_EQ(c.letter->font().pixelSize(), 64);
        EXPECT_FALSE(c.letter->font().bold());
        EXPECT_FALSE(c.letter->font().italic());
        EXPECT_EQ(c.letter->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        EXPECT_FALSE(c.letter->autoFillBackground());
    }
    // The start texts agree with the coefficients the main window starts with, and no
    // handler ran while the window was built.
    EXPECT_EQ(Form1->CoefA, 20.0f);
    EXPECT_EQ(Form1->CoefB, 1.0f);
    EXPECT_EQ(Form1->CoefC, 1.0f);
    EXPECT_EQ(Form1->CoefT, 0.0f);
    EXPECT_EQ(Form1->TexNumber, 1);
    EXPECT_EQ(Form1->WireColor.G, 64);
    EXPECT_TRUE(ShownMessages().empty());
}

// The mean row of the pixels in which the picture `a` differs from both `b` and `c`:
// where a's handle is drawn when the three show the handle at three places.
static double OwnRows(const QImage& a, const QImage& b, const QImage& c) {
    double sum = 0;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && a.pixel(x, y) != c.pixel(x, y)) {
                sum += y;
                ++n;
            }
    return n ? sum / n : -1;
}

TEST_F(SettingsLayoutTest, MinimumStandsAtTheTopOfEachSlider) {
    TForm2& f = *Form2;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    for (QSlider* bar : {f.TrackBar1, f.TrackBar2, f.TrackBar3, f.TrackBar4}) {
        bar->setValue(0);
        const QImage top = bar->grab().toImage();
        bar->setValue(50);
        const QImage middle = bar->grab().toImage();
        bar->setValue(100);
        const QImage bottom = bar->grab().toImage();
        const double h = bar->height();
        EXPECT_LT(OwnRows(top, middle, bottom), h / 4);
        EXPECT_GT(OwnRows(bottom, middle, top), h * 3 / 4);
        EXPECT_NEAR(OwnRows(middle, top, bottom), h / 2, h / 8);
    }
    // Arrow down and Page Down move downwards, towards the maximum, like the handle.
    f.TrackBar1->setValue(40);
    f.TrackBar1->setFocus();
    QTest::keyClick(f.TrackBar1, Qt::Key_Down);
    EXPECT_EQ(f.TrackBar1->value(), 41);
    QTest::keyClick(f.TrackBar1, Qt::Key_PageDown);
    EXPECT_EQ(f.TrackBar1->value(), 43);
    QTest::keyClick(f.TrackBar1, Qt::Key_Up);
    EXPECT_EQ(f.TrackBar1->value(), 42);
    QTest::keyClick(f.TrackBar1, Qt::Key_PageUp);
    EXPECT_EQ(f.TrackBar1->value(), 40);
}

TEST_F(SettingsLayoutTest, ColorChooserOffersTwentyOneEntries) {
    const TColorBox& box = *Form2->ColorBox1;
    struct Entry {
        const char* name;
        QColor color;
    };
    const Entry entries[] = {
        {"Custom...", QColor(0, 0, 0)},       {"Black", QColor(0, 0, 0)},
        {"Maroon", QColor(128, 0, 0)},        {"Green", QColor(0, 128, 0)},
        {"Olive", QColor(128, 128, 0)},       {"Navy", QColor(0, 0, 128)},
        {"Purple", QColor(128, 0, 128)},      {"Teal", QColor(0, 128, 128)},
        {"Gray", QColor(128, 128, 128)},      {"Silver", QColor(192, 192, 192)},
        {"Red", QColor(255, 0, 0)},           {"Lime", QColor(0, 255, 0)},
        {"Yellow", QColor(255, 255, 0)},      {"Blue", QColor(0, 0, 255)},
        {"Fuchsia", QColor(255, 0, 255)},     {"Aqua", QColor(0, 255, 255)},
        {"White", QColor(255, 255, 255)},     {"Money Green", QColor(192, 220, 192)},
        {"Sky Blue", QColor(166, 202, 240)},  {"Cream", QColor(255, 251, 240)},
        {"Med Gray", QColor(160, 160, 164)},
    };
    ASSERT_EQ(box.count(), 21);
    for (int i = 0; i < box.count(); ++i) {
        SCOPED_TRACE(entries[i].name);
        EXPECT_EQ(box.itemText(i), QString::fromLatin1(entries[i].name));
        EXPECT_EQ(box.EntryColor(i), entries[i].color);
        // Each entry shows a swatch of its own colour, filling the place the box
        // gives it.
        const QImage swatch = box.itemIcon(i).pixmap(box.iconSize()).toImage();
        EXPECT_TRUE(swatch.size() == box.iconSize())
            << "a swatch of " << swatch.width() << " px in a place of " << box.iconSize().width();
        EXPECT_EQ(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), entries[i].color);
        // framed in black on all four sides
        const int right = swatch.width() - 1, bottom = swatch.height() - 1;
        for (const QPoint& edge : {QPoint(0, bottom / 2), QPoint(right, bottom / 2), QPoint(right / 2, 0),
                                   QPoint(right / 2, bottom)})
            EXPECT_EQ(swatch.pixelColor(edge), QColor(Qt::black)) << edge.x() << ", " << edge.y();
    }
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(box.Selected(), 0u);
}

TEST_F(SettingsLayoutTest, TabWalksTheControlsInDesignedOrder) {
    TForm2& f = *Form2;
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.ComboBox1->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == f.ComboBox1; }, 2000));

    const std::vector<QWidget*> expected = {
        f.ComboBox1, f.TrackBar1, f.Edit1,  f.Edit2,  f.Edit3,   f.TrackBar2, f.Edit4,
        f.Edit5,     f.Edit6,     f.TrackBar3, f.Edit7, f.Edit8, f.Edit9,     f.TrackBar4,
        f.Edit10,    f.Edit11,    f.Edit12, f.RadioGroup1->Buttons[0], f.ComboBox2, f.ColorBox1,
        f.ComboBox1,
    };
    std::vector<QWidget*> walked = {QApplication::focusWidget()};
    for (std::size_t i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(walked, expected);
    // None of the handlers ran on the way.
    EXPECT_EQ(Form1->CoefA, 20.0f);
    EXPECT_EQ(Form1->FuncIndex, 0);
}

// A dark desktop leaves the windows as under the light scheme, navy and green on the
// light button face. Under GTK's theme, whose Adwaita has a dark variant.
TEST_F(SettingsLayoutTest, DarkDesktopLeavesTheWindowsAsUnderTheLightOne) {
    if (SaveOwnWindowsWhenAsked()) {
        QFile maps(QStringLiteral("/proc/self/maps"));
        ASSERT_TRUE(maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libqgtk3.so"))
            << "GTK's platform theme is not loaded";
        return;
    }
    // This run has no platform theme: Qt's light palette is the one its Fusion style gives.
    EXPECT_EQ(QApplication::palette(), QApplication::style()->standardPalette());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QStringLiteral("gtk3"));
    env.insert(QStringLiteral("GTK_THEME"), QStringLiteral("Adwaita"));
    const QImage light = OwnWindowsIn(env);
    env.insert(QStringLiteral("GTK_THEME"), QStringLiteral("Adwaita:dark"));
    const QImage dark = OwnWindowsIn(env);
    ASSERT_FALSE(light.isNull());
    EXPECT_EQ(DifferingPixels(light, dark), 0) << "of " << light.width() * light.height() << " pixels";
}
