// Formula, mode, texture and colour choices through the real controls.
#include "settings/ColorBox.h"
#include "texture/TextureFileName.h"
#include "settings/RadioGroup.h"
#include "settings/TextureBox.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/Viewer.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
class SettingsChoicesTest : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        ShowSettings();
    }

    void TearDown() override {
        ViewerTest::TearDown();
        if (!savedDir_.isEmpty()) QDir::setCurrent(savedDir_);
    }

    static void ShowSettings() {
        Form2->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form2));
    }

    // Restarts the viewer in a folder holding `count` texture files.
    void StartWithTextures(int count) {
        ASSERT_TRUE(folder_.isValid());
        QDir(folder_.path()).mkpath(QStringLiteral("Textures"));
        for (int n = 1; n <= count; ++n) {
            QImage image(64, 64, QImage::Format_RGB32);
            image.fill(QColor(n * 20, 255 - n * 20, 128));
            ASSERT_TRUE(image.save(folder_.filePath(TextureFileName(n)), "BMP"));
        }
        savedDir_ = QDir::currentPath();
        QDir::setCurrent(folder_.path());
        StopViewer();
        StartViewer();
        ShowSettings();
    }

    // Opens the list, moves to the entry and takes it with Enter, as a user does.
    static void ChooseFromList(QComboBox* box, int index) {
        box->showPopup();
        QAbstractItemView* view = box->view();
        ASSERT_TRUE(WaitUntil([view] { return view->isVisible(); }, 2000));
        view->setCurrentIndex(box->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_FALSE(view->isVisible());
    }

    static void ExpectWire(int r, int g, int b) {
        EXPECT_EQ(Form1->WireColor.R, r);
        EXPECT_EQ(Form1->WireColor.G, g);
        EXPECT_EQ(Form1->WireColor.B, b);
    }

private:
    QTemporaryDir folder_;
    QString savedDir_;
};

QStringList Entries(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}
}  // namespace

TEST_F(SettingsChoicesTest, PrototypeChoiceSetsFormulaAndTitle) {
    TForm2& f = *Form2;
    ChooseFromList(f.ComboBox1, 3);
    EXPECT_EQ(Form1->FuncIndex, 3);
    EXPECT_EQ(Form1->windowTitle(), QStringLiteral("График функции вида a*SGN(x*z)"));
    f.ComboBox1->setFocus();
    QTest::keyClick(f.ComboBox1, Qt::Key_Down);
    EXPECT_EQ(Form1->FuncIndex, 4);
    EXPECT_EQ(Form1->windowTitle(), QStringLiteral("График функции вида a*(sin(x/18*pi + t))^5"));
    ChooseFromList(f.ComboBox1, 6);
    EXPECT_EQ(Form1->FuncIndex, 6);
    EXPECT_EQ(Form1->windowTitle(), QStringLiteral("График функции вида 0.01*a*sh(b*i + t)*ch(c*j + t)"));
    ChooseFromList(f.ComboBox1, 0);
    EXPECT_EQ(Form1->FuncIndex, 0);
    EXPECT_EQ(Form1->windowTitle(), QStringLiteral("График функции вида a*cos(sqrt(bx^2 + cz^2)+t)"));
}

TEST_F(SettingsChoicesTest, ModeSwitchesPrimitiveAndLighting) {
    TForm2& f = *Form2;
    EXPECT_EQ(Form1->PrimMode, GL_QUADS);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    f.RadioGroup1->Buttons[1]->click();
    EXPECT_EQ(f.RadioGroup1->ItemIndex(), 1);
    EXPECT_EQ(Form1->PrimMode, 1);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    // The wireframe keeps showing frames with lighting off.
    ProcessEvents(50);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));

    // Arrow keys move the choice within the group.
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.RadioGroup1->Buttons[1]->setFocus();
    QTest::keyClick(f.RadioGroup1->Buttons[1], Qt::Key_Up);
    EXPECT_EQ(f.RadioGroup1->ItemIndex(), 0);
    EXPECT_EQ(Form1->PrimMode, 7);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    // Clicking the item already selected runs nothing: lighting switched off behind
    // the group's back stays off.
    glDisable(GL_LIGHTING);
    f.RadioGroup1->Buttons[0]->click();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    glEnable(GL_LIGHTING);
}

TEST_F(SettingsChoicesTest, WithoutTextureFilesTheListIsEmpty) {
    TForm2& f = *Form2;
    ASSERT_EQ(Form1->NextTexNumber, 1) << "run from a folder without Textures";
    EXPECT_EQ(f.ComboBox2->count(), 0);
    EXPECT_EQ(f.ComboBox2->currentText(), QString());
    EXPECT_EQ(Form1->TexNumber, 1);
    // Whatever is typed then selects nothing.
    f.ComboBox2->setFocus();
    QTest::keyClick(f.ComboBox2, Qt::Key_1);
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("1"));
    EXPECT_EQ(Form1->TexNumber, 0);
}

TEST_F(SettingsChoicesTest, TwelveTexturesAreListedInNumericOrder) {
    StartWithTextures(12);
    TForm2& f = *Form2;
    ASSERT_EQ(Form1->NextTexNumber, 13);
    QStringList expected;
    for (int k = 1; k <= 12; ++k) expected << QString::number(k);
    EXPECT_EQ(Entries(f.ComboBox2), expected);
    EXPECT_EQ(f.ComboBox2->currentIndex(), 0);
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("1"));
    EXPECT_EQ(Form1->TexNumber, 1);

    ChooseFromList(f.ComboBox2, 9);
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("10"));
    EXPECT_EQ(Form1->TexNumber, 10);
    f.ComboBox2->setFocus();
    QTest::keyClick(f.ComboBox2, Qt::Key_Down);
    EXPECT_EQ(Form1->TexNumber, 11);

    // Typing completes to the first entry that begins with the text.
    f.ComboBox2->lineEdit()->selectAll();
    QTest::keyClick(f.ComboBox2, Qt::Key_7);
    EXPECT_EQ(f.ComboBox2->currentIndex(), 6);
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("7"));
    EXPECT_EQ(Form1->TexNumber, 7);
    f.ComboBox2->lineEdit()->selectAll();
    QTest::keyClick(f.ComboBox2, Qt::Key_1);
    EXPECT_EQ(Form1->TexNumber, 1);
    QTest::keyClick(f.ComboBox2, Qt::Key_2);
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("12"));
    EXPECT_EQ(Form1->TexNumber, 12);
    // Text that begins no entry is kept as typed and selects nothing.
    QTest::keyClick(f.ComboBox2, Qt::Key_5);
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("125"));
    EXPECT_EQ(f.ComboBox2->currentIndex(), -1);
    EXPECT_EQ(Form1->TexNumber, 0);
    // So does deleting, even back to an entry's text.
    QTest::keyClick(f.ComboBox2, Qt::Key_Backspace);
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("12"));
    EXPECT_EQ(Form1->TexNumber, 0);
    // Enter does not make the typed text an entry.
    QTest::keyClick(f.ComboBox2, Qt::Key_Return);
    EXPECT_EQ(f.ComboBox2->count(), 12);
    ChooseFromList(f.ComboBox2, 4);
    EXPECT_EQ(Form1->TexNumber, 5);
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("5"));
}

TEST_F(SettingsChoicesTest, TypingANumberBeyondTheLoadedTexturesSelectsNone) {
    StartWithTextures(5);
    TForm2& f = *Form2;
    ASSERT_EQ(f.ComboBox2->count(), 5);
    f.ComboBox2->setFocus();
    f.ComboBox2->lineEdit()->selectAll();
    QTest::keyClick(f.ComboBox2, Qt::Key_7);
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("7"));
    EXPECT_EQ(f.ComboBox2->currentIndex(), -1);
    EXPECT_EQ(Form1->TexNumber, 0);
}

TEST_F(SettingsChoicesTest, CompletionHighlightsTheCompletedPart) {
    TTextureBox box(Form2);
    box.addItems({QStringLiteral("20"), QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("1x")});
    int changes = 0;
    box.OnChange = [&] { ++changes; };
    box.show();
    box.setFocus();
    box.lineEdit()->selectAll();
    QTest::keyClick(&box, Qt::Key_1);
    EXPECT_EQ(box.currentIndex(), 1);
    EXPECT_EQ(box.currentText(), QStringLiteral("10"));
    EXPECT_EQ(box.lineEdit()->selectedText(), QStringLiteral("0"));
    EXPECT_EQ(changes, 1);
    // The next key replaces the highlighted completion.
    QTest::keyClick(&box, Qt::Key_X);
    EXPECT_EQ(box.currentIndex(), 3);
    EXPECT_EQ(box.currentText(), QStringLiteral("1x"));
    EXPECT_FALSE(box.lineEdit()->hasSelectedText());
    EXPECT_EQ(changes, 2);
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.currentText(), QStringLiteral("1"));
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(changes, 3);
}

TEST_F(SettingsChoicesTest, ColoursAreHalvedIntoTheWireColour) {
    TForm2& f = *Form2;
    ExpectWire(0, 64, 0);
    struct Case {
        int entry;
        int r, g, b;
    };
    const Case cases[] = {
        {3, 0, 64, 0},      // Green
        {16, 127, 127, 127},  // White
        {2, 64, 0, 0},      // Maroon
        {17, 96, 110, 96},  // Money Green
        {20, 80, 80, 82},   // Med Gray
        {18, 83, 101, 120},  // Sky Blue
    };
    int dialogs = 0;
    f.ColorBox1->PickColor = [&](QColor&) {
        ++dialogs;
        return false;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        ChooseFromList(f.ColorBox1, c.entry);
        ExpectWire(c.r, c.g, c.b);
    }
    EXPECT_EQ(dialogs, 0);

    // Arrow keys walk the entries, the custom one included, without the dialog.
    f.ColorBox1->setFocus();
    QTest::keyClick(f.ColorBox1, Qt::Key_Home);
    EXPECT_EQ(f.ColorBox1->currentIndex(), 0);
    ExpectWire(0, 0, 0);
    QTest::keyClick(f.ColorBox1, Qt::Key_Down);
    QTest::keyClick(f.ColorBox1, Qt::Key_Down);
    ExpectWire(64, 0, 0);
    QTest::keyClick(f.ColorBox1, Qt::Key_Up);
    QTest::keyClick(f.ColorBox1, Qt::Key_Up);
    EXPECT_EQ(f.ColorBox1->currentIndex(), 0);
    ExpectWire(0, 0, 0);
    EXPECT_EQ(dialogs, 0);
}

TEST_F(SettingsChoicesTest, CustomEntryAsksForAColour) {
    TForm2& f = *Form2;
    QList<QColor> offered;
    QColor answer;  // invalid: Cancel
    f.ColorBox1->PickColor = [&](QColor& color) {
        offered << color;
        if (!answer.isValid()) return false;
        color = answer;
        return true;
    };

    // Cancel at the first use: the custom entry's black.
    ChooseFromList(f.ColorBox1, 3);
    ExpectWire(0, 64, 0);
    ChooseFromList(f.ColorBox1, 0);
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered[0], QColor(Qt::black));
    ExpectWire(0, 0, 0);
    EXPECT_EQ(f.ColorBox1->EntryColor(0), QColor(Qt::black));

    // OK: the entry takes the colour, and the wire follows it.
    answer = QColor(200, 100, 51);
    ChooseFromList(f.ColorBox1, 0);
    ASSERT_EQ(offered.size(), 2);
    ExpectWire(100, 50, 25);
    EXPECT_EQ(f.ColorBox1->EntryColor(0), answer);
    EXPECT_EQ(f.ColorBox1->Selected(), 200u | 100u << 8 | 51u << 16);
    const QImage swatch = f.ColorBox1->itemIcon(0).pixmap(f.ColorBox1->iconSize()).toImage();
    EXPECT_EQ(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), answer);

    // The dialog opens on the present custom colour; Cancel keeps it.
    answer = QColor();
    ChooseFromList(f.ColorBox1, 16);
    ExpectWire(127, 127, 127);
    ChooseFromList(f.ColorBox1, 0);
    ASSERT_EQ(offered.size(), 3);
    EXPECT_EQ(offered[2], QColor(200, 100, 51));
    ExpectWire(100, 50, 25);
    EXPECT_EQ(f.ColorBox1->EntryColor(0), QColor(200, 100, 51));
}
