// Random but valid X input for the running program, judged as a user would (README, "What the test
// command runs"): MONKEY_SEED, MONKEY_SECONDS (60); MONKEY_WINE_APP=FOLDER: the Windows program unpacked
// there, under Wine (with tools/client_origin.exe). Monkey.Soak: SOAK_MINUTES of the spin (README, "Soak").
#include "ViewerSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <iostream>
#include <random>
#include <unistd.h>

namespace e2e {
namespace {

const QString kWineApp = qEnvironmentVariable("MONKEY_WINE_APP");
const QStringList kWords = QString("0|1|-1|2|10|50|100|-50|2,5|2.5|0,001|6,283185|1e3|1e10|1e38|1e39|-1e39|1e308|1e-45|"
    "1e-320|9999999999|-0||nan|inf|-inf|q|x|abc| 7|1 2|,|.|-|+|e|1e|--1|0x10").split('|');
const QString kChars = QStringLiteral("0123456789012345678901234567890-+,.eE qx");
// The settings window's number edits and sliders (left edges), in its client area.
const QPoint kEdits[] = {{8, 88}, {8, 336}, {48, 208}, {128, 88}, {128, 336}, {168, 208},
                         {248, 88}, {248, 336}, {288, 208}, {368, 88}, {368, 336}, {408, 208}};
const int kSliders[] = {16, 136, 256, 376};
const QStringList kSliderKeys = {"Up", "Down", "Prior", "Next", "Home", "End", "Left", "Right"};

template <class T> QString N(T v) { return QString::number(v); }
int Env(const char* n, int unset) { return qEnvironmentVariableIsSet(n) ? qEnvironmentVariableIntValue(n) : unset; }
QString ReadAll(const QString& path) { QFile f(path); return f.open(QFile::ReadOnly) ? QString(f.readAll()) : ""; }
// One colour or none: the palette of an exact conversion.
bool Blank(const QImage& img) { return img.convertToFormat(QImage::Format_Indexed8).colorCount() < 2; }

class Monkey : public ::testing::Test {
protected:
    bool Alive() { return viewer.waitForFinished(0), viewer.state() != QProcess::NotRunning; }
    void CheckAlive() { if (!Alive()) Fail("the viewer ended"); }
    // A verdict from deep inside a move ends the run; GoogleTest reports it.
    [[noreturn]] void Fail(const QString& why) { throw std::runtime_error(why.toStdString() + Context()); }
    QRect Centre() const { return {main.geometry.center() / 2, main.geometry.size() / 2}; }  // it covers the screen

    void Launch() {
        clock.start();
        QDir(logs).removeRecursively(), QDir().mkpath(logs);
        actions.setFileName(logs + "/actions.txt"), actions.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The sanitizers' reports in files of their own, whatever else they are told.
        for (const QString s : {"ASAN", "UBSAN"})
            env.insert(s + "_OPTIONS", env.value(s + "_OPTIONS") + ":log_path=" + logs + "/" + s.toLower());
        viewer.setProcessEnvironment(env);
        viewer.setProcessChannelMode(QProcess::MergedChannels), viewer.setStandardOutputFile(logs + "/output.txt");
        viewer.setWorkingDirectory(kWineApp.isEmpty() ? QFileInfo(VIEWER_EXE).path() : kWineApp);
        if (kWineApp.isEmpty()) viewer.start(VIEWER_EXE, {});
        else viewer.start("wine", {"./surface-viewer.exe"});
        // Up once the main window shows a still picture of more than one colour.
        const auto up = [&] {
            for (const TopWindow& w : Windows()) if (w.name.startsWith(kMainTitlePrefix)) main = w;
            return main.id && !Blank(SettledArea(Centre()));
        };
        if (!WaitFor([&] { return !Alive() || up(); }, 60000, 500) || !Alive()) Fail("no picture at start-up");
        area = ClientArea(main);
    }
    // The program's top-level windows (dialogs, menus...); `others`: but the main and the settings window.
    std::vector<TopWindow> Windows(bool others = false) {
        std::vector<TopWindow> out;
        for (const TopWindow& w : VisibleTopWindows())
            if ((kWineApp.isEmpty() ? w.pid == viewer.processId() : w.windowClass == "surface-viewer.exe") &&
                !(others && (w.id == main.id || w.name == kSettingsTitle)))
                out.push_back(w);
        return out;
    }
    WindowsWindow Asked(const TopWindow& w) {  // Windows' word on the window at its corner
        return AskWindows(kWineApp, QString("@%1,%2").arg(w.geometry.x() + 2).arg(w.geometry.y() + 2));
    }
    // Where a window's content lies, clear of the frame Wine draws into the same X window.
    QRect ClientArea(const TopWindow& w) {
        const QRect client = kWineApp.isEmpty() ? w.geometry : Asked(w).client;
        if (client.isNull()) Fail("Windows does not say where the content of '" + w.name + "' is");
        return client & w.geometry;
    }
    bool IsPopup(const TopWindow& w) { return kWineApp.isEmpty() ? w.popup : Asked(w).popup; }
    std::optional<TopWindow> Popup() {  // the menu or list the last move opened, if any, within a moment
        std::optional<TopWindow> found;
        const auto open = [&] { for (const TopWindow& w : Windows(true)) if (IsPopup(w)) found = w; return found; };
        return WaitFor([&] { return open().has_value(); }, 2000, 100), found;
    }
    QString SanitizerReports() {
        QString out, output = ReadAll(logs + "/output.txt");
        for (const QFileInfo& f : QDir(logs).entryInfoList({"asan.*", "ubsan.*"}, QDir::Files))
            if (f.size() > 0) out += "---- " + f.filePath() + "\n" + ReadAll(f.filePath());
        if (output.contains(QRegularExpression("ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: \\w+Sanitizer")))
            out += "---- program output\n" + output;
        return out;
    }
    std::string Context() {  // and a screenshot
        Screenshot().save(logs + "/failure.png");
        const QStringList done = ReadAll(actions.fileName()).split('\n', Qt::SkipEmptyParts);
        return QString("\n(seed %1, after %2 s, %3 moves; logs in %4)\nlast actions:\n%5\n%6")
            .arg(seed).arg(clock.elapsed() / 1000).arg(steps).arg(logs)
            .arg(done.mid(std::max(0, int(done.size()) - 20)).join('\n'), SanitizerReports()).toStdString();
    }
    // Seeded choices; each step seeds anew from the seed and its number.
    int R(int n) { return int(gen() % unsigned(std::max(1, n))); }
    template <class T> T Pick(std::initializer_list<T> list) { return list.begin()[R(int(list.size()))]; }
    QString Nap(int ms) { return N(R(ms) / 1000.0); }  // seconds, for xdotool's sleep
    QPoint Inside(const QRect& r) { const int x = R(r.width()); return r.topLeft() + QPoint(x, R(r.height())); }
    void Log(const QString& what) { actions.write(QString("%1 %2\n").arg(clock.elapsed() / 1000).arg(what).toUtf8()); }
    void X(const QStringList& args) { Log(args.join(' ')), RunTool("xdotool", args, true); }
    void Focus(const TopWindow& w, QStringList then = {}) {  // and to the top, as a click on it would
        X(QStringList{"windowraise", N(w.id), "windowfocus", "--sync", N(w.id)} + then);
    }
    void MoveTo(QPoint p, const QStringList& then = {}) { X(QStringList{"mousemove", N(p.x()), N(p.y())} + then); }
    void Close(const TopWindow& w) { Log("close " + N(w.id)), RequestClose(w.id); }
    // A number, a word or stray characters, after or instead of the text there.
    void TypeText() {
        QString text;
        if (R(3) > 0) text = kWords[R(int(kWords.size()))];
        else for (int i = 0, n = R(8) + 1; i < n; ++i) text += kChars[R(int(kChars.size()))];
        if (const int how = R(4); how == 1) X({"key", "--repeat", N(R(4) + 1), "BackSpace"});
        else if (how > 1) X(text.isEmpty() ? QStringList{"key", "ctrl+a", "Delete"} : QStringList{"key", "ctrl+a"});
        if (!text.isEmpty()) X({"type", "--delay", "20", "--", text});
    }
    void Drag(int button) {
        QPoint p = Inside(area);
        MoveTo(p, {"mousedown", N(button)});
        for (int i = 0, n = R(6) + 2; i < n; ++i)
            MoveTo(p = Inside(QRect(p - QPoint(100, 100), QSize(200, 200)) & area), {"sleep", Nap(60)});
        X({"mouseup", N(button)});
    }
    void Arrows(const TopWindow& w) {  // taps or a hold
        const QString key = Pick({"Up", "Down"});
        if (R(2) == 0) Focus(w, {"key", "--repeat", N(R(5) + 1), "--delay", "30", key});
        else Focus(w, {"keydown", key, "sleep", Nap(500), "keyup", key});
    }
    // Keyboard or pointer in an open popup: choose, move about, or dismiss.
    void UsePopup() {
        const std::optional<TopWindow> popup = Popup();
        if (!popup) return;
        switch (const int n = R(4) + 1; R(5)) {
        case 0: X({"key", "Escape"}); break;
        case 1:
        case 2: X({"key", "--repeat", N(n), "--delay", "40", "Down", "sleep", Nap(100), "key", "Return"}); break;
        case 3: MoveTo(Inside(popup->geometry), {"sleep", Nap(150), "click", "1"}); break;
        default: MoveTo(Inside(area), {"click", "1"});  // outside
        }
    }
    // The settings window's controls at their places in its client area.
    void SettingsMove(const TopWindow& s) {
        Focus(s);
        const QPoint o = ClientArea(s).topLeft();
        const auto at = [&](QPoint p, QStringList then = {"click", "1"}) {
            MoveTo(o + p, QStringList{"sleep", Nap(80)} + then);
        };
        switch (R(12)) {
        case 0: case 1: case 2: case 3: at(Inside({kEdits[R(12)] + QPoint(3, 3), QSize(50, 15)})), TypeText(); break;
        case 4: case 5: {  // a slider: a click, a drag or keys
            const QRect track(kSliders[R(4)] + 12, 112, 1, 217);
            const int how = R(4);
            if (how == 1)  // a drag
                at(Inside(track), {"mousedown", "1"}), at(Inside(track), {}), at(Inside(track), {"mouseup", "1"});
            else at(Inside(track));
            if (how > 1) X({"key", "--repeat", N(R(4) + 1), "--delay", "30", kSliderKeys[R(8)]});
            break;
        }
        case 6: at({112, 50}), UsePopup(); break;  // the formula list
        case 7: at({253, Pick({38, 56})}); break;  // the radio buttons
        case 8: if (R(2) == 0) at({358, 50}), TypeText(); else at({405, 50}), UsePopup(); break;  // the texture
        case 9: at({462, 51}), UsePopup(); break;  // the colour box
        case 10: X({"key", "--repeat", N(R(8) + 1), "--delay", "30", "Tab"}), TypeText(); break;
        default: if (R(3) == 0) Close(s); else Arrows(s);
        }
    }
    // Whatever else came up: message boxes, dialogs (the colour chooser: a move inside or out),
    // stray popups. With `force`, each goes the shortest way: Escape, Return for a message box.
    void Dismiss(bool force) {
        for (const TopWindow& w : Windows(true)) {
            const int how = force ? 0 : R(4);
            if (IsPopup(w)) X({"key", "Escape"});
            else if (w.name == kAppTitle && how == 3) Close(w);
            else if (w.name == kAppTitle) Focus(w, {"key", QStringList{"Return", "Escape", "space"}[how]});
            else if (how == 1) MoveTo(Inside(w.geometry), {"click", "1"});
            else if (how == 2) Focus(w, {"key", "Tab"}), TypeText();
            else Focus(w, {"key", force ? "Escape" : Pick({"Return", "Escape"})});
        }
    }
    // The program answers: once nothing else is in the way, its context menu opens at a right click
    // (a real popup, not an error box) and closes again on Escape. A box the click itself brings up
    // (a field left with bad text) is dismissed and the click made again.
    void Answers() {
        std::vector<TopWindow> left;
        for (int i = 0; i < 20 && !(left = Windows(true)).empty(); ++i) Dismiss(true), QThread::msleep(300);
        for (const TopWindow& w : left) Fail(QString("a window that cannot be dismissed: '%1'").arg(w.name));
        const auto menu = [&] {  // clear of the settings window
            return !Alive() || Popup() || (Dismiss(true), MoveTo(area.bottomRight() * 0.86, {"click", "3"}), false);
        };
        if (!WaitFor(menu, 30000)) Fail("no menu at a right click: no answer");
        CheckAlive(), X({"key", "Escape"});
        if (!WaitFor([&] { return Windows(true).empty(); }, 30000)) Fail("the menu stays open: no answer");
    }
    QProcess viewer;
    const QString logs = QDir::cleanPath(VIEWER_EXE "/../../monkey");  // beside the run folder
    QFile actions;
    QElapsedTimer clock;
    TopWindow main;
    QRect area;  // the main window's content: the picture
    std::mt19937 gen;
    unsigned seed = 0, steps = 0;
};

TEST_F(Monkey, RandomInput) {
    seed = unsigned(Env("MONKEY_SEED", int(std::random_device()() % 65536)));
    const int seconds = Env("MONKEY_SECONDS", 60);
    std::cout << "Monkey: seed " << seed << ", " << seconds << " s; MONKEY_SEED=N repeats the choices" << std::endl;
    Launch();
    Answers();
    QElapsedTimer run, sinceCheck;
    for (run.start(), sinceCheck.start(); run.elapsed() < seconds * 1000; QThread::msleep(unsigned(R(200)))) {
        CheckAlive();
        gen.seed(seed * 100003u + ++steps);
        Dismiss(false);
        const auto settings = FindVisibleWindow(kSettingsTitle, kWineApp.isEmpty() ? viewer.processId() : -1);
        switch (R(settings ? 10 : 6)) {
        case 0: MoveTo(Inside(area)); break;
        case 1: { const int b = Pick({1, 2, 3}); Drag(b); if (b == 3) UsePopup(); break; }
        case 2: { const int b = Pick({1, 1, 2}); MoveTo(Inside(area), {"click", N(b)}); break; }
        case 3: case 4:  // the menu, by the keyboard's menu key or a right click
            if (R(3) == 0) Focus(main, {"key", "Menu"});
            else MoveTo(Inside(area), {"click", "3"});
            UsePopup();
            break;
        case 5: Arrows(main); break;
        default: SettingsMove(*settings);
        }
        if (sinceCheck.elapsed() >= 15000) Answers(), sinceCheck.restart();
    }
    Answers();
    // Still drawing: with the camera back at its start (a move with the middle button held),
    // the middle shows more than one colour whatever the coefficients (the axes marker).
    const QPoint c = Centre().center();
    MoveTo(c, {"mousedown", "2", "mousemove", N(c.x() + 10), N(c.y() + 8), "mouseup", "2", "sleep", "1"});
    if (Blank(Screenshot().copy(Centre()))) Fail("the picture is blank at the end");
    Close(main);
    if (!viewer.waitForFinished(60000)) Fail("the viewer did not end after its main window was closed");
    if (!SanitizerReports().isEmpty()) Fail("the sanitizers reported errors");
    if (viewer.exitStatus() != QProcess::NormalExit || viewer.exitCode() != 0)
        Fail(QString("exit code %1 after a normal close").arg(viewer.exitCode()));
    std::cout << "Monkey: " << steps << " moves; still answering, closed with exit code 0, no sanitizer report: OK\n";
}

// A long run with the spin on, watched from outside: memory and CPU time once a minute,
// at the end the frames the program's own box counted, read once a second.
TEST_F(Monkey, Soak) {
    const int minutes = qEnvironmentVariableIntValue("SOAK_MINUTES");
    if (minutes <= 0) GTEST_SKIP() << "a long run: SOAK_MINUTES=N runs it for N minutes";
    const auto usage = [&](int minute) {  // CPU time: utime and stime, the 14th and 15th fields of stat
        const QString proc = "/proc/" + N(viewer.processId()), memory = "^(VmRSS|VmHWM|Threads):";
        const QStringList stat = ReadAll(proc + "/stat").section(") ", 1).split(' ');
        const double cpu = (stat.value(11).toDouble() + stat.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
        std::cout << minute << " min  CPU " << cpu << " s  " << ReadAll(proc + "/status").split('\n')
                  .filter(QRegularExpression(memory)).join("  ").simplified().toStdString() << std::endl;
    };
    Launch();
    MoveTo(Centre().center(), {"click", "3"});
    const QRect m = Popup().value_or(main).geometry;  // "Вращение" is the menu's first row
    MoveTo(m.topLeft() + QPoint(m.width() / 3, m.height() * 15 / 100), {"sleep", "0.3", "click", "1"});
    std::vector<QImage> boxes;
    for (int s = 0; s < minutes * 60; ++s) {
        if (s % 60 == 0) usage(s / 60);
        for (const TopWindow& w : s % 5 ? std::vector<TopWindow>() : (CheckAlive(), Windows()))
            if (w.name == kAppTitle && !w.popup) Fail("a message box appeared");
        QThread::msleep(1000), boxes.push_back(Screenshot().copy(kFpsBox));
    }
    if (usage(minutes), !SettledArea(Centre(), 1000).isNull()) Fail("the picture stands still");
    const double fps = MeanFpsReading({VIEWER_READ_FPS}, boxes).value_or(0);  // 0: the box not readable
    std::cout << "Frames rendered: about " << qRound(fps * minutes * 60) << " (" << fps << " a second): OK\n";
}

}  // namespace
}  // namespace e2e
