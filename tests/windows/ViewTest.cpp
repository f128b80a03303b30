// The Windows program's start-up, judged from inside: the program starts as its
// entry point starts it and draws for two seconds; then the tests read what only
// Win32 and WGL can tell. Run under Wine by scripts/windows/test.sh, once with
//   VIEW_TEST_LOCALE=ru_RU (LANG=ru_RU.UTF-8)  and once with  VIEW_TEST_LOCALE=en_US
// (LANG=en_US.UTF-8): the locale the shell gave the process, so that a number text
// fixed to one separator fails under the other. VIEW_TEST_PACKAGE names the
// unpacked zip, whose notices are judged too.
#include "platform/Application.h"
#include "platform/GlPlatform.h"
#include "platform/GlView.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QLocale>
#include <QOpenGLContext>
#include <QRegularExpression>
#include <QTimer>
#include <QVariant>

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

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

// What was current when the frame loop presented its last frame: nothing the
// test makes current itself.
struct Drawn {
    HGLRC context = nullptr;
    HWND window = nullptr;
    int format = 0;
};
Drawn drawn;

class WatchingPlatform : public GlPlatform {
public:
    void SwapBuffers(GlView* dc, QOpenGLContext* rc) override {
        drawn.context = wglGetCurrentContext();
        const HDC current = wglGetCurrentDC();
        drawn.window = current ? WindowFromDC(current) : nullptr;
        drawn.format = current ? GetPixelFormat(current) : 0;
        GlPlatform::SwapBuffers(dc, rc);
    }
};

// The frame loop draws with the context the program made from the view's window
// in the format it chose for that window, 24 depth and no stencil bits, and not
// with one Qt made in a format of its own choosing.
TEST(WindowsStartupTest, TheFrameLoopDrawsWithTheProgramsOwnContextAndFormat) {
    ASSERT_NE(drawn.context, nullptr) << "no frame was presented";
    ASSERT_NE(Form1->hRC, nullptr);
    auto* wgl = Form1->hRC->nativeInterface<QNativeInterface::QWGLContext>();
    ASSERT_NE(wgl, nullptr);
    EXPECT_EQ(drawn.context, wgl->nativeContext());
    EXPECT_EQ(drawn.window, Hwnd(Form1->View));
    const QVariant chosen = Form1->hRC->property("nativePixelFormat");
    ASSERT_TRUE(chosen.isValid()) << "the context is not the one the program made from its own format";
    EXPECT_EQ(drawn.format, chosen.toInt());
    PIXELFORMATDESCRIPTOR pfd = {};
    const HDC dc = GetDC(drawn.window);
    ASSERT_TRUE(DescribePixelFormat(dc, drawn.format, sizeof pfd, &pfd));
    ReleaseDC(drawn.window, dc);
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

// The forms ask for the TrueType face of "MS Sans Serif" (a bitmap face, without
// Cyrillic where Windows speaks a Latin-script language), and get that face or the
// one Windows itself puts in its place (Wine's prefix maps it to Liberation Sans):
// not a face Qt falls back to for the letters alone, nor one the program names
// for some other family. That face has Cyrillic.
TEST(WindowsStartupTest, TheFormsOwnFaceHasCyrillic) {
    const QString asked = QStringLiteral("Microsoft Sans Serif");
    QStringList faces{asked};
    wchar_t standIn[LF_FACESIZE + 8] = {};
    DWORD size = sizeof standIn;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
                     reinterpret_cast<LPCWSTR>(asked.utf16()), RRF_RT_REG_SZ, nullptr, standIn, &size) == ERROR_SUCCESS)
        faces << QString::fromWCharArray(standIn).section(QLatin1Char(','), 0, 0);
    for (QWidget* form : {static_cast<QWidget*>(Form1), static_cast<QWidget*>(Form2)}) {
        EXPECT_EQ(form->font().family().toStdString(), asked.toStdString());
        const QString face = QFontInfo(form->font()).family();
        EXPECT_TRUE(faces.contains(face, Qt::CaseInsensitive))
            << face.toStdString() << " is neither " << faces.join(QStringLiteral(" nor ")).toStdString();
        EXPECT_TRUE(QFontDatabase::writingSystems(face).contains(QFontDatabase::Cyrillic))
            << face.toStdString() << " has no Cyrillic";
    }
}

// The package's notices, with Windows' line ends: every file of the zip is the
// project's own or named in the table with its licence, and each licence the
// table names is there in full.
QString Notices(const QString& name) {
    QFile file(QDir(QString::fromLocal8Bit(std::getenv("VIEW_TEST_PACKAGE"))).filePath(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(PackageTest, EveryFileOfOthersIsNamedWithItsLicenceInFull) {
    const char* package = std::getenv("VIEW_TEST_PACKAGE");
    ASSERT_NE(package, nullptr) << "VIEW_TEST_PACKAGE names the unpacked zip";
    const QString text = Notices(QStringLiteral("THIRD-PARTY-NOTICES.txt"));
    ASSERT_FALSE(text.isEmpty());
    for (const QString& name : {QStringLiteral("LICENSE.txt"), QStringLiteral("THIRD-PARTY-NOTICES.txt")}) {
        const QString t = Notices(name);
        EXPECT_TRUE(t.endsWith(QLatin1String("\r\n")) && t.count(QLatin1Char('\n')) == t.count(QStringLiteral("\r\n")))
            << name.toStdString() << " has lines without CRLF";
    }
    // The table: from its header to the first empty line; the licence column
    // starts where its heading does.
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const auto header = std::find_if(lines.begin(), lines.end(), [](const QString& l) {
        return l.startsWith(QLatin1String("File ")) && l.contains(QLatin1String(" Licence"));
    });
    ASSERT_NE(header, lines.end()) << "no table in the notices";
    const qsizetype column = header->indexOf(QLatin1String("Licence"));
    std::map<QString, QString> named;
    for (auto l = header + 1; l != lines.end() && !l->isEmpty(); ++l)
        named[l->section(QLatin1Char(' '), 0, 0)] = l->mid(column).trimmed();

    const QDir root(QString::fromLocal8Bit(package));
    const QRegularExpression own(QStringLiteral("^(surface-viewer\\.exe|qt\\.conf|LICENSE\\.txt|"
                                                "THIRD-PARTY-NOTICES\\.txt|Textures/.*)$"));
    std::set<QString> files;
    for (QDirIterator it(root.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files.insert(root.relativeFilePath(it.next()));
    for (const QString& f : files)
        EXPECT_TRUE(own.match(f).hasMatch() || (named.count(f) && !named.at(f).isEmpty()))
            << f.toStdString() << " is neither the project's nor named with a licence in the notices";
    for (const auto& [f, licence] : named) {
        EXPECT_TRUE(files.count(f)) << "the notices name " << f.toStdString() << ", which the zip lacks";
        for (const QString& id : QString(licence).replace(QRegularExpression(QStringLiteral("[()]")), QStringLiteral(" "))
                                     .split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (id == QLatin1String("AND") || id == QLatin1String("OR") || id == QLatin1String("WITH")) continue;
            // The text under "==== Licence ID", up to the next heading: the
            // shortest of them, Qt's GPL exception, has some 950 characters.
            const QString heading = QStringLiteral("\r\n==== Licence %1\r\n").arg(id);
            const qsizetype at = text.indexOf(heading);
            ASSERT_GE(at, 0) << "no text of " << id.toStdString() << " (" << f.toStdString() << ")";
            const qsizetype end = text.indexOf(QStringLiteral("\r\n==== "), at + heading.size());
            EXPECT_GE((end < 0 ? text.size() : end) - at - heading.size(), 800)
                << "the text of " << id.toStdString() << " is not there in full";
        }
    }
}
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    WatchingPlatform watching;
    SetGlPlatform(&watching);
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Ливентор"));
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    QTimer::singleShot(2000, [] { Application->Terminate(); });
    Application->Run();
    const int result = RUN_ALL_TESTS();
    delete Form2;
    delete Form1;
    SetGlPlatform(nullptr);
    return result;
}
