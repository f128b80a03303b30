// The coefficient columns driven through their real controls, in a comma and in a
// point locale.
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/Viewer.h"

#include <QLineEdit>
#include <QLocale>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

namespace {
// Restarts the viewer under `locale`: the window writes its default bounds in the
// locale it is created in.
class SettingsCoefficientsTest : public ViewerTest {
protected:
    void UseLocale(const QLocale& locale) {
        QLocale::setDefault(locale);
        StopViewer();
        StartViewer();
        Form2->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form2));
    }
    void UseComma() { UseLocale(QLocale(QLocale::Russian)); }
    void UsePoint() { UseLocale(QLocale::c()); }

    void TearDown() override {
        ViewerTest::TearDown();
        QLocale::setDefault(saved_);
    }

    // Replaces the edit's text the way a user does: select all, type.
    static void Retype(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }

    // A point on the slider's groove near its far end. Only the groove pages on
    // Qt 6.4; it is narrower than the slider, and where it lies is the style's say.
    static QPoint NearTheEndOfTheGroove(QSlider* bar) {
        QStyleOptionSlider opt;
        opt.initFrom(bar);
        opt.orientation = bar->orientation();
        opt.tickPosition = bar->tickPosition();
        const QRect groove =
            bar->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, bar);
        return {groove.center().x(), groove.bottom() - 4};
    }

    static QString Rejected(const QString& text) {
        return QStringLiteral("'%1' is not a valid floating point value.").arg(text);
    }

private:
    QLocale saved_;
};
}  // namespace

TEST_F(SettingsCoefficientsTest, SlidersSetCoefficientsAndValueEditsInCommaLocale) {
    UseComma();
    TForm2& f = *Form2;
    EXPECT_EQ(f.Edit11->text(), QStringLiteral("6,283185"));

    f.TrackBar1->setFocus();
    QTest::keyClick(f.TrackBar1, Qt::Key_Down);
    EXPECT_EQ(Form1->CoefA, 20.5f);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("20,5"));
    f.TrackBar1->setValue(100);
    EXPECT_EQ(Form1->CoefA, 50.0f);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("50"));
    f.TrackBar1->setValue(0);
    EXPECT_EQ(Form1->CoefA, 0.0f);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("0"));

    f.TrackBar2->setValue(33);
    EXPECT_EQ(Form1->CoefB, 0.66f);
    EXPECT_EQ(f.Edit6->text(), QStringLiteral("0,660000026226044"));
    // A value wider than its edit, left scrolled to its end, is shown from its first
    // digit once the slider sets the next one.
    f.Edit6->end(false);
    f.Edit6->grab();  // painted: the edit scrolls when it paints
    f.TrackBar2->setValue(34);
    const QImage shown = f.Edit6->grab().toImage();
    f.Edit6->home(false);
    EXPECT_TRUE(shown == f.Edit6->grab().toImage()) << "the value shows cut at its start";
    f.TrackBar3->setValue(1);
    EXPECT_EQ(Form1->CoefC, 0.02f);
    EXPECT_EQ(f.Edit9->text(), QStringLiteral("0,0199999995529652"));

    f.TrackBar4->setValue(100);
    EXPECT_EQ(Form1->CoefT, 6.283185f);
    EXPECT_EQ(f.Edit12->text(), QStringLiteral("6,28318500518799"));
    f.TrackBar4->setValue(50);
    EXPECT_EQ(Form1->CoefT, 3.1415925f);
    EXPECT_EQ(f.Edit12->text(), QStringLiteral("3,14159250259399"));
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(SettingsCoefficientsTest, DefaultBoundOfTReadsInPointLocale) {
    UsePoint();
    TForm2& f = *Form2;
    EXPECT_EQ(f.Edit11->text(), QStringLiteral("6.283185"));
    f.TrackBar4->setValue(100);
    EXPECT_EQ(Form1->CoefT, 6.283185f);
    EXPECT_EQ(f.Edit12->text(), QStringLiteral("6.28318500518799"));
    f.TrackBar1->setValue(41);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("20.5"));
    EXPECT_TRUE(ShownMessages().empty());

    // The comma is no separator here.
    f.Edit11->setText(QStringLiteral("6,283185"));
    ASSERT_EQ(ShownMessages().size(), 1u);
    EXPECT_EQ(ShownMessages().back().text, Rejected(QStringLiteral("6,283185")));
    EXPECT_EQ(Form1->CoefT, 6.283185f);
}

TEST_F(SettingsCoefficientsTest, BoundsRecomputeWithoutTouchingTheSlider) {
    UseComma();
    TForm2& f = *Form2;
    Retype(f.Edit2, QStringLiteral("100"));
    EXPECT_EQ(f.TrackBar1->value(), 40);
    EXPECT_EQ(Form1->CoefA, 40.0f);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("40"));

    // A lower bound above the upper: the coefficient falls as the slider goes down.
    Retype(f.Edit1, QStringLiteral("160"));
    EXPECT_EQ(Form1->CoefA, 136.0f);
    f.TrackBar1->setValue(60);
    EXPECT_EQ(Form1->CoefA, 124.0f);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("124"));

    // Equal bounds fix the value whatever the position.
    Retype(f.Edit1, QStringLiteral("7,5"));
    Retype(f.Edit2, QStringLiteral("7,5"));
    for (int p : {0, 13, 100}) {
        f.TrackBar1->setValue(p);
        EXPECT_EQ(Form1->CoefA, 7.5f);
        EXPECT_EQ(f.Edit3->text(), QStringLiteral("7,5"));
    }

    // Accepted forms of a bound.
    f.Edit5->setText(QStringLiteral("1,5E2"));
    EXPECT_EQ(Form1->CoefB, 75.0f);
    Retype(f.Edit4, QStringLiteral(","));
    EXPECT_EQ(Form1->CoefB, 75.0f);
    Retype(f.Edit5, QStringLiteral("1,5 "));
    EXPECT_EQ(Form1->CoefB, 0.75f);
    EXPECT_EQ(f.Edit6->text(), QStringLiteral("0,75"));
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(SettingsCoefficientsTest, EmptyBoundCountsAsZero) {
    UseComma();
    TForm2& f = *Form2;
    Retype(f.Edit1, QString());
    EXPECT_EQ(f.Edit1->text(), QString());
    EXPECT_EQ(Form1->CoefA, 20.0f);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("20"));
    Retype(f.Edit7, QStringLiteral("4"));
    EXPECT_EQ(Form1->CoefC, 3.0f);
    Retype(f.Edit8, QString());
    EXPECT_EQ(Form1->CoefC, 2.0f);
    EXPECT_EQ(f.Edit9->text(), QStringLiteral("2"));
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(SettingsCoefficientsTest, InvalidBoundIsReportedAndChangesNothing) {
    UseComma();
    TForm2& f = *Form2;
    f.Edit2->setText(QStringLiteral("1.5"));
    ASSERT_EQ(ShownMessages().size(), 1u);
    EXPECT_EQ(ShownMessages()[0].title, QStringLiteral("Ливентор"));
    EXPECT_EQ(ShownMessages()[0].kind, MessageKind::Error);
    EXPECT_EQ(ShownMessages()[0].text, Rejected(QStringLiteral("1.5")));
    EXPECT_EQ(Form1->CoefA, 20.0f);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("20"));
    EXPECT_EQ(f.Edit2->text(), QStringLiteral("1.5"));

    // Every further change in the column says it again; the upper bound is named
    // first when both are wrong.
    f.TrackBar1->setValue(41);
    ASSERT_EQ(ShownMessages().size(), 2u);
    EXPECT_EQ(ShownMessages()[1].text, Rejected(QStringLiteral("1.5")));
    f.Edit1->setText(QStringLiteral("x"));
    ASSERT_EQ(ShownMessages().size(), 3u);
    EXPECT_EQ(ShownMessages()[2].text, Rejected(QStringLiteral("1.5")));
    f.Edit2->setText(QStringLiteral("   "));
    ASSERT_EQ(ShownMessages().size(), 4u);
    EXPECT_EQ(ShownMessages()[3].text, Rejected(QStringLiteral("   ")));
    f.Edit2->setText(QStringLiteral("50"));
    ASSERT_EQ(ShownMessages().size(), 5u);
    EXPECT_EQ(ShownMessages()[4].text, Rejected(QStringLiteral("x")));
    EXPECT_EQ(Form1->CoefA, 20.0f);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("20"));

    // Other columns are not affected.
    f.TrackBar2->setValue(0);
    EXPECT_EQ(Form1->CoefB, 0.0f);
    EXPECT_EQ(ShownMessages().size(), 5u);

    // Typing -5 key by key: the lone sign is rejected, then the bound holds.
    Retype(f.Edit1, QStringLiteral("-"));
    ASSERT_EQ(ShownMessages().size(), 6u);
    EXPECT_EQ(ShownMessages()[5].text, Rejected(QStringLiteral("-")));
    EXPECT_EQ(Form1->CoefA, 20.0f);
    QTest::keyClick(f.Edit1, Qt::Key_5);
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("-5"));
    EXPECT_EQ(Form1->CoefA, 17.55f);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("17,5499992370605"));
    EXPECT_EQ(ShownMessages().size(), 6u);

    // A press on the track pages once and is reported once. The error box takes
    // the release, so the press is not released here either: the slider must not
    // go on paging towards the pointer, a message per page.
    f.Edit1->setText(QStringLiteral("x"));
    ASSERT_EQ(ShownMessages().size(), 7u);
    const int before = f.TrackBar1->value();
    const QPoint nearTheEnd = NearTheEndOfTheGroove(f.TrackBar1);
    QTest::mousePress(f.TrackBar1, Qt::LeftButton, {}, nearTheEnd);
    QTest::qWait(1200);
    QTest::mouseRelease(f.TrackBar1, Qt::LeftButton, {}, nearTheEnd);
    EXPECT_EQ(f.TrackBar1->value(), before + f.TrackBar1->pageStep());
    ASSERT_EQ(ShownMessages().size(), 8u);
    EXPECT_EQ(ShownMessages()[7].text, Rejected(QStringLiteral("x")));
}

TEST_F(SettingsCoefficientsTest, TypingIntoTheValueEditIsReplacedAtOnce) {
    UseComma();
    TForm2& f = *Form2;
    f.Edit3->setFocus();
    f.Edit3->end(false);
    QTest::keyClick(f.Edit3, Qt::Key_7);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("20"));
    EXPECT_EQ(Form1->CoefA, 20.0f);
    QTest::keyClick(f.Edit3, Qt::Key_Backspace);
    EXPECT_EQ(f.Edit3->text(), QStringLiteral("20"));
    f.Edit12->setFocus();
    f.Edit12->selectAll();
    QTest::keyClicks(f.Edit12, QStringLiteral("abc"));
    EXPECT_EQ(f.Edit12->text(), QStringLiteral("0"));
    EXPECT_EQ(Form1->CoefT, 0.0f);
    EXPECT_TRUE(ShownMessages().empty());
}
