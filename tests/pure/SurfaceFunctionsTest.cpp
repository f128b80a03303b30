// The seven prototypes at the start-up coefficients and beyond.
#include "render/Grid.h"
#include "surface/SurfaceFunctions.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>

namespace {
constexpr double kPi = 3.141592653589793;
float H(int index, float x, float z, SurfaceCoefficients k = {}) {
    return static_cast<float>(SurfaceHeight(index, k, x, z));
}
}  // namespace

TEST(SurfaceFunctions, RadialCosine) {
    EXPECT_FLOAT_EQ(H(0, 0, 0), 20.0f);
    EXPECT_NEAR(H(0, 3, 4), 5.6732f, 1e-4);
    EXPECT_FLOAT_EQ(H(0, 3, 4), static_cast<float>(20 * std::cos(5.0)));
    // A negative b makes the radicand negative away from the axis: no guard.
    SurfaceCoefficients k;
    k.b = -1;
    EXPECT_TRUE(std::isnan(H(0, 3, 0, k)));
}

TEST(SurfaceFunctions, Paraboloid) {
    EXPECT_EQ(H(1, 20, 20), 16000.0f);
    EXPECT_EQ(H(1, -20, -20), 16000.0f);
    SurfaceCoefficients k;
    k.b = 7;
    k.c = 9;
    k.t = 3;
    k.phase = 1;
    EXPECT_EQ(H(1, 2, 3, k), H(1, 2, 3));
}

TEST(SurfaceFunctions, SineAndCosineWaves) {
    EXPECT_FLOAT_EQ(H(2, 9, 0), 40.0f);
    SurfaceCoefficients k;
    k.phase = static_cast<float>(kPi / 2);
    EXPECT_NEAR(H(2, 0, 0, k), 20.0f, 1e-5);
}

TEST(SurfaceFunctions, SignOfProduct) {
    EXPECT_EQ(H(3, 0, 5), 0.0f);
    EXPECT_EQ(H(3, 5, 0), 0.0f);
    EXPECT_EQ(H(3, 3, 4), 20.0f);
    EXPECT_EQ(H(3, -1, 2), -20.0f);
    EXPECT_EQ(SignOf(-0.0f), 0);
    EXPECT_EQ(SignOf(0.0f), 0);
    EXPECT_EQ(SignOf(std::numeric_limits<float>::quiet_NaN()), -1);
    EXPECT_EQ(SignOf(-std::numeric_limits<float>::infinity()), -1);
    EXPECT_EQ(SignOf(1e-30f), 1);
}

TEST(SurfaceFunctions, FifthPowerKeepsTheSign) {
    EXPECT_FLOAT_EQ(H(4, 9, 0), 20.0f);
    EXPECT_FLOAT_EQ(H(4, -9, 0), -20.0f);
}

TEST(SurfaceFunctions, AbsoluteValueCoversOnlyTheProduct) {
    EXPECT_FLOAT_EQ(H(5, 20, 20), 10.0f);
    SurfaceCoefficients k;
    k.a = -1;
    EXPECT_NEAR(H(5, 4, 0, k), -0.70710678f, 1e-6);
    for (int x = -20; x <= 20; x += 5)
        for (int z = -20; z <= 20; z += 5) EXPECT_LE(H(5, x, z, k), 0.0f);
}

TEST(SurfaceFunctions, HyperbolicProductAndItsOverflow) {
    EXPECT_NEAR(H(6, 20, 20) / 1.1769e16f, 1.0f, 1e-4);
    EXPECT_NEAR(H(6, -20, -20) / -1.1769e16f, 1.0f, 1e-4);
    SurfaceCoefficients k;
    k.b = 50;  // b·x reaches 1000: sinh overflows a double
    EXPECT_TRUE(std::isinf(H(6, 20, 1, k)));
    k.b = 5;  // still finite as a double, but past the largest float
    EXPECT_TRUE(std::isinf(H(6, 20, 20, k)));
    EXPECT_TRUE(std::isfinite(SurfaceHeight(6, k, 20, 20)));
}

TEST(SurfaceFunctions, PhaseMovesEveryPrototypeButOneThreeAndSix) {
    SurfaceCoefficients moved;
    moved.phase = 0.7f;
    for (int index = 0; index <= 6; ++index) {
        bool changed = false;
        for (int x = -20; x <= 20 && !changed; ++x)
            for (int z = -20; z <= 20 && !changed; ++z)
                changed = H(index, x, z) != H(index, x, z, moved);
        const bool phaseFree = index == 1 || index == 3 || index == 6;
        EXPECT_EQ(changed, !phaseFree) << "prototype " << index;
    }
}

// Every node the view asks for, of every prototype, at the start-up coefficients and
// at two other sets with t ≠ 0, against the record of tests/heights.txt: per
// prototype and set, the SHA-256 of the lines "x z height", the height the float the
// view draws, in hex. The builds for every processor and system meet the same record,
// line for line, but where a line tagged with the system says otherwise;
// VIEWER_PRINT_HEIGHTS=1 prints the lines as this build computes them (the record is
// never written).
TEST(SurfaceFunctions, HeightsOfEveryNodeAsRecorded) {
    const SurfaceCoefficients sets[] = {{}, {7.5f, 0.3f, 2.5f, 0.7f, 1.3f}, {-3.25f, 1.7f, 0.45f, -2.2f, 0.4f}};
    std::map<std::string, std::string> computed;
    int finite = 0;
    for (const SurfaceCoefficients& k : sets)
        for (int index = 0; index <= 6; ++index) {
            std::ostringstream table;
            table << std::hexfloat;
            for (int x = kFirstCell; x <= kLastCell + 1; ++x)
                for (int z = kFirstCell; z <= kLastCell + 1; ++z) {
                    const float h = H(index, static_cast<float>(x), static_cast<float>(z), k);
                    table << x << ' ' << z << ' ' << h << '\n';
                    finite += std::isfinite(h);
                }
            std::ostringstream key;
            key << index << ' ' << k.a << ' ' << k.b << ' ' << k.c << ' ' << k.t << ' ' << k.phase;
            computed[key.str()] = QCryptographicHash::hash(QByteArray::fromStdString(table.str()),
                                                           QCryptographicHash::Sha256)
                                      .toHex()
                                      .toStdString();
        }
    // A height that is no number leaves a hole in the drawn surface.
    EXPECT_EQ(finite, 3 * 7 * 41 * 41);
    if (qEnvironmentVariableIsSet("VIEWER_PRINT_HEIGHTS"))
        for (const auto& [key, digest] : computed) std::printf("%s %s\n", key.c_str(), digest.c_str());
#ifdef VIEWER_HEIGHTS_RECORD
    std::ifstream in(VIEWER_HEIGHTS_RECORD);
    ASSERT_TRUE(in) << "no record " << VIEWER_HEIGHTS_RECORD;
#ifdef _WIN32
    const std::string own = "@windows ";
#else
    const std::string own = "@linux ";
#endif
    std::map<std::string, std::string> recorded, ownRecorded;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        // "@PLATFORM ..." lines: what that platform's maths library gives instead.
        const bool tagged = line[0] == '@';
        if (tagged && line.compare(0, own.size(), own) != 0) continue;
        if (tagged) line.erase(0, own.size());
        const size_t digest = line.rfind(' ');
        ASSERT_NE(digest, std::string::npos) << line;
        (tagged ? ownRecorded : recorded)[line.substr(0, digest)] = line.substr(digest + 1);
    }
    for (const auto& [key, digest] : ownRecorded) recorded[key] = digest;
    // Keyed "prototype a b c t phase", valued by the digest.
    EXPECT_EQ(computed, recorded) << "heights against " << VIEWER_HEIGHTS_RECORD;
#endif
}

TEST(SurfaceFunctions, UnknownIndexGivesFlatGround) { EXPECT_EQ(H(7, 3, 4), 0.0f); }
