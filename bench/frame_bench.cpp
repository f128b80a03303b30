// Frames per second of the running viewer against the limit of the display path.
//
//  1. the real main window, surface mode (lit, textured, marker), idle frame loop;
//  2. the same in wireframe mode;
//  3. the frames as first written (blending on throughout) from a bare loop:
//     Form1's own context and GL state made current on a plain full-screen window,
//     clear/draw/camera/flush/glXSwapBuffers in a tight loop that never returns to
//     the event loop;
//  4. the same on a context with the stencil buffer the descriptor asks for;
//  5. an empty frame (clear and swap) on the bare window.
// Then start-up to the first presented frame, timed from process spawn.
//
// Run it from the run folder (textures beside it) on a 1280x1024 display.
#include "platform/Application.h"
#include "platform/GlPlatform.h"
#include "platform/GlView.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/DesignDrawing.h"

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
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {
constexpr int kWarmupMs = 2000;
constexpr int kWindowMs = 2000;
int kWindows = 5;  // timed windows per figure; the first argument may change it
constexpr int kStartupRuns = 5;

long long NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// Processor time of the whole process, llvmpipe's threads included.
long long CpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
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

// Frames of `frame` back to back with nothing else, for `ms` milliseconds; the
// processor time per frame goes to `cpuMs` if given.
double TightLoopFps(const std::function<void()>& frame, int ms,
                    std::vector<double>* cpuMs = nullptr) {
    const long long c0 = CpuNs();
    const long long t0 = NowNs(), end = t0 + ms * 1000000LL;
    long long n = 0, t = t0;
    while (t < end) {
        frame();
        ++n;
        t = NowNs();
    }
    if (cpuMs) cpuMs->push_back(static_cast<double>(CpuNs() - c0) / 1e6 / static_cast<double>(n));
    return static_cast<double>(n) * 1e9 / static_cast<double>(t - t0);
}

void PrintFigure(const char* name, const std::vector<double>& fps,
                 const std::vector<double>& cpuMs = {}) {
    std::printf("%-44s %8.1f fps", name, Median(fps));
    if (!cpuMs.empty()) std::printf("  %6.2f cpu-ms/frame", Median(cpuMs));
    std::printf("  (windows:");
    for (double f : fps) std::printf(" %.1f", f);
    std::printf(")\n");
}

// Child mode: start up as the program does and report the clock at the first
// presented frame.
int StartupChild(int argc, char** argv) {
    TApplication app(argc, argv);
    StartAsEntryPoint();
    platform.onFirstPresent = [] {
        // The process's own processor time too: on a busy machine the wall time
        // mostly measures the other processes.
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        std::printf("%lld %lld\n", NowNs(), cpu.tv_sec * 1000000000LL + cpu.tv_nsec);
        std::fflush(stdout);
        std::_Exit(0);
    };
    Application->Run();
    return 1;
}

struct Startup {
    double wallMs = -1;
    double cpuMs = -1;
};

Startup StartupRun(const char* self) {
    int fds[2];
    if (pipe(fds) != 0) return {};
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
        return {};
    }
    std::string out;
    char buf[64];
    ssize_t got;
    while ((got = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(got));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long t1 = 0, cpu = 0;
    if (std::sscanf(out.c_str(), "%lld %lld", &t1, &cpu) != 2 || t1 <= t0) return {};
    return {static_cast<double>(t1 - t0) / 1e6, static_cast<double>(cpu) / 1e6};
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--startup-child") == 0) return StartupChild(argc, argv);
    if (argc > 1 && std::atoi(argv[1]) > 0) kWindows = std::atoi(argv[1]);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // Start-up first, while this process holds no window of its own.
    std::vector<double> startup, startupCpu;
    for (int i = 0; i < kStartupRuns; ++i) {
        const Startup run = StartupRun("/proc/self/exe");
        startup.push_back(run.wallMs);
        startupCpu.push_back(run.cpuMs);
    }

    TApplication app(argc, argv);
    StartAsEntryPoint();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    std::printf("display %dx%d, textures loaded: %d, GL renderer: %s\n", screen.width(),
                screen.height(), Form1->NextTexNumber > 0 ? Form1->NextTexNumber - 1 : 0,
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    if (Form1->NextTexNumber <= 1)
        std::printf("warning: no textures found in ./Textures; run from the run folder\n");

    // The bare loops draw the scene as first written (blending on for the whole
    // frame) with nothing else around it, on two buffer layouts: Form1's own
    // context (24-bit depth, no stencil) made current on a plain full-screen window
    // of the same format, and a context sharing its textures and lists whose
    // format has the 8 stencil bits the pixel-format descriptor asks for.
    QWindow bare;
    bare.setSurfaceType(QSurface::OpenGLSurface);
    bare.setFormat(Form1->View->format());
    bare.setFlags(Qt::FramelessWindowHint);
    bare.setGeometry(QRect(QPoint(0, 0), screen));
    bare.create();
    auto stencilledContext = std::make_unique<DesignContext>(true, QRect(QPoint(0, 0), screen));
    DesignContext& stencilled = *stencilledContext;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    auto* glx = Form1->hRC->nativeInterface<QNativeInterface::QGLXContext>();
    auto* glxStencilled = stencilled.IsValid()
                              ? stencilled.Context()->nativeInterface<QNativeInterface::QGLXContext>()
                              : nullptr;
    if (!x11 || !glx || !glxStencilled) {
        std::printf("no GLX context: the bare loops need the xcb GLX integration\n");
        return 1;
    }
    Display* dpy = x11->display();
    struct Bare {
        QWindow* window;
        GLXContext context;
    };
    const Bare bareLoops[2] = {{&bare, glx->nativeContext()},
                               {stencilled.Window(), glxStencilled->nativeContext()}};
    GLXDrawable win = 0;
    auto drawFrame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawSceneAsDesigned();
        Form1->Perspective();
        glFlush();
        glXSwapBuffers(dpy, win);
    };
    auto emptyFrame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glXSwapBuffers(dpy, win);
    };

    // The mode as the settings window switches it, on the context current now.
    auto setMode = [](bool surface) {
        Form1->PrimMode = surface ? GL_QUADS : GL_LINES;
        if (surface)
            glEnable(GL_LIGHTING);
        else
            glDisable(GL_LIGHTING);
    };

    // Figures, each surface then wireframe: the main window, the bare loop
    // without stencil, the bare loop with stencil; then the empty frame.
    // Each round runs the three in a rotated order, so that drift in the load of
    // the machine falls on all alike and none always follows another.
    enum { kMain = 0, kBare = 2, kBareStencil = 4, kEmpty = 6 };
    std::vector<double> fps[7];
    std::vector<double> cpu[6];
    long long markC = 0;
    QString lastReadout;
    int rounds = 0, step = 0;
    long long markT = 0, markN = 0;
    std::function<void()> next;
    auto after = [&](int ms, std::function<void()> f) {
        QTimer::singleShot(ms, Qt::PreciseTimer, std::move(f));
    };
    // The real window: settle, then count presents over one window.
    auto mainWindow = [&](bool surface, int slot) {
        Form1->hRC->makeCurrent(Form1->View);
        setMode(surface);
        after(rounds == 0 ? kWarmupMs : 500, [&, slot] {
            markC = CpuNs();
            markT = NowNs();
            markN = platform.swaps;
            after(kWindowMs, [&, slot] {
                const long long t = NowNs();
                cpu[slot].push_back(static_cast<double>(CpuNs() - markC) / 1e6 /
                                    static_cast<double>(std::max(1LL, platform.swaps - markN)));
                fps[slot].push_back(static_cast<double>(platform.swaps - markN) * 1e9 /
                                    static_cast<double>(t - markT));
                lastReadout = Form1->Edit1->text();
                next();
            });
        });
    };
    // A bare window over it, mapped only while it is measured.
    auto bareWindow = [&](const Bare& b, bool surface, int slot) {
        b.window->show();
        const int r = rounds;
        after(200, [&, b, surface, slot, r] {
            win = static_cast<GLXDrawable>(b.window->winId());
            glXMakeCurrent(dpy, win, b.context);
            setMode(surface);
            TightLoopFps(drawFrame, r == 0 ? kWarmupMs : 500);
            fps[slot].push_back(TightLoopFps(drawFrame, kWindowMs, &cpu[slot]));
            Form1->hRC->makeCurrent(Form1->View);
            b.window->hide();
            after(200, [&] { next(); });
        });
    };
    next = [&] {
        if (rounds == kWindows) {
            bare.show();
            after(200, [&] {
                win = static_cast<GLXDrawable>(bare.winId());
                glXMakeCurrent(dpy, win, glx->nativeContext());
                TightLoopFps(emptyFrame, kWarmupMs);
                for (int w = 0; w < kWindows; ++w) fps[kEmpty].push_back(TightLoopFps(emptyFrame, kWindowMs));
                Form1->hRC->makeCurrent(Form1->View);
                bare.hide();
                Application->Terminate();
            });
            return;
        }
        // Six steps a round: three figures, each surface then wireframe.
        const int s = step++;
        const int figure = (s / 2 + rounds) % 3;
        const bool surface = s % 2 == 0;
        const int slot = figure * 2 + (surface ? 0 : 1);
        if (step == 6) {
            step = 0;
            ++rounds;
        }
        if (figure == 0)
            mainWindow(surface, slot);
        else
            bareWindow(bareLoops[figure - 1], surface, slot);
    };
    QTimer::singleShot(0, [&] { next(); });
    Application->Run();

    std::printf("\n");
    PrintFigure("(1) main window, surface (lit, textured)", fps[kMain], cpu[kMain]);
    PrintFigure("(2) main window, wireframe", fps[kMain + 1], cpu[kMain + 1]);
    PrintFigure("(3s) bare design loop, surface, no stencil", fps[kBare], cpu[kBare]);
    PrintFigure("(3w) bare design loop, wireframe, no stencil", fps[kBare + 1], cpu[kBare + 1]);
    PrintFigure("(4s) bare design loop, surface, stencil", fps[kBareStencil], cpu[kBareStencil]);
    PrintFigure("(4w) bare design loop, wireframe, stencil", fps[kBareStencil + 1], cpu[kBareStencil + 1]);
    PrintFigure("(5) bare loop, empty frame (clear + swap)", fps[kEmpty]);
    // Each window beside its neighbour in time too: drift in the machine's load
    // cancels within a pair.
    auto pairedRatio = [](const std::vector<double>& a, const std::vector<double>& b) {
        std::vector<double> r;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) r.push_back(a[i] / b[i]);
        return Median(r);
    };
    auto ratio = [&](const char* name, int a, int b) {
        std::printf("ratio %-30s %.3f  (median of paired windows %.3f)\n", name,
                    Median(fps[a]) / Median(fps[b]), pairedRatio(fps[a], fps[b]));
    };
    ratio("(1)/(3s) surface", kMain, kBare);
    ratio("(1)/(4s) surface, stencil", kMain, kBareStencil);
    ratio("(2)/(3w) wireframe", kMain + 1, kBare + 1);
    ratio("(2)/(4w) wireframe, stencil", kMain + 1, kBareStencil + 1);
    std::printf("the main window's own fps readout at its last window: %s\n", qPrintable(lastReadout));
    std::printf("start-up to first presented frame: median %.1f ms (runs:", Median(startup));
    for (double ms : startup) std::printf(" %.1f", ms);
    std::printf(")\n");
    std::printf("  of it on this process's own processor time: median %.1f ms (runs:",
                Median(startupCpu));
    for (double ms : startupCpu) std::printf(" %.1f", ms);
    std::printf(")\n");

    stencilledContext.reset();
    delete Form2;
    delete Form1;
    return 0;
}
