#include "support/OwnWindows.h"

#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>
#include <gtest/gtest.h>

QImage OwnWindows() {
    Form2->show();
    QElapsedTimer waited;  // laid out and polished as a user sees it
    for (waited.start(); !Form2->windowHandle()->isExposed() && waited.elapsed() < 5000;)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    Form1->Edit1->setText(QStringLiteral("64"));  // a second's count, fixed
    const QImage parts[] = {Form2->grab().toImage(), Form1->Edit1->grab().toImage(),
                            Form1->PopupMenu1->grab().toImage()};
    QImage all(parts[0].width() + parts[1].width() + parts[2].width(),
               qMax(parts[0].height(), parts[2].height()), QImage::Format_RGB32);
    all.fill(Qt::black);
    QPainter painter(&all);
    for (int i = 0, x = 0; i < 3; x += parts[i++].width()) painter.drawImage(x, 0, parts[i]);
    return all;
}

bool SaveOwnWindowsWhenAsked() {
    const QString out = qEnvironmentVariable("VIEWER_GRAB_WINDOWS");
    if (out.isEmpty()) return false;
    EXPECT_TRUE(OwnWindows().save(out, "PNG"));
    return true;
}

QImage OwnWindowsIn(QProcessEnvironment env) {
    QTemporaryDir dir;
    env.insert(QStringLiteral("VIEWER_GRAB_WINDOWS"), dir.filePath(QStringLiteral("windows.png")));
    // A desktop theme's libraries keep what they allocate: leaks are the caller's to find.
    env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcess run;
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=%1.%2").arg(QLatin1String(test->test_suite_name()),
                                                          QLatin1String(test->name()))});
    EXPECT_TRUE(run.waitForFinished(120000) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0);
    return QImage(dir.filePath(QStringLiteral("windows.png")));
}

qsizetype DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return qMax(a.width() * a.height(), b.width() * b.height());
    qsizetype n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}
