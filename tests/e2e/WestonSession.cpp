#include "WestonSession.h"

#include "Desktop.h"

#include <QDir>
#include <QFile>

namespace e2e {
namespace {

// Asks a process to end, and makes sure it has.
void End(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

}  // namespace

WestonSession::~WestonSession() { Stop(); }

::testing::AssertionResult WestonSession::Start() {
    runtime_ = std::make_unique<QTemporaryDir>();
    shots_ = std::make_unique<QTemporaryDir>();
    if (!runtime_->isValid() || !shots_->isValid())
        return ::testing::AssertionFailure() << "no temporary folder";
    // Wayland wants a runtime folder nobody else may enter.
    QFile::setPermissions(runtime_->path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    xDisplay_ = StartXvfb(xvfb_, QSize(1280, 1024));
    if (xDisplay_.isEmpty())
        return ::testing::AssertionFailure()
               << "Xvfb did not start: " << xvfb_.readAllStandardError().toStdString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), xDisplay_);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_->path());
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_SOCKET"));
    weston_.setProcessEnvironment(env);
    weston_.setProcessChannelMode(QProcess::MergedChannels);
    // --debug offers the screenshot interface; --no-config keeps a weston.ini of
    // the user's out of the test.
    weston_.start(QStringLiteral("weston"),
                  {QStringLiteral("--backend=x11-backend.so"), QStringLiteral("--use-pixman"),
                   QStringLiteral("--width=1280"), QStringLiteral("--height=1024"),
                   QStringLiteral("--socket=") + Socket(), QStringLiteral("--idle-time=0"),
                   QStringLiteral("--debug"), QStringLiteral("--no-config")});
    if (!weston_.waitForStarted(10000))
        return ::testing::AssertionFailure() << "cannot start weston";
    if (!WaitFor([&] { return weston_.state() == QProcess::NotRunning || !Screenshot().isNull(); },
                 20000, 200))
        return ::testing::AssertionFailure() << "weston takes no screenshots; its log:\n"
                                             << Log().toStdString();
    if (weston_.state() == QProcess::NotRunning)
        return ::testing::AssertionFailure() << "weston ended; its log:\n" << Log().toStdString();
    return ::testing::AssertionSuccess();
}

void WestonSession::Stop() {
    End(weston_);
    End(xvfb_);
}

QImage WestonSession::Screenshot(bool keepAlpha) {
    QProcess shooter;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), RuntimeDir());
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), Socket());
    shooter.setProcessEnvironment(env);
    // It names its file after the time and writes it into its working folder.
    shooter.setWorkingDirectory(shots_->path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    if (!shooter.waitForFinished(20000) || shooter.exitStatus() != QProcess::NormalExit ||
        shooter.exitCode() != 0) {
        shooter.kill();
        shooter.waitForFinished();
        return {};
    }
    QDir dir(shots_->path());
    QImage image;
    for (const QString& name : dir.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        image.load(dir.filePath(name));
        dir.remove(name);
    }
    if (image.isNull()) return {};
    if (keepAlpha) return image.convertToFormat(QImage::Format_ARGB32);
    // The output keeps whatever alpha the clients' buffers brought; a screen
    // shows colour only.
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) row[x] |= 0xFF000000u;
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

QString WestonSession::Log() {
    log_ += weston_.readAll();
    return QString::fromLocal8Bit(log_);
}

}  // namespace e2e
