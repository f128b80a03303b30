// The frame path allocates nothing: a hundred idle frames and the readouts that
// fall among them, run by the real event loop after a warm-up.
#include "AllocCounter.h"

#include "platform/Application.h"
#include "shell/MainWindow.h"
#include "support/Viewer.h"

#include <QLineEdit>
#include <QString>
#include <QTimer>

using alloc_counter::CountedScope;
using alloc_counter::Path;

class FramePathAllocTest : public ViewerTest {};

// The counter itself: without it seeing each kind, a zero would prove nothing.
TEST_F(FramePathAllocTest, CounterTellsOurAllocationsFromTheDriversAndTheWidgets) {
    alloc_counter::Arm();
    {
        CountedScope scope(Path::Readout);
        QString text = QString::number(123456789);
        EXPECT_EQ(text.size(), 9);
    }
    const long afterString = alloc_counter::Current(Path::Readout).ours;
    {
        CountedScope scope(Path::Readout);
        Form1->Edit1->setText(QStringLiteral("98765"));
    }
    {
        CountedScope scope(Path::Frame);
        // Compiling a display list makes Mesa allocate the list's storage.
        const GLuint list = glGenLists(1);
        glNewList(list, GL_COMPILE);
        for (int i = 0; i < 2000; ++i) glVertex3f(static_cast<float>(i), 0, 0);
        glEndList();
        glDeleteLists(list, 1);
    }
    const alloc_counter::Counts readout = alloc_counter::Current(Path::Readout);
    const alloc_counter::Counts frame = alloc_counter::Current(Path::Frame);
    alloc_counter::Disarm();
    EXPECT_GE(afterString, 1) << "a new string went unseen";
    EXPECT_EQ(readout.ours, afterString) << "the line edit's own work was taken for ours";
    EXPECT_GE(readout.widget, 1) << "the line edit's text layout went unseen";
    EXPECT_EQ(frame.ours, 0) << "a driver allocation was taken for ours";
    EXPECT_GE(frame.driver, 1) << "the display list's storage went unseen";

    // Outside a scope, nothing counts.
    alloc_counter::Arm();
    const QString unseen = QString::number(987654321);
    EXPECT_EQ(alloc_counter::Current(Path::Readout).ours, 0) << qPrintable(unseen);
    alloc_counter::Disarm();

    // The peak is what was held at once: a freed block no longer counts.
    constexpr long kMiB = 1 << 20;
    alloc_counter::Arm();
    {
        CountedScope scope(Path::TextureLoad);
        { const QByteArray a(2 * kMiB, 'a'); }
        QByteArray b(kMiB, 'b'), c(kMiB, 'c');
    }
    alloc_counter::Disarm();
    const long peak = alloc_counter::Current(Path::TextureLoad).peakBytes;
    EXPECT_GE(peak, 2 * kMiB);
    EXPECT_LT(peak, 3 * kMiB);
}

TEST_F(FramePathAllocTest, IdleFramesAndReadoutAllocateNothing) {
    // The program's own handlers, called as it calls them, each inside a scope.
    int frames = 0, readouts = 0;
    Application->SetOnIdle([&](bool& done) {
        CountedScope scope(Path::Frame);
        Form1->IdleRender(Form1, done);
        ++frames;
    });
    QObject::disconnect(Form1->Timer2, &QTimer::timeout, nullptr, nullptr);
    QObject::connect(Form1->Timer2, &QTimer::timeout, Form1, [&] {
        CountedScope scope(Path::Readout);
        Form1->Timer2Timer(Form1->Timer2);
        ++readouts;
    });

    // Warm-up: first-use caches in the toolkit and the driver fill here, and at
    // least one readout has been shown.
    ASSERT_TRUE(WaitUntil([&] { return frames >= 20 && readouts >= 1; }, 20000));

    alloc_counter::Arm();
    frames = readouts = 0;
    const bool ran = WaitUntil([&] { return frames >= 100 && readouts >= 2; }, 60000);
    alloc_counter::Disarm();
    const alloc_counter::Counts frame = alloc_counter::Current(Path::Frame);
    const alloc_counter::Counts readout = alloc_counter::Current(Path::Readout);
    QObject::disconnect(Form1->Timer2, &QTimer::timeout, nullptr, nullptr);
    Application->SetOnIdle(nullptr);

    ASSERT_TRUE(ran) << frames << " frames and " << readouts << " readouts";
    RecordProperty("frame_driver_allocations", static_cast<int>(frame.driver));
    RecordProperty("readout_widget_allocations", static_cast<int>(readout.widget));
    if (frame.ours + frame.widget + readout.ours != 0) alloc_counter::DumpOurStacks();
    EXPECT_EQ(frame.ours + frame.widget, 0)
        << "over " << frames << " frames (the driver's own: " << frame.driver << ")";
    EXPECT_EQ(readout.ours, 0) << "over " << readouts << " readouts (the line edit's own: "
                               << readout.widget << ")";
    bool isNumber = false;
    Form1->Edit1->text().toInt(&isNumber);
    EXPECT_TRUE(isNumber) << qPrintable(Form1->Edit1->text());
}

// Readouts of every length, longer and shorter than the one before: the text is
// the plain count each time, and writing it allocates nothing of ours.
TEST_F(FramePathAllocTest, ReadoutTextOfAnyLengthWithoutAllocating) {
    const int counts[] = {7, 7, 12345, 0, 2147483647, 99, 100, 5, 5, 40};
    // Warm-up: the readout's buffers take their size once.
    for (int c : counts) {
        Form1->FrameCount = c;
        Form1->Timer2Timer(Form1->Timer2);
    }
    for (int c : counts) {
        Form1->FrameCount = c;
        alloc_counter::Arm();
        {
            CountedScope scope(Path::Readout);
            Form1->Timer2Timer(Form1->Timer2);
        }
        alloc_counter::Disarm();
        EXPECT_EQ(Form1->Edit1->text(), QString::number(c));
        EXPECT_EQ(Form1->FrameCount, 0);
        EXPECT_EQ(alloc_counter::Current(Path::Readout).ours, 0) << "count " << c;
    }
}
