// The Windows program's start-up, judged from inside: the program starts as its
// entry point starts it and draws for two seconds; then the tests read what only
// Win32 and WGL can tell. Run under Wine by scripts/windows/test.sh, once with
//   VIEW_TEST_LOCALE=ru_RU (LANG=ru_RU.UTF-8)  and once with  VIEW_TEST_LOCALE=en_US
// (LANG=en_US.UTF-8): the locale the shell gave the process, so that a number text
// fixed to one separator fails under the other; and again at 120 and 144 dpi, the
// display setting (LogPixels) VIEW_TEST_DPI names. VIEW_TEST_PACKAGE names the
// unpacked zip, whose notices are judged too.
#include "platform/Application.h"
#include "platform/GlPlatform.h"
#include "platform/GlView.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/OwnWindows.h"

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

// What was current when the frame loop presented its last frame: nothing the
// test makes current itself.
struct Drawn {
    HGLRC context = nullptr;
    HWND window = nullptr;
    int format = 0;
    GLint viewport[4] = {};
};
Drawn drawn;

// Maximised as Windows maximises a window: the frame beyond the screen's edges,
// the client area, and with it the picture's lower-left corner, the screen's. The
// view fills the client area, and the picture keeps the screen's size in device
// pixels at every display scale.
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
    RECT viewClient = {};
    ASSERT_TRUE(GetClientRect(Hwnd(Form1->View), &viewClient));
    EXPECT_EQ(viewClient.right, client.right - client.left);
    EXPECT_EQ(viewClient.bottom, client.bottom - client.top);
    EXPECT_EQ(drawn.viewport[2], GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(drawn.viewport[3], GetSystemMetrics(SM_CYSCREEN));
}

// The forms grow with the display scale the run set: the frames-per-second box
// covers as many times its size in device pixels. A run that falls back to
// 96 dpi, where every other check holds as well, fails here.
TEST(WindowsStartupTest, TheFormsGrowWithTheDisplayScale) {
    const char* dpi = std::getenv("VIEW_TEST_DPI");
    ASSERT_NE(dpi, nullptr) << "VIEW_TEST_DPI names the display setting the test runs at";
    const double scale = std::atoi(dpi) / 96.0;
    RECT box = {};
    ASSERT_TRUE(GetClientRect(Hwnd(Form1->Edit1), &box));
    EXPECT_NEAR(box.right, Form1->Edit1->width() * scale, 1.0) << "at " << dpi << " dpi";
    EXPECT_NEAR(box.bottom, Form1->Edit1->height() * scale, 1.0) << "at " << dpi << " dpi";
}

class WatchingPlatform : public GlPlatform {
public:
    void SwapBuffers(GlView* dc, QOpenGLContext* rc) override {
        drawn.context = wglGetCurrentContext();
        const HDC current = wglGetCurrentDC();
        drawn.window = current ? WindowFromDC(current) : nullptr;
        drawn.format = current ? GetPixelFormat(current) : 0;
        glGetIntegerv(GL_VIEWPORT, drawn.viewport);
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

// Under Windows' dark app mode the windows look as under the light one, as a classic
// program's do: a run of this test alone, with the mode set where Qt reads it. Wine 10
// (not Windows, for a program that does not ask) also turns the theme parts it draws
// for the style dark: a few hundred pixels of frame corners, of the whole.
TEST(WindowsStartupTest, DarkAppModeLeavesTheWindowsAsUnderTheLightOne) {
    const wchar_t* personalize = LR"(Software\Microsoft\Windows\CurrentVersion\Themes\Personalize)";
    if (SaveOwnWindowsWhenAsked()) {
        DWORD light = 1, size = sizeof light;
        RegGetValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size);
        EXPECT_EQ(light, 0u) << "the run is not in the dark app mode";
        return;
    }
    const QImage light = OwnWindows();
    const DWORD dark = 0;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme", REG_DWORD, &dark, sizeof dark),
              ERROR_SUCCESS);
    const QImage inDark = OwnWindowsIn(QProcessEnvironment::systemEnvironment());
    RegDeleteKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme");  // a fresh prefix has none: light
    EXPECT_LT(DifferingPixels(light, inDark), light.width() * light.height() / 200)
        << "of " << light.width() * light.height() << " pixels";
}

// The package's notices, with Windows' line ends: every file of the zip is the
// project's own or named in the table with its licence, and each licence named is
// there in full.
QString Notices(const QString& name) {
    QFile file(QDir(QString::fromLocal8Bit(std::getenv("VIEW_TEST_PACKAGE"))).filePath(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Each licence the notices may quote, by its own title and last words (a licence
// "or later" by its one version's): a text filed under another licence's name, or
// cut short, matches neither.
const std::map<QString, QString> kLicenceTexts = {
    {"GPL-3.0-only", R"(GNU GENERAL PUBLIC LICENSE\s+Version 3,[\s\S]*why-not-lgpl\.html>\.)"},
    {"LGPL-3.0-only", R"(GNU LESSER GENERAL PUBLIC LICENSE\s+Version 3,[\s\S]*that version for the\s+Library\.)"},
    {"Qt-GPL-exception-1.0", R"(The Qt Company GPL Exception 1\.0[\s\S]*under the terms of this license\.)"},
    {"GCC-exception-3.1", R"(GCC RUNTIME LIBRARY EXCEPTION\s+Version 3\.1,[\s\S]*license of GCC\.)"},
    {"MIT", R"(MIT License[\s\S]*OTHER DEALINGS IN THE\s+SOFTWARE\.)"},
    {"BSD-3-Clause", R"(Copyright[\s\S]*3\. Neither the name[\s\S]*POSSIBILITY OF SUCH DAMAGE\.)"},
    {"Unicode-DFS-2016",
     R"(UNICODE, INC\. LICENSE AGREEMENT - DATA FILES AND SOFTWARE[\s\S]*of the copyright\s+holder\.)"},
    {"Unicode-3.0", R"(UNICODE LICENSE V3[\s\S]*of the copyright\s+holder\.)"},
    {"Apache-2.0", R"(Apache License\s+Version 2\.0, January 2004[\s\S]*limitations under the License\.)"},
    {"CC0-1.0", R"(Creative Commons Legal Code\s+CC0 1\.0 Universal[\s\S]*this CC0 or use of the\s+Work\.)"},
    {"LicenseRef-SHA1-Public-Domain", R"(100% free public domain implementation of the SHA-1[\s\S]*dominik-reichl\.de/)"},
};

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
            EXPECT_TRUE(text.contains(QStringLiteral("\r\n==== Licence %1\r\n").arg(id)))
                << "no text of " << id.toStdString() << " (" << f.toStdString() << ")";
        }
    }
    // Every text under "==== Licence ID", up to the next heading, the table's and
    // those of the code inside the Qt DLLs, is that licence's, whole.
    const QRegularExpression heading(QStringLiteral("\r\n==== Licence (\\S+)\r\n"));
    for (auto m = heading.globalMatch(text); m.hasNext();) {
        const QRegularExpressionMatch h = m.next();
        const std::string id = h.captured(1).toStdString();
        const qsizetype end = text.indexOf(QStringLiteral("\r\n==== "), h.capturedEnd());
        const QString body = text.mid(h.capturedEnd(), end < 0 ? -1 : end - h.capturedEnd());
        const auto known =
            kLicenceTexts.find(h.captured(1).replace(QLatin1String("-or-later"), QLatin1String("-only")));
        if (known == kLicenceTexts.end()) {
            ADD_FAILURE() << "no title and last words known for the licence " << id;
            continue;
        }
        EXPECT_TRUE(QRegularExpression(QStringLiteral("\\A\\s*%1\\s*\\z").arg(known->second)).match(body).hasMatch())
            << "the text under \"==== Licence " << id << "\" is not " << id << " in full";
    }
}

// The code of others these build options certainly compile into Qt: the libraries
// it bundles in place of the system's (scripts/windows/build-qt.sh). Written here,
// not read from the build's own record, which an empty or partial list would pass.
TEST(PackageTest, TheCodeOfOthersInsideQtIsNamed) {
    const QString text = Notices(QStringLiteral("THIRD-PARTY-NOTICES.txt"));
    const qsizetype at = text.indexOf(QStringLiteral("\r\n==== Code of others inside the Qt DLLs"));
    ASSERT_GE(at, 0) << "no code of others inside the Qt DLLs in the notices";
    const QString section = text.mid(at, text.indexOf(QStringLiteral("\r\n==== "), at + 2) - at);
    for (const char* name : {"PCRE2", "HarfBuzz-NG", "LibPNG", "Data Compression Library (zlib)"})
        EXPECT_TRUE(section.contains(QStringLiteral("\r\n%1 ").arg(QLatin1String(name))))
            << name << " is not named among the code of others inside the Qt DLLs";
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
