#pragma once
// A Wayland desktop of the test's own: Weston with its X11 back end and the
// pixman renderer, in the window of an Xvfb started for it, with a private
// runtime folder. Input reaches it through xdotool on that Xvfb; pictures come
// from the compositor itself (weston-screenshooter).
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace e2e {

class WestonSession {
public:
    WestonSession() = default;
    WestonSession(const WestonSession&) = delete;
    WestonSession& operator=(const WestonSession&) = delete;
    ~WestonSession();

    // Starts the Xvfb and Weston on it, and waits until Weston takes pictures.
    ::testing::AssertionResult Start();
    // Ends Weston (and with it the clients it started) and the Xvfb.
    void Stop();

    QString XDisplay() const { return xDisplay_; }  // ":N"
    QString Socket() const { return QStringLiteral("viewer-e2e"); }
    QString RuntimeDir() const { return runtime_ ? runtime_->path() : QString(); }

    // The whole output as Weston composes it, alpha dropped as the screen does,
    // or kept as the clients' buffers brought it.
    QImage Screenshot(bool keepAlpha = false);
    // What Weston printed, for failure reports.
    QString Log();

private:
    std::unique_ptr<QTemporaryDir> runtime_, shots_;
    QProcess xvfb_, weston_;
    QString xDisplay_;
    QByteArray log_;
};

}  // namespace e2e
