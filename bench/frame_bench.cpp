// Frames per second of the running viewer against the limit of the display path.
//
//  1. the real main window, surface mode (lit, textured, marker), idle frame loop;
//  2. the same in wireframe mode;
//  3. the same frames from a bare loop: Form1's own context and GL state made current
//     on a plain full-screen window, clear/draw/camera/flush/glXSwapBuffers in a
//     tight loop that never returns to the event loop;
//  4. an empty frame (clear and swap) on that bare window.
// Then start-up to the first presented frame, timed from process spawn.
//
// Run it from the run folder (textures beside it) on a 1280x1024 display.
#include "platform/Application.h"
#include "platform/GlPlatform.h"
#include "platform/GlView.h"
#include "settings/Unit2.h"
#include "shell/Unit1.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QOpenGLContext>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <GL/glx.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace {
constexpr int kWarmupMs = 2000;
constexpr int kWindowMs = 2000;
constexpr int kWindows = 5;
constexpr int kStartupRuns = 5;

long long NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The real platform, plus a count of presents: one per IdleRender, none per paint.
// The first present to an exposed view is the first frame the user sees.
class CountingPlatform : public GlPlatform {
public:
    void SwapBuffers(GlView* dc, QOpenGLContext* rc) override {
        GlPlatform::SwapBuffers(dc, rc);
        ++swaps;
        if (onFirstPresent && dc && dc->isExposed()) {
            auto f = std::move(onFirstPresent);
            onFirstPresent = nullptr;
            f();
        }
    }
    long long swaps = 0;
    std::function<void()> onFirstPresent;
};

CountingPlatform platform;

void StartAsEntryPoint() {
    SetGlPlatform(&platform);
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Ливентор"));
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
}

// Frames of `frame` back to back with nothing else, for `ms` milliseconds.
double TightLoopFps(const std::function<void()>& frame, int ms) {
    const long long t0 = NowNs(), end = t0 + ms * 1000000LL;
    long long n = 0, t = t0;
    while (t < end) {
        frame();
        ++n;
        t = NowNs();
    }
    return static_cast<double>(n) * 1e9 / static_cast<double>(t - t0);
}

void PrintFigure(const char* name, const std::vector<double>& fps) {
    std::printf("%-44s %8.1f fps  (windows:", name, Median(fps));
    for (double f : fps) std::printf(" %.1f", f);
    std::printf(")\n");
}

// Child mode: start up as the program does and report the clock at the first
// presented frame.
int StartupChild(int argc, char** argv) {
    TApplication app(argc, argv);
    StartAsEntryPoint();
    platform.onFirstPresent = [] {
        std::printf("%lld\n", NowNs());
        std::fflush(stdout);
        std::_Exit(0);
    };
    Application->Run();
    return 1;
}

double StartupMs(const char* self) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char arg0[] = "frame_bench";
    char arg1[] = "--startup-child";
    char* args[] = {arg0, arg1, nullptr};
    pid_t pid = 0;
    const long long t0 = NowNs();
    const int rc = posix_spawn(&pid, self, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return -1;
    }
    std::string out;
    char buf[64];
    ssize_t got;
    while ((got = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(got));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    const long long t1 = std::atoll(out.c_str());
    return t1 > t0 ? static_cast<double>(t1 - t0) / 1e6 : -1;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--startup-child") == 0) return StartupChild(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // Start-up first, while this process holds no window of its own.
    std::vector<double> startup;
    for (int i = 0; i < kStartupRuns; ++i) startup.push_back(StartupMs("/proc/self/exe"));

    TApplication app(argc, argv);
    StartAsEntryPoint();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    std::printf("display %dx%d, textures loaded: %d, GL renderer: %s\n", screen.width(),
                screen.height(), Form1->NextTexNumber > 0 ? Form1->NextTexNumber - 1 : 0,
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    if (Form1->NextTexNumber <= 1)
        std::printf("warning: no textures found in ./Textures; run from the run folder\n");

    // The bare window: Form1's own context, with all its GL state, made current on a
    // plain window of the same format and size; glXSwapBuffers straight to it.
    QWindow bare;
    bare.setSurfaceType(QSurface::OpenGLSurface);
    bare.setFormat(Form1->View->format());
    bare.setFlags(Qt::FramelessWindowHint);
    bare.setGeometry(QRect(QPoint(0, 0), screen));
    bare.create();
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    auto* glx = Form1->hRC->nativeInterface<QNativeInterface::QGLXContext>();
    if (!x11 || !glx) {
        std::printf("no GLX context: the bare loop needs the xcb GLX integration\n");
        return 1;
    }
    Display* dpy = x11->display();
    const GLXDrawable win = static_cast<GLXDrawable>(bare.winId());
    auto drawFrame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Form1->DrawScene();
        Form1->Perspective();
        glFlush();
        glXSwapBuffers(dpy, win);
    };
    auto emptyFrame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glXSwapBuffers(dpy, win);
    };

    // The mode as the settings window switches it.
    auto setMode = [](bool surface) {
        Form1->PrimMode = surface ? GL_QUADS : GL_LINES;
        if (surface)
            glEnable(GL_LIGHTING);
        else
            glDisable(GL_LIGHTING);
    };

    // Rounds alternate the real loop and the bare loop, so that drift in the load
    // of the machine falls on both alike. Each round: surface then wireframe.
    std::vector<double> fps[5];
    QString lastReadout;  // main surface, main wire, bare surface, bare wire, empty
    int rounds = 0, step = 0;
    long long markT = 0, markN = 0;
    std::function<void()> next;
    auto after = [&](int ms, std::function<void()> f) {
        QTimer::singleShot(ms, Qt::PreciseTimer, std::move(f));
    };
    // The real window: settle, then count presents over one window.
    auto mainWindow = [&](bool surface, int slot) {
        setMode(surface);
        after(rounds == 0 ? kWarmupMs : 500, [&, slot] {
            markT = NowNs();
            markN = platform.swaps;
            after(kWindowMs, [&, slot] {
                const long long t = NowNs();
                fps[slot].push_back(static_cast<double>(platform.swaps - markN) * 1e9 /
                                    static_cast<double>(t - markT));
                lastReadout = Form1->Edit1->text();
                next();
            });
        });
    };
    // The bare window over it, mapped only while it is measured.
    auto bareWindow = [&](bool surface, int slot) {
        bare.show();
        const int r = rounds;
        after(200, [&, surface, slot, r] {
            glXMakeCurrent(dpy, win, glx->nativeContext());
            setMode(surface);
            TightLoopFps(drawFrame, r == 0 ? kWarmupMs : 500);
            fps[slot].push_back(TightLoopFps(drawFrame, kWindowMs));
            if (r == kWindows - 1 && !surface) {
                TightLoopFps(emptyFrame, kWarmupMs);
                for (int w = 0; w < kWindows; ++w) fps[4].push_back(TightLoopFps(emptyFrame, kWindowMs));
            }
            Form1->hRC->makeCurrent(Form1->View);
            bare.hide();
            after(200, [&] { next(); });
        });
    };
    next = [&] {
        if (rounds == kWindows) {
            Application->Terminate();
            return;
        }
        switch (step++) {
            case 0: mainWindow(true, 0); break;
            case 1: bareWindow(true, 2); break;
            case 2: mainWindow(false, 1); break;
            default:
                step = 0;
                bareWindow(false, 3);
                ++rounds;
                break;
        }
    };
    QTimer::singleShot(0, [&] { next(); });
    Application->Run();
    std::vector<double>& surfaceFps = fps[0];
    std::vector<double>& wireFps = fps[1];
    std::vector<double>& bareSurface = fps[2];
    std::vector<double>& bareWire = fps[3];
    std::vector<double>& empty = fps[4];

    std::printf("\n");
    PrintFigure("(1) main window, surface (lit, textured)", surfaceFps);
    PrintFigure("(2) main window, wireframe", wireFps);
    PrintFigure("(3s) bare loop, surface", bareSurface);
    PrintFigure("(3w) bare loop, wireframe", bareWire);
    PrintFigure("(4) bare loop, empty frame (clear + swap)", empty);
    std::printf("ratio (1)/(3s) surface   %.3f\n", Median(surfaceFps) / Median(bareSurface));
    std::printf("ratio (2)/(3w) wireframe %.3f\n", Median(wireFps) / Median(bareWire));
    std::printf("the main window's own fps readout at its last window: %s\n", qPrintable(lastReadout));
    std::printf("start-up to first presented frame: median %.1f ms (runs:", Median(startup));
    for (double ms : startup) std::printf(" %.1f", ms);
    std::printf(")\n");

    delete Form2;
    delete Form1;
    return 0;
}
