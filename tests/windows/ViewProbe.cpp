// Starts the program as its entry point does, lets it draw for two seconds, and
// then reports from inside what the Windows test cannot read from outside:
// where the view's window sits, the pixel format of the view's window and of the
// context current on it, and the settings window's number texts.
//   view_probe      prints "name value" lines; exits 0
#include "platform/Application.h"
#include "platform/GlView.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"

#include <QLineEdit>
#include <QTimer>

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Ливентор"));
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    QTimer::singleShot(2000, [] { Application->Terminate(); });
    Application->Run();

    const auto view = reinterpret_cast<HWND>(Form1->View->winId());
    const auto form = reinterpret_cast<HWND>(Form1->winId());
    std::printf("view-parent-is-form %d\n", GetParent(view) == form ? 1 : 0);
    std::printf("view-is-child %d\n", (GetWindowLongPtrW(view, GWL_STYLE) & WS_CHILD) ? 1 : 0);

    Form1->MakeViewCurrent();
    HDC viewDc = GetDC(view);
    const int format = GetPixelFormat(viewDc);
    HDC current = wglGetCurrentDC();
    std::printf("pixel-format-window %d\n", format);
    std::printf("pixel-format-context %d\n", current ? GetPixelFormat(current) : 0);
    std::printf("context-on-view %d\n", current && WindowFromDC(current) == view ? 1 : 0);
    PIXELFORMATDESCRIPTOR pfd = {};
    if (format > 0) DescribePixelFormat(viewDc, format, sizeof pfd, &pfd);
    std::printf("depth-bits %d\nstencil-bits %d\n", pfd.cDepthBits, pfd.cStencilBits);
    ReleaseDC(view, viewDc);

    for (QLineEdit* edit : {Form2->Edit1, Form2->Edit2, Form2->Edit3, Form2->Edit4, Form2->Edit5,
                            Form2->Edit6, Form2->Edit7, Form2->Edit8, Form2->Edit9,
                            Form2->Edit10, Form2->Edit11, Form2->Edit12})
        std::printf("edit %s\n", edit->text().toUtf8().constData());
    std::fflush(stdout);
    delete Form2;
    delete Form1;
    return 0;
}
