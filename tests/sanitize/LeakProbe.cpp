// Sanitizer builds only: the viewer started as the entry point starts it, with one
// allocation lost on purpose in a timer handler that Qt's event dispatch calls, so
// Qt's frames are on its stack. The leak check must report it whatever the
// suppressions say of the libraries below; ExpectLeak.cmake checks that it does.
#include "platform/Application.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"

#include <QTimer>

#include <cstring>

namespace {
// Out of line, so that the report names it.
__attribute__((noinline)) void LeakFromEventHandler() {
    char* lost = new char[4093];
    std::memset(lost, 1, 4093);
    // Only a use the compiler cannot see through keeps the allocation.
    asm volatile("" : : "r"(lost) : "memory");
}
}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Ливентор"));
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    QTimer::singleShot(500, Form1, [] {
        LeakFromEventHandler();
        Form1->close();
    });
    Application->Run();
    delete Form2;
    delete Form1;
    return 0;
}
