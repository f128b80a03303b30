// Start-up with large texture files: the time from process spawn to the first
// presented frame, the peak resident memory up to it, and the resident memory once
// the viewer has run for a while, each with one texture folder of its own:
//
//  - the built-in set (the run folder's Textures);
//  - one 64 by 64 24-bit file, and one 8192 by 8192 24-bit file, the largest the
//    loader accepts;
//  - one 64 by 64 run-length file, and one of a few bytes that declares 8192 by
//    8192.
//
// Every start-up is a fresh process, started as the program's entry point does.
// Run it from the run folder on a 1280x1024 display; the large file goes to a
// scratch folder and is removed at the end.
#include "platform/Application.h"
#include "platform/GlPlatform.h"
#include "platform/GlView.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/BmpFiles.h"
#include "ChildRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {
int kRuns = 5;  // start-ups per folder; the first argument may change it
constexpr int kSteadyMs = 3000;  // after the first frame, for the resident memory in use

long StatusKb(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, n) == 0 && line[n] == ':') kb = std::atol(line + n + 1);
    std::fclose(f);
    return kb;
}

// The first present to an exposed view is the first frame the user sees.
class FirstPresent : public GlPlatform {
public:
    void SwapBuffers(GlView* dc, QOpenGLContext* rc) override {
        GlPlatform::SwapBuffers(dc, rc);
        if (!seen && dc && dc->isExposed()) {
            seen = true;
            timespec cpu{};
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
            std::printf("%lld %lld %ld", NowNs(), cpu.tv_sec * 1000000000LL + cpu.tv_nsec, StatusKb("VmHWM"));
            std::fflush(stdout);
            QTimer::singleShot(kSteadyMs, [] {
                std::printf(" %ld %d\n", StatusKb("VmRSS"), Form1->NextTexNumber - 1);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
    }
    bool seen = false;
};

// Child mode: start in `dir` as the program does; print the clock, the process's
// processor time (on a busy machine the wall time mostly measures the others) and
// the peak resident memory at the first frame, then the resident memory and the texture
// count a while later.
int Child(int argc, char** argv, const char* dir) {
    if (chdir(dir) != 0) return 1;
    static FirstPresent platform;
    TApplication app(argc, argv);
    SetGlPlatform(&platform);
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Ливентор"));
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->Run();
    return 1;
}

struct Run {
    double ms = -1, cpuMs = -1;
    double peakMb = -1, steadyMb = -1;
    int textures = -1;
};

Run Spawn(const std::string& dir) {
    long long t0 = 0;
    const std::string out = RunSelf({"--child", dir}, t0);
    long long t1 = 0, cpu = 0;
    long peak = 0, steady = 0;
    int textures = 0;
    if (std::sscanf(out.c_str(), "%lld %lld %ld %ld %d", &t1, &cpu, &peak, &steady, &textures) != 5) return {};
    return {static_cast<double>(t1 - t0) / 1e6, static_cast<double>(cpu) / 1e6, static_cast<double>(peak) / 1024,
            static_cast<double>(steady) / 1024, textures};
}

// A 24-bit file written row by row, so that even the largest is never held whole.
bool WriteRgb24(const QString& path, int side) {
    QByteArray head = bmp::File({40, side, side, 24}, QByteArray());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(head) != head.size()) return false;
    QByteArray row(side * 3, '\0');
    for (int y = side - 1; y >= 0; --y) {
        for (int x = 0; x < side; ++x) {
            row[3 * x] = char(x * 4);
            row[3 * x + 1] = char(y * 4);
            row[3 * x + 2] = char(x ^ y);
        }
        if (f.write(row) != row.size()) return false;
    }
    // On the disk before the first start-up, so that no write-back is timed.
    return f.flush() && fsync(f.handle()) == 0;
}

// Run-length rows of one encoded run each, closed by end of bitmap; with fewer
// rows than the header declares, the rest is left to index 0.
QByteArray Rle8(int side, int rows) {
    QByteArray stream;
    for (int y = 0; y < rows; ++y) stream.append(char(64)).append(char(y % 2)).append('\0').append('\0');
    stream.append('\0').append('\x01');
    bmp::Header h{40, side, side, 8, bmp::kRle8};
    h.palette = {qRgb(200, 40, 40), qRgb(40, 200, 40)};
    return bmp::File(h, stream);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0) return Child(argc, argv, argv[2]);
    if (argc > 1 && std::atoi(argv[1]) > 0) kRuns = std::atoi(argv[1]);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    QTemporaryDir scratch;
    struct Folder {
        const char* name;
        std::string dir;
    };
    std::vector<Folder> folders = {{"built-in set", QDir::currentPath().toStdString()}};
    auto make = [&](const char* name, const std::function<bool(const QString&)>& write) {
        const QString dir = scratch.filePath(QString::fromLatin1(name).replace(' ', '_'));
        if (!QDir().mkpath(dir + "/Textures") || !write(dir + "/Textures/001.bmp")) {
            std::printf("cannot write %s\n", name);
            return;
        }
        folders.push_back({name, dir.toStdString()});
    };
    make("24-bit 64x64", [](const QString& p) { return WriteRgb24(p, 64); });
    make("24-bit 8192x8192", [](const QString& p) { return WriteRgb24(p, 8192); });
    make("RLE8 64x64", [](const QString& p) { return bmp::Write(p, Rle8(64, 64)); });
    make("RLE8 8192x8192, 5 rows given", [](const QString& p) { return bmp::Write(p, Rle8(8192, 5)); });

    // The folders take turns within each round, so that drift in the machine's
    // load falls on all alike.
    std::vector<std::vector<Run>> runs(folders.size());
    for (int i = 0; i < kRuns; ++i)
        for (size_t k = 0; k < folders.size(); ++k) runs[k].push_back(Spawn(folders[k].dir));

    std::printf("%-30s %8s %7s %8s %10s %7s  (start-up ms of each run)\n", "textures", "start ms",
                "cpu ms", "peak MB", "steady MB", "loaded");
    for (size_t k = 0; k < folders.size(); ++k) {
        std::vector<double> ms, cpu, peak, steady;
        for (const Run& r : runs[k]) {
            ms.push_back(r.ms);
            cpu.push_back(r.cpuMs);
            peak.push_back(r.peakMb);
            steady.push_back(r.steadyMb);
        }
        std::printf("%-30s %8.0f %7.0f %8.1f %10.1f %7d  (", folders[k].name, Median(ms), Median(cpu),
                    Median(peak), Median(steady), runs[k].back().textures);
        for (double m : ms) std::printf(" %.0f", m);
        std::printf(")\n");
    }
    return 0;
}
