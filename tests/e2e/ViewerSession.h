#pragma once
// One run of the built program as a separate process, started from a working
// folder of the test's own making (the program reads ./Textures/ from there).
#include "Desktop.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QProcess>
#include <QTemporaryDir>
#include <QtMath>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace e2e {

inline const QString kMainTitlePrefix = QStringLiteral("График функции вида ");
inline const QString kMainTitle =
    QStringLiteral("График функции вида a*cos(sqrt(bx^2 + cz^2)+t)");
inline const QString kSettingsTitle = QStringLiteral("Параметры и коэффициенты");
inline const QString kAppTitle = QStringLiteral("Ливентор");
// The frames-per-second box, and a margin around it that screenshot
// comparisons leave out because its number changes every second.
inline const QRect kFpsBox(2, 1, 31, 21);
inline const QRect kFpsMargin(0, 0, VIEWER_FPS_MARGIN);  // tests/fps-margin.mvg
// That margin on a display at `scale`, where the box grows with everything Qt draws.
inline QRect FpsMarginAt(double scale) {
    return QRect(0, 0, qCeil(kFpsMargin.width() * scale), qCeil(kFpsMargin.height() * scale));
}

class ViewerSession {
public:
    ViewerSession();
    ~ViewerSession();

    // Ends the run and starts over with a fresh, empty working folder.
    void Reset();
    // Textures/00<n>.bmp, a solid colour.
    void WriteTexture(int n, const QColor& colour, int size = 64);
    void WriteFile(const QString& relative, const QByteArray& bytes);

    // Environment of the runs that follow, over the test's own: the program runs
    // on X unless told otherwise here. A null value removes the variable.
    void SetEnvironment(const QString& name, const QString& value);

    // Starts the program and waits until its main window is on the X screen and
    // its picture has settled.
    ::testing::AssertionResult Start();
    // Only starts the program, for tests that see it elsewhere than on X.
    ::testing::AssertionResult Launch();
    bool Running() const;
    long long Pid() const;
    const TopWindow& Main() const { return main_; }
    // Exit code once the process has ended by itself within `ms`.
    std::optional<int> WaitForExit(int ms);
    QString Output();
    void Kill();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QProcess proc_;
    TopWindow main_;
    QByteArray output_;
    std::vector<std::pair<QString, QString>> environment_;
};

// How long a start or a move may take to show before a test gives up: long, so
// that a busy machine fails no test, and only waited out when something is wrong.
inline constexpr int kShowMs = 30000;

// A screenshot once two in a row agree outside `ignore` (the scene is still);
// null when the screen keeps changing for `ms`.
inline QImage SettledScreen(int ms = kShowMs, const std::function<QImage()>& shoot = Screenshot,
                            const std::vector<QRect>& ignore = {kFpsMargin}) {
    return Settled(shoot, ignore, ms);
}
// Once the screen differs from `before` outside `ignore`, the next settled
// screenshot: the picture after a move has taken effect. Null when nothing
// changed, or nothing settled, within `ms`.
QImage ChangedScreen(const QImage& before, const std::vector<QRect>& ignore = {kFpsMargin},
                     int ms = kShowMs);
// Whether the screen keeps agreeing with `still` outside `ignore` for `ms`; false
// as soon as anything moves. Stillness can only be watched for a while.
bool StaysStill(const QImage& still, int ms, const std::vector<QRect>& ignore = {kFpsMargin});

}  // namespace e2e
