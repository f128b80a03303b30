#include "Application.h"

#include "AppIcon.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "FormFont.h"
#include "LightScheme.h"
#include "MaximisedPlacement.h"
#include "NativeGlConfig.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

TApplication* Application = nullptr;

// Qt delivers every event and timer tick through notify(): the one place where an
// exception escaping a handler can be caught, reported, and the loop kept going.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv, TApplication& owner)
        : QApplication(argc, argv), owner_(owner) {}

    bool notify(QObject* receiver, QEvent* event) override {
        owner_.WakeIdle();
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            owner_.ShowException(e);
        }
        return false;
    }

private:
    TApplication& owner_;
};

namespace {
// Only X lets a program place its own windows, and the design places both (the
// main window at 0,0 over the whole screen, the settings window beside it); a
// Wayland compositor places windows itself. So where an X server is reachable
// (XWayland in a Wayland session) and the user has chosen no platform, run on X;
// Wayland remains the fallback, and QT_QPA_PLATFORM or -platform still choose.
void PreferX11WhereReachable() {
    // Wine hands DISPLAY on to Windows programs, which have no X platform.
#ifndef Q_OS_WIN
    if (!qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
#endif
}
}  // namespace

TApplication::TApplication(int& argc, char** argv) {
    Application = this;
    PreferX11WhereReachable();
    // Qt keeps the argument list for its lifetime, so the extended copy lives here.
    arguments_.assign(argv, argv + argc);
    extraArguments_ = PrepareNativeGlConfig();
    for (QByteArray& a : extraArguments_) arguments_.push_back(a.data());
    argc_ = static_cast<int>(arguments_.size());
    arguments_.push_back(nullptr);
    app_ = std::make_unique<GuardedApplication>(argc_, arguments_.data(), *this);
    idleTimer_.setInterval(0);
    QObject::connect(&idleTimer_, &QTimer::timeout, [this] { IdlePass(); });
}

TApplication::~TApplication() {
    idleTimer_.stop();
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
    // The version comes from the build, which names it once.
    QCoreApplication::setApplicationVersion(QStringLiteral(VIEWER_VERSION));
    QCoreApplication::setOrganizationName(QString());
    // The forms are laid out for these faces; where they are not installed the
    // metric-compatible free faces stand in.
    QFont::insertSubstitutions(FormFace(),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                               {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
    // The interface is Russian, so Qt's own dialogs and buttons speak Russian too.
    auto* translator = new QTranslator(app_.get());
    if (translator->load(QStringLiteral("qtbase_ru"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    KeepLightScheme();
    QApplication::setWindowIcon(AppIcon());
    KeepMaximisedWindowsInPlace();
}

void TApplication::SetTitle(const QString& title) {
    title_ = title;
    // The name, not the display name: Qt would append a display name to every
    // window title.
    QCoreApplication::setApplicationName(title);
}

void TApplication::Run() {
    if (MainForm) MainForm->showMaximized();
    QApplication::exec();
}

// Ends the loop outright. Qt's quit() would first ask every window to close and
// give up when one stays open.
void TApplication::Terminate() { QCoreApplication::exit(0); }

void TApplication::SetOnIdle(IdleHandler handler) {
    onIdle_ = std::move(handler);
    if (onIdle_) idleTimer_.start();
}

void TApplication::IdlePass() {
    if (!onIdle_) return;
    bool done = true;
    try {
        onIdle_(done);
    } catch (const std::exception& e) {
        ShowException(e);
    }
    if (done) idleTimer_.stop();
}

void TApplication::WakeIdle() {
    if (onIdle_ && !idleTimer_.isActive()) idleTimer_.start();
}

QString TApplication::MessageWithFullStop(const QString& message) {
    QString text = message;
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
    return text;
}

void TApplication::ShowException(const std::exception& e) {
    const auto* own = dynamic_cast<const Exception*>(&e);
    const QString message = own ? own->Message : QString::fromUtf8(e.what());
    ShowErrorBox(title_, MessageWithFullStop(message));
}

bool TApplication::RunGuarded(const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        ShowException(e);
        return false;
    }
}
