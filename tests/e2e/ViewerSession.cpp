#include "ViewerSession.h"

#include "texture/TextureFileName.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <algorithm>

namespace e2e {

ViewerSession::ViewerSession() : dir_(std::make_unique<QTemporaryDir>()) {
    proc_.setProcessChannelMode(QProcess::MergedChannels);
}

void ViewerSession::Reset() {
    Kill();
    WaitFor([] { return VisibleTopWindows().empty(); }, 5000);
    output_.clear();
    main_ = {};
    dir_ = std::make_unique<QTemporaryDir>();
}

ViewerSession::~ViewerSession() { Kill(); }

void ViewerSession::WriteTexture(int n, const QColor& colour, int size) {
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(colour);
    QDir(dir_->path()).mkpath(QStringLiteral("Textures"));
    const QString path = dir_->filePath(TextureFileName(n));
    ASSERT_TRUE(img.save(path, "BMP")) << path.toStdString();
}

void ViewerSession::WriteFile(const QString& relative, const QByteArray& bytes) {
    const QString path = dir_->filePath(relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

void ViewerSession::SetEnvironment(const QString& name, const QString& value) {
    environment_.emplace_back(name, value);
}

::testing::AssertionResult ViewerSession::Launch() {
    if (!dir_->isValid()) return ::testing::AssertionFailure() << "no temporary folder";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LIBGL_ALWAYS_SOFTWARE"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const auto& [name, value] : environment_) {
        if (value.isNull())
            env.remove(name);
        else
            env.insert(name, value);
    }
    proc_.setProcessEnvironment(env);
    proc_.setWorkingDirectory(dir_->path());
    proc_.start(QStringLiteral(VIEWER_EXE), {});
    if (!proc_.waitForStarted(10000))
        return ::testing::AssertionFailure() << "cannot start " << VIEWER_EXE;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ViewerSession::Start() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return ::testing::AssertionFailure() << "no X display: run under xvfb-run";
    // A leftover window of an earlier run would confuse every check.
    if (!WaitFor([] { return VisibleTopWindows().empty(); }, 5000))
        return ::testing::AssertionFailure() << "the screen is not empty before start";
    if (::testing::AssertionResult launched = Launch(); !launched) return launched;

    const long long pid = Pid();
    const bool shown = WaitFor(
        [&] {
            for (const TopWindow& w : VisibleTopWindows())
                if (w.pid == pid && w.name.startsWith(kMainTitlePrefix)) {
                    main_ = w;
                    return true;
                }
            return !Running();
        },
        20000);
    if (!shown || !Running())
        return ::testing::AssertionFailure()
               << "the main window did not appear; output:\n" << Output().toStdString();
    // The box counts frames wherever the form stands, grown with the run's scale.
    double scale = 1;
    for (const auto& [name, value] : environment_)
        if (name == QLatin1String("QT_SCALE_FACTOR") && !value.isNull()) scale = value.toDouble();
    if (SettledScreen(kShowMs, Screenshot, {FpsMarginAt(scale).translated(main_.geometry.topLeft())}).isNull())
        return ::testing::AssertionFailure() << "the picture did not settle";
    return ::testing::AssertionSuccess();
}

bool ViewerSession::Running() const { return proc_.state() != QProcess::NotRunning; }

long long ViewerSession::Pid() const { return proc_.processId(); }

std::optional<int> ViewerSession::WaitForExit(int ms) {
    if (Running() && !proc_.waitForFinished(ms)) return std::nullopt;
    if (proc_.exitStatus() != QProcess::NormalExit) return std::nullopt;
    return proc_.exitCode();
}

QString ViewerSession::Output() {
    output_ += proc_.readAll();
    return QString::fromLocal8Bit(output_);
}

void ViewerSession::Kill() {
    if (!Running()) return;
    proc_.kill();
    proc_.waitForFinished(5000);
}

QImage ChangedScreen(const QImage& before, const std::vector<QRect>& ignore, int ms) {
    QElapsedTimer clock;
    clock.start();
    if (!WaitFor([&] { return Compare(before, Screenshot(), ignore).count != 0; }, ms, 100))
        return {};
    return SettledScreen(std::max(0, ms - static_cast<int>(clock.elapsed())), Screenshot, ignore);
}

bool StaysStill(const QImage& still, int ms, const std::vector<QRect>& ignore) {
    return !WaitFor([&] { return Compare(still, Screenshot(), ignore).count != 0; }, ms, 100);
}

}  // namespace e2e
