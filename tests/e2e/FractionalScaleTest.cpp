// The program natively on Wayland at 125 % and 150 %, on a compositor that has
// windows draw at the output's fractional scale (wp_fractional_scale_v1): sway
// on a headless output, its pixels taken with grim, its pointer moved by a
// virtual pointer (wlrctl) in the logical units a mouse moves it in.
#include "ViewerSession.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QVersionNumber>
#include <QtMath>

#include <iostream>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace e2e {
namespace {

struct Output {
    QSize mode;
    double scale;
};

// sway on headless outputs of its own (HEADLESS-1, 2, ... left to right), drawn by
// pixman, no borders, no bar; the focus stays where it is put, wherever the
// pointer goes. Its X11 back end, its output switched off, only lends the seat
// the pointer that Wayland clients need to be told of buttons at all.
class SwaySession {
public:
    ~SwaySession() { Stop(); }

    ::testing::AssertionResult Start(const std::vector<Output>& outputs) {
        runtime_ = std::make_unique<QTemporaryDir>();
        if (!runtime_->isValid()) return ::testing::AssertionFailure() << "no temporary folder";
        QFile::setPermissions(runtime_->path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile config(runtime_->filePath(QStringLiteral("config")));
        if (!config.open(QIODevice::WriteOnly)) return ::testing::AssertionFailure() << "no sway config";
        QString text = QStringLiteral("output X11-1 disable\ndefault_border none\nxwayland disable\n"
                                      "focus_follows_mouse no\nmouse_warping none\n");
        int x = 0, n = 0;
        for (const Output& o : outputs) {
            text += QStringLiteral("output HEADLESS-%1 mode %2x%3 scale %4 position %5 0\n")
                        .arg(++n).arg(o.mode.width()).arg(o.mode.height()).arg(o.scale).arg(x);
            x += qRound(o.mode.width() / o.scale);
        }
        config.write(text.toUtf8());
        config.close();
        QProcessEnvironment env = Environment();
        env.insert(QStringLiteral("DISPLAY"), qEnvironmentVariable("DISPLAY"));
        env.insert(QStringLiteral("WLR_HEADLESS_OUTPUTS"), QString::number(outputs.size()));
        env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless,x11"));
        env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        sway_.setProcessEnvironment(env);
        sway_.setProcessChannelMode(QProcess::MergedChannels);
        sway_.start(QStringLiteral("sway"), {QStringLiteral("-c"), config.fileName()});
        if (!sway_.waitForStarted(10000)) return ::testing::AssertionFailure() << "cannot start sway";
        // Up once its socket is there and grim takes each output at its mode.
        const bool up = WaitFor(
            [&] {
                if (sway_.state() == QProcess::NotRunning) return true;
                const QDir dir(runtime_->path());
                for (const QString& s : dir.entryList({QStringLiteral("wayland-*")}, QDir::System))
                    if (!s.endsWith(QLatin1String(".lock"))) socket_ = s;
                for (size_t i = 0; i < outputs.size(); ++i)
                    if (socket_.isEmpty() || Screenshot(static_cast<int>(i) + 1).size() != outputs[i].mode)
                        return false;
                return true;
            },
            20000, 200);
        if (!up || sway_.state() == QProcess::NotRunning)
            return ::testing::AssertionFailure() << "sway gives not the " << outputs.size() << " outputs asked for";
        return ::testing::AssertionSuccess();
    }

    void Stop() {
        if (sway_.state() == QProcess::NotRunning) return;
        sway_.terminate();
        if (!sway_.waitForFinished(5000)) sway_.kill();
        sway_.waitForFinished(5000);
    }

    // What a client of this sway is started with.
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_->path());
        env.insert(QStringLiteral("SWAYSOCK"), runtime_->filePath(QStringLiteral("ipc.sock")));
        if (!socket_.isEmpty()) env.insert(QStringLiteral("WAYLAND_DISPLAY"), socket_);
        env.remove(QStringLiteral("DISPLAY"));
        return env;
    }

    // The pixels of output HEADLESS-`output`.
    QImage Screenshot(int output = 1) const {
        return QImage::fromData(Run(QStringLiteral("grim -t ppm -o HEADLESS-%1 -").arg(output)))
            .convertToFormat(QImage::Format_RGB32);
    }
    // Where the next window opens.
    bool Focus(int n) const { return !Run(QStringLiteral("swaymsg focus output HEADLESS-%1").arg(n)).isNull(); }

    // The seat's pointer to a logical point.
    bool MovePointer(QPoint to) const {
        return !Run(QStringLiteral("swaymsg seat seat0 cursor set %1 %2").arg(to.x()).arg(to.y())).isNull();
    }
    // A drag by `by` with the left button held from where the pointer is: sway's
    // own commands press and release the button, but only a pointer device moves
    // the pointer with the button held.
    bool Drag(QPoint by) const {
        return !Run(QStringLiteral("swaymsg seat seat0 cursor press button1")).isNull() &&
               !Run(QStringLiteral("wlrctl pointer move %1 %2").arg(by.x()).arg(by.y())).isNull() &&
               !Run(QStringLiteral("swaymsg seat seat0 cursor release button1")).isNull();
    }

    QString Log() {
        log_ += sway_.readAll();
        return QString::fromLocal8Bit(log_);
    }

private:
    // A command line of words; its standard output, null when it failed.
    QByteArray Run(const QString& command) const {
        QStringList args = command.split(QLatin1Char(' '));
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start(args.takeFirst(), args);
        if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        QByteArray out = p.readAllStandardOutput();
        return out.isNull() ? QByteArray("") : out;
    }

    std::unique_ptr<QTemporaryDir> runtime_;
    QProcess sway_;
    QString socket_;
    QByteArray log_;
};

// What the comparisons leave out: the box, and the pointer, parked in the far
// corner of the output, where only the tip of its image shows.
std::vector<QRect> Unjudged(QSize mode, double scale) {
    return {FpsMarginAt(scale), QRect(mode.width() - 16, mode.height() - 16, 16, 16)};
}

// Where the picture differs from the black sky inside the box's corner: the box.
QRect ShownBox(const QImage& picture, const QRect& corner) {
    QRect box;
    for (int y = corner.top(); y <= corner.bottom(); ++y)
        for (int x = corner.left(); x <= corner.right(); ++x)
            if ((picture.pixel(x, y) & 0xFFFFFFu) != 0) box |= QRect(x, y, 1, 1);
    return box;
}

class FractionalScaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString sway = QStandardPaths::findExecutable(QStringLiteral("sway"));
        for (const char* tool : {"sway", "grim", "wlrctl"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << "needs sway 1.8 or later (wp_fractional_scale_v1), grim and wlrctl, "
                                "which the test dependencies install from Debian 13 on; Debian 12's "
                                "sway 1.7 lacks wp_fractional_scale_v1 (no " << tool << " here)";
        QProcess version;
        version.start(sway, {QStringLiteral("--version")});
        version.waitForFinished(10000);
        const QString text = QString::fromLocal8Bit(version.readAllStandardOutput()).trimmed();
        if (QVersionNumber::fromString(text.section(QLatin1Char(' '), -1)) < QVersionNumber(1, 8))
            GTEST_SKIP() << "needs sway 1.8 or later (wp_fractional_scale_v1), not " << text.toStdString();
        if (QLibraryInfo::version() < QVersionNumber(6, 5))
            GTEST_SKIP() << "Qt draws at fractional scales from 6.5 on, not in "
                         << QLibraryInfo::version().toString().toStdString();
    }

    void TearDown() override {
        if (HasFailure())
            std::cerr << "program output:\n" << viewer.Output().toStdString() << "\nsway log:\n"
                      << sway.Log().toStdString() << "\n";
        viewer.Kill();
        sway.Stop();
    }

    // With the window opened on output `on` of `outputs`: the start picture there,
    // then, with `turn`, the picture after a drag with the left button of the same
    // logical distance at every scale.
    std::pair<QImage, QImage> PicturesAt(const std::vector<Output>& outputs, int on = 1, bool turn = true) {
        viewer.Kill();
        sway.Stop();
        if (const ::testing::AssertionResult started = sway.Start(outputs); !started) {
            ADD_FAILURE() << started.message();
            return {};
        }
        const QSize mode = outputs[on - 1].mode;
        const double scale = outputs[on - 1].scale;
        const QPoint corner(1 << 16, 1 << 16);  // sway stops it at the rightmost output's corner
        if (!sway.MovePointer(corner) || !sway.Focus(on)) return {};
        viewer.Reset();
        viewer.WriteTexture(1, QColor(230, 40, 40));
        const QProcessEnvironment env = sway.Environment();
        for (const char* name : {"XDG_RUNTIME_DIR", "WAYLAND_DISPLAY"})
            viewer.SetEnvironment(QString::fromLatin1(name), env.value(QString::fromLatin1(name)));
        viewer.SetEnvironment(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        viewer.SetEnvironment(QStringLiteral("DISPLAY"), QString());
        if (!viewer.Launch()) return {};
        const auto shoot = [this, on] { return sway.Screenshot(on); };
        const std::vector<QRect> ignore = Unjudged(mode, scale);
        // Settled once the surface is drawn (the sky alone is still too), and
        // staying so: the first frames come before the compositor has told the
        // window its scale.
        QImage start;
        const QRect output(QPoint(), mode);
        const bool settled = WaitFor(
            [&] {
                start = SettledScreen(kShowMs, shoot, ignore);
                return LitShare(start, output) > 0.05 &&
                       !WaitFor([&] { return Compare(start, shoot(), ignore).count != 0; }, 1500, 100);
            },
            30000, 0);
        if (!settled) return {};
        if (!turn) return {start, {}};
        if (!sway.MovePointer(QPoint(400, 300)) || !sway.Drag(QPoint(60, 28)) || !sway.MovePointer(corner))
            return {start, {}};
        WaitFor([&] { return Compare(start, shoot(), ignore).count != 0; }, kShowMs, 100);
        return {start, SettledScreen(kShowMs, shoot, ignore)};
    }

    // The pictures at `scale` are those at 1 on an output of the same mode, all
    // but the box, which has grown with the scale.
    void ExpectAsUnscaled(QSize mode, double scale) {
        const auto [plain, plainTurned] = PicturesAt({{mode, 1}});
        ASSERT_FALSE(plain.isNull() || plainTurned.isNull()) << "no pictures at 1";
        const auto [start, turned] = PicturesAt({{mode, scale}});
        ASSERT_FALSE(start.isNull() || turned.isNull()) << "no pictures at " << scale;
        const std::vector<QRect> ignore = Unjudged(mode, scale);
        ASSERT_GT(Compare(plain, plainTurned, ignore).count, 0) << "the drag did not turn the view";
        for (const auto& [name, a, b] :
             {std::tuple{"start", plain, start}, {"turned", plainTurned, turned}}) {
            const Diff d = Compare(a, b, ignore);
            EXPECT_EQ(d.count, 0) << name << " picture at " << scale << ": " << d;
        }
        const QRect box = ShownBox(plain, FpsMarginAt(scale)), grown = ShownBox(start, FpsMarginAt(scale));
        EXPECT_GE(grown.width(), qFloor(box.width() * scale)) << "the frames-per-second box is not scaled";
        EXPECT_GE(grown.height(), qFloor(box.height() * scale)) << "the frames-per-second box is not scaled";
    }

    SwaySession sway;
    ViewerSession viewer;
};

// Modes whose logical size is whole at the scale, so that the compositor's own
// rounding of the layout stays out of the comparison.
TEST_F(FractionalScaleTest, At125PercentThePictureAndTheTurnAreThoseAt100Percent) {
    ExpectAsUnscaled(QSize(1280, 960), 1.25);
}

TEST_F(FractionalScaleTest, At150PercentThePictureAndTheTurnAreThoseAt100Percent) {
    ExpectAsUnscaled(QSize(1200, 960), 1.5);
}

// A monitor beside a scaled laptop screen, the window opened on each in turn: the
// output it is on shows the design's picture at that output's size, as the
// program draws it alone on an output of that mode.
TEST_F(FractionalScaleTest, OnTwoOutputsTheWindowsOutputShowsTheDesignsPictureAtItsSize) {
    const std::vector<Output> outputs = {{QSize(1024, 768), 1}, {QSize(1280, 960), 1.25}};
    for (int on = 1; on <= 2; ++on) {
        const Output& o = outputs[static_cast<size_t>(on) - 1];
        const QImage design = PicturesAt({{o.mode, 1}}, 1, false).first, shown = PicturesAt(outputs, on, false).first;
        ASSERT_FALSE(design.isNull() || shown.isNull()) << "no picture with the window on HEADLESS-" << on;
        const Diff d = Compare(design, shown, Unjudged(o.mode, o.scale));
        EXPECT_EQ(d.count, 0) << "HEADLESS-" << on << ": " << d;
    }
}

}  // namespace
}  // namespace e2e
