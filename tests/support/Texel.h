#pragma once
// One RGBA texel as the texture tests compare it, printable in failure messages.
#include <QRgb>
#include <ostream>

struct Texel {
    int r, g, b, a;
    bool operator==(const Texel& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

inline std::ostream& operator<<(std::ostream& os, const Texel& t) {
    return os << "(" << t.r << ", " << t.g << ", " << t.b << ", " << t.a << ")";
}

// A bitmap pixel as its texel: the colour with alpha 255.
inline Texel Opaque(QRgb c) { return {qRed(c), qGreen(c), qBlue(c), 255}; }

// What a position outside the bitmap samples to.
inline const Texel kWhite{255, 255, 255, 255};
