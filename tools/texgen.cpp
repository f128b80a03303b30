// Draws the viewer's texture set: ten 64 by 64 patterns, each tiling seamlessly
// because every surface cell carries one whole copy. Written as 24-bit BMP files
// under <run dir>/Textures with the names the viewer looks for.
//
//   texgen <run dir> <count>    (count must match the patterns below)
#include "texture/TextureImage.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QtMath>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr int N = kTextureSize;
constexpr double kTau = 6.283185307179586;

double Mix(double a, double b, double t) { return a + (b - a) * t; }
double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
double Smooth(double t) { return t * t * (3 - 2 * t); }

QRgb Blend(QRgb a, QRgb b, double t) {
    t = Clamp01(t);
    return qRgb(int(Mix(qRed(a), qRed(b), t) + 0.5), int(Mix(qGreen(a), qGreen(b), t) + 0.5),
                int(Mix(qBlue(a), qBlue(b), t) + 0.5));
}

// Lattice noise whose lattice wraps, so that the pattern tiles over 64 pixels.
double Lattice(int x, int y, int period, unsigned seed) {
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    unsigned h = unsigned(x) * 374761393u + unsigned(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double ValueNoise(double x, double y, int period, unsigned seed) {
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const double tx = Smooth(x - x0), ty = Smooth(y - y0);
    const double a = Lattice(x0, y0, period, seed), b = Lattice(x0 + 1, y0, period, seed);
    const double c = Lattice(x0, y0 + 1, period, seed), d = Lattice(x0 + 1, y0 + 1, period, seed);
    return Mix(Mix(a, b, tx), Mix(c, d, tx), ty);
}

// Octaves of tiling noise over the texture, 0..1.
double Fractal(int px, int py, int basePeriod, int octaves, unsigned seed) {
    double sum = 0, amp = 1, norm = 0;
    int period = basePeriod;
    for (int o = 0; o < octaves; ++o) {
        const double scale = double(period) / N;
        sum += amp * ValueNoise(px * scale, py * scale, period, seed + static_cast<unsigned>(o));
        norm += amp;
        amp *= 0.5;
        period *= 2;
    }
    return sum / norm;
}

using Pattern = std::function<QRgb(int x, int y)>;

QRgb Checker(int x, int y) {
    const bool dark = ((x / 8) + (y / 8)) % 2;
    const double grain = Fractal(x, y, 8, 2, 1) * 0.12;
    return Blend(dark ? qRgb(196, 98, 66) : qRgb(244, 228, 196), qRgb(120, 90, 60), grain);
}

QRgb Bricks(int x, int y) {
    // Four courses of 16 pixels, every other one shifted by half a brick.
    const int row = y / 16;
    const int bx = (x + (row % 2) * 16) % 32;
    const int by = y % 16;
    if (by < 2 || bx < 2) return qRgb(214, 208, 196);  // mortar
    const int brick = row * 2 + ((x + (row % 2) * 16) % N) / 32;
    const double tone = Lattice(brick, 0, 64, 7) * 0.35 + Fractal(x, y, 16, 2, 3) * 0.25;
    return Blend(qRgb(178, 72, 48), qRgb(120, 44, 32), tone);
}

QRgb Wood(int x, int y) {
    // Rings around an axis off the tile, bent by noise; periodic in x and y.
    const double n = Fractal(x, y, 4, 3, 11);
    const double rings = std::sin(kTau * (3.0 * y / N + 2.0 * n + 0.5 * std::sin(kTau * x / N)));
    const double t = 0.5 + 0.5 * rings;
    return Blend(qRgb(222, 170, 108), qRgb(150, 92, 48), t * t);
}

QRgb Marble(int x, int y) {
    const double turb = Fractal(x, y, 4, 4, 23);
    const double v = std::fabs(std::sin(kTau * (double(x + y) / N + 2.5 * turb)));
    return Blend(qRgb(120, 128, 140), qRgb(242, 240, 234), std::pow(v, 0.35));
}

QRgb Stripes(int x, int y) {
    // Diagonal bands, four across the tile, with soft edges.
    const double s = std::sin(kTau * 4.0 * (x + y) / N);
    return Blend(qRgb(58, 134, 168), qRgb(232, 238, 214), Smooth(Clamp01(0.5 + 1.5 * s)));
}

QRgb Gradient(int x, int y) {
    // A sunset that meets itself at the tile's edges.
    const double t = 0.5 - 0.5 * std::cos(kTau * y / N);
    const double u = 0.5 - 0.5 * std::cos(kTau * x / N);
    return Blend(Blend(qRgb(252, 206, 120), qRgb(232, 112, 96), t), qRgb(150, 100, 170), u * t * 0.6);
}

QRgb Moss(int x, int y) {
    const double n = Fractal(x, y, 8, 4, 37);
    return Blend(qRgb(70, 112, 46), qRgb(176, 204, 96), n * 1.4 - 0.2);
}

QRgb Tiles(int x, int y) {
    const int tx = x % 16, ty = y % 16;
    if (tx < 1 || ty < 1) return qRgb(236, 232, 222);  // grout
    // Each tile a little lighter towards its upper left, glaze-like.
    const double shade = (tx + ty) / 32.0;
    const bool accent = ((x / 16) + 2 * (y / 16)) % 5 == 0;
    return Blend(accent ? qRgb(240, 196, 80) : qRgb(96, 156, 210),
                 accent ? qRgb(200, 150, 50) : qRgb(40, 92, 156), shade);
}

QRgb Dots(int x, int y) {
    const double cx = (x % 16) - 7.5, cy = (y % 16) - 7.5;
    const double r = std::sqrt(cx * cx + cy * cy);
    return Blend(qRgb(236, 124, 146), qRgb(252, 240, 228), Smooth(Clamp01(r - 4.5)));
}

QRgb Water(int x, int y) {
    const double n = Fractal(x, y, 4, 3, 53);
    const double w = std::sin(kTau * (2.0 * x / N + 1.5 * n)) * std::sin(kTau * (2.0 * y / N + n));
    return Blend(qRgb(30, 110, 150), qRgb(150, 214, 226), 0.5 + 0.5 * w);
}

const std::vector<std::pair<const char*, Pattern>>& Patterns() {
    static const std::vector<std::pair<const char*, Pattern>> patterns = {
        {"checker", Checker}, {"bricks", Bricks}, {"wood", Wood},   {"marble", Marble},
        {"stripes", Stripes}, {"gradient", Gradient}, {"moss", Moss}, {"tiles", Tiles},
        {"dots", Dots},       {"water", Water},
    };
    return patterns;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: texgen <run dir> <count>\n");
        return 2;
    }
    const QDir runDir(QString::fromLocal8Bit(argv[1]));
    const auto& patterns = Patterns();
    if (QString::fromLocal8Bit(argv[2]).toInt() != int(patterns.size())) {
        std::fprintf(stderr, "texgen: draws %d textures, %s asked for\n", int(patterns.size()), argv[2]);
        return 2;
    }
    for (size_t i = 0; i < patterns.size(); ++i) {
        QImage image(N, N, QImage::Format_RGB32);
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x) image.setPixel(x, y, patterns[i].second(x, y));
        const QString path = runDir.filePath(TextureFileName(int(i) + 1));
        if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, "BMP")) {
            std::fprintf(stderr, "texgen: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s  %s\n", qPrintable(path), patterns[i].first);
    }
    return 0;
}
