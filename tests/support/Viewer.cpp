#include "support/Viewer.h"

#include "platform/Application.h"
#include "platform/GlView.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QtGui/qopengl.h>

#include <cstring>

std::vector<MessageRecord>& ShownMessages() {
    static std::vector<MessageRecord> messages;
    return messages;
}

void ProcessEvents(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void StartViewer() {
    ShownMessages().clear();
    SetMessageSink([](const MessageRecord& m) { ShownMessages().push_back(m); });
    Application->MainForm = nullptr;
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Form1->showMaximized();
    WaitUntil([] { return Form1->View->isExposed(); });
    // A pass meant for one driver (VIEWER_TEST_RENDERER, set by scripts/test.sh)
    // proves it ran there: on another driver its tests would pass all the same.
    const QByteArray driver = qgetenv("VIEWER_TEST_RENDERER");
    if (!driver.isEmpty() && QOpenGLContext::currentContext()) {
        const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        EXPECT_TRUE(renderer && std::strstr(renderer, driver.constData()))
            << "GL_RENDERER " << (renderer ? renderer : "(none)") << ", not " << driver.constData();
    }
}

void StopViewer() {
    delete Form2;
    delete Form1;
    Form2 = nullptr;
    Form1 = nullptr;
    Application->MainForm = nullptr;
}
