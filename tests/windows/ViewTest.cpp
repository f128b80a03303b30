// The Windows program's start-up, judged from inside: the program starts as its
// entry point starts it and draws for two seconds; then the tests read what only
// Win32 and WGL can tell. Run under Wine by scripts/windows/test.sh, once with
//   VIEW_TEST_LOCALE=ru_RU (LANG=ru_RU.UTF-8)  and once with  VIEW_TEST_LOCALE=en_US
// (LANG=en_US.UTF-8): the locale the shell gave the process, so that a number text
// fixed to one separator fails under the other.
#include "platform/Application.h"
#include "platform/GlView.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QLocale>
#include <QOpenGLContext>
#include <QRawFont>
#include <QTimer>

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

namespace {
HWND Hwnd(QWidget* w) { return reinterpret_cast<HWND>(w->winId()); }
HWND Hwnd(QWindow* w) { return reinterpret_cast<HWND>(w->winId()); }

TEST(WindowsStartupTest, TheViewIsAChildWindowOfTheForm) {
    const HWND view = Hwnd(Form1->View);
    EXPECT_EQ(GetParent(view), Hwnd(Form1));
    EXPECT_NE(GetWindowLongPtrW(view, GWL_STYLE) & WS_CHILD, 0);
}

// Maximised as Windows maximises a window: the frame beyond the screen's edges,
// the client area, and with it the picture's lower-left corner, the screen's.
TEST(WindowsStartupTest, TheMaximisedFormsClientAreaCoversTheScreen) {
    const HWND form = Hwnd(Form1);
    ASSERT_TRUE(IsZoomed(form));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST), &monitor));
    RECT client = {};
    ASSERT_TRUE(GetClientRect(form, &client));
    POINT lowerLeft = {client.left, client.bottom};
    ClientToScreen(form, &lowerLeft);
    EXPECT_EQ(lowerLeft.x, monitor.rcWork.left);
    EXPECT_EQ(lowerLeft.y, monitor.rcWork.bottom);
    EXPECT_EQ(client.right - client.left, monitor.rcWork.right - monitor.rcWork.left);

    RECT view = {};
    ASSERT_TRUE(GetWindowRect(Hwnd(Form1->View), &view));
    EXPECT_EQ(view.left, monitor.rcWork.left);
    EXPECT_EQ(view.bottom, monitor.rcWork.bottom);
}

// The context current on the view is the one the program made from the view's
// window, in the format the program chose for that window.
TEST(WindowsStartupTest, TheProgramsContextIsCurrentOnTheViewIn24DepthAndNoStencilBits) {
    Form1->MakeViewCurrent();
    ASSERT_NE(Form1->hRC, nullptr);
    auto* wgl = Form1->hRC->nativeInterface<QNativeInterface::QWGLContext>();
    ASSERT_NE(wgl, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), wgl->nativeContext());

    const HWND view = Hwnd(Form1->View);
    HDC current = wglGetCurrentDC();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(WindowFromDC(current), view);
    const int format = GetPixelFormat(current);
    ASSERT_GT(format, 0);
    PIXELFORMATDESCRIPTOR pfd = {};
    ASSERT_TRUE(DescribePixelFormat(current, format, sizeof pfd, &pfd));
    EXPECT_EQ(pfd.cDepthBits, 24);
    EXPECT_EQ(pfd.cStencilBits, 0);
    EXPECT_TRUE(pfd.dwFlags & PFD_DOUBLEBUFFER);
}

// The upper bound of t, 2π, as the user's locale writes it.
TEST(WindowsStartupTest, NumbersInTheUsersLocale) {
    const char* expected = std::getenv("VIEW_TEST_LOCALE");
    ASSERT_NE(expected, nullptr) << "VIEW_TEST_LOCALE names the locale the test runs under";
    const QString locale = QString::fromLatin1(expected);
    ASSERT_EQ(QLocale::system().name(), locale) << "the process does not run under " << expected;
    const QString text = locale.startsWith(QLatin1String("ru")) ? QStringLiteral("6,283185")
                                                                 : QStringLiteral("6.283185");
    EXPECT_EQ(Form2->Edit11->text().toStdString(), text.toStdString());
}

TEST(WindowsStartupTest, TheFormsFaceHasCyrillic) {
    const QFontInfo face(Form2->font());
    const QRawFont raw = QRawFont::fromFont(Form2->font(), QFontDatabase::Cyrillic);
    ASSERT_TRUE(raw.isValid()) << face.family().toStdString();
    for (const QChar c : QStringLiteral("Прототип функции"))
        EXPECT_TRUE(raw.supportsCharacter(c)) << face.family().toStdString() << " lacks U+"
                                              << std::hex << c.unicode();
}
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Ливентор"));
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    QTimer::singleShot(2000, [] { Application->Terminate(); });
    Application->Run();
    const int result = RUN_ALL_TESTS();
    delete Form2;
    delete Form1;
    return result;
}
