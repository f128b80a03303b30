#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    try {
        Application->Initialize();
        Application->SetTitle(QStringLiteral("Ливентор"));
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Application->Run();
    } catch (const Exception& e) {
        Application->ShowException(e);
    }
    delete Form2;
    delete Form1;
    return 0;
}
