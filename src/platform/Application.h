#pragma once
// The application object: owns the Qt application, the message loop, the idle
// handler and the default exception reporting. One instance, `Application`.
#include <QByteArrayList>
#include <QString>
#include <QTimer>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QApplication;
class QWidget;

class TApplication {
public:
    using IdleHandler = std::function<void(bool& done)>;

    TApplication(int& argc, char** argv);
    ~TApplication();

    // Fonts, translations, identity and icon: what every window needs first.
    void Initialize();

    // The title captions the error boxes (and is the application's name).
    void SetTitle(const QString& title);
    const QString& Title() const { return title_; }

    // Creates a form, publishes it through `ref`, then runs its create handler.
    // An exception from the create handler is reported and start-up goes on.
    template <class T>
    void CreateForm(T*& ref) {
        ref = new T();
        if (!MainForm) MainForm = ref;
        RunGuarded([&] { ref->FormCreate(ref); });
    }

    // Shows the main form and runs the message loop until it closes.
    void Run();
    // Ends the message loop.
    void Terminate();

    // The only idle handler; it runs whenever no event is pending. A handler that
    // leaves `done` true is not called again until the next event arrives.
    void SetOnIdle(IdleHandler handler);

    // Default exception reporting: an error box titled with the application title,
    // the message with a full stop added where it lacks one.
    void ShowException(const std::exception& e);
    static QString MessageWithFullStop(const QString& message);

    // Runs `fn`, reporting any exception the way the message loop does. False when
    // it had to report one.
    bool RunGuarded(const std::function<void()>& fn);

    QWidget* MainForm = nullptr;

private:
    friend class GuardedApplication;
    void IdlePass();
    void WakeIdle();

    int argc_ = 0;
    std::vector<char*> arguments_;
    QByteArrayList extraArguments_;
    std::unique_ptr<QApplication> app_;
    QString title_;
    IdleHandler onIdle_;
    QTimer idleTimer_;
};

extern TApplication* Application;
