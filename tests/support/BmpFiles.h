#pragma once
// BMP files built byte by byte, in the variants the BMP format allows, so that the
// loader is checked against files no image library wrote. Header-only: the pure
// and the GL tests both use it.
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QtEndian>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bmp {

inline void Put16(QByteArray& b, uint16_t v) {
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}
inline void Put32(QByteArray& b, uint32_t v) {
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}
inline void Pad4(QByteArray& row) {
    while (row.size() % 4) row.append('\0');
}

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

struct Header {
    // The leading fields in order, as the files below spell them; the colour
    // table and masks follow by name.
    Header(int headerSize = 40, int width = 0, int height = 0, int bits = 24,
           uint32_t compression = kRgb)
        : headerSize(headerSize), width(width), height(height), bits(bits),
          compression(compression) {}

    int headerSize;  // 12 for the core header
    int width;
    int height;      // negative: rows top-down
    int bits;
    uint32_t compression;
    std::vector<QRgb> palette;
    std::vector<uint32_t> masks;  // three, after a 40-byte header
};

// File header, info header, masks, colour table, then `pixels` as given.
inline QByteArray File(const Header& h, const QByteArray& pixels) {
    QByteArray info;
    if (h.headerSize == 12) {
        Put32(info, 12);
        Put16(info, uint16_t(h.width));
        Put16(info, uint16_t(h.height));
        Put16(info, 1);
        Put16(info, uint16_t(h.bits));
    } else {
        Put32(info, uint32_t(h.headerSize));
        Put32(info, uint32_t(h.width));
        Put32(info, uint32_t(h.height));
        Put16(info, 1);
        Put16(info, uint16_t(h.bits));
        Put32(info, h.compression);
        Put32(info, uint32_t(pixels.size()));
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, uint32_t(h.palette.size()));
        Put32(info, 0);
        while (info.size() < h.headerSize) info.append('\0');
    }
    for (uint32_t m : h.masks) Put32(info, m);
    // A core header cannot say how many colours it uses: the table is full.
    std::vector<QRgb> palette = h.palette;
    if (h.headerSize == 12 && h.bits <= 8) palette.resize(size_t(1) << h.bits, qRgb(0, 0, 0));
    for (QRgb c : palette) {
        info.append(char(qBlue(c)));
        info.append(char(qGreen(c)));
        info.append(char(qRed(c)));
        if (h.headerSize != 12) info.append('\0');
    }
    QByteArray file("BM");
    Put32(file, uint32_t(14 + info.size() + pixels.size()));
    Put32(file, 0);
    Put32(file, uint32_t(14 + info.size()));
    return file + info + pixels;
}

// The colour expected at (x, y) of a test image, and how a pixel is packed.
using Picture = std::function<QRgb(int x, int y)>;

// Rows in file order: bottom-up unless the height is negative.
inline QByteArray Rows(int height, const std::function<QByteArray(int y)>& row) {
    QByteArray out;
    const int h = height < 0 ? -height : height;
    for (int i = 0; i < h; ++i) {
        QByteArray r = row(height < 0 ? i : h - 1 - i);
        Pad4(r);
        out += r;
    }
    return out;
}

// Six colours that differ in every channel; 5-bit exact, so 16-bit files keep them.
inline const std::vector<QRgb>& Colours() {
    static const std::vector<QRgb> c = {qRgb(248, 0, 0),    qRgb(0, 248, 0),   qRgb(0, 0, 248),
                                        qRgb(200, 120, 16), qRgb(24, 96, 232), qRgb(136, 64, 176)};
    return c;
}
inline int IndexAt(int x, int y, int count) { return (x + 2 * y) % count; }

// One named variant: the file bytes and the picture they hold.
struct Variant {
    std::string name;
    QByteArray bytes;
    int width = 0;
    int height = 0;
    Picture expected;
};

// Every variant the loader must read: each bit depth, both run-length codings, the
// core header, top-down rows and colour masks. Odd sizes exercise row padding;
// the width is 3 to 255, as one absolute run holds a row.
inline std::vector<Variant> Variants(int w = 5, int h = 3) {
    const auto& col = Colours();
    const Picture six = [&col](int x, int y) { return col[IndexAt(x, y, 6)]; };
    std::vector<Variant> v;

    auto bgr = [&](int y) {
        QByteArray r;
        for (int x = 0; x < w; ++x) {
            const QRgb c = six(x, y);
            r.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        }
        return r;
    };
    v.push_back({"rgb24", File({40, w, h, 24}, Rows(h, bgr)), w, h, six});
    v.push_back({"rgb24_top_down", File({40, w, -h, 24}, Rows(-h, bgr)), w, h, six});
    v.push_back({"core_rgb24", File({12, w, h, 24}, Rows(h, bgr)), w, h, six});

    auto bgrx = [&](int y) {
        QByteArray r;
        for (int x = 0; x < w; ++x) {
            const QRgb c = six(x, y);
            r.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\x7f');
        }
        return r;
    };
    v.push_back({"rgb32", File({40, w, h, 32}, Rows(h, bgrx)), w, h, six});

    // Masks in an unusual order: red in the low byte, blue in the third.
    auto rgbx = [&](int y) {
        QByteArray r;
        for (int x = 0; x < w; ++x) {
            const QRgb c = six(x, y);
            r.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c))).append('\0');
        }
        return r;
    };
    {
        Header hd{40, w, h, 32, kBitFields};
        hd.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
        v.push_back({"bitfields32", File(hd, Rows(h, rgbx)), w, h, six});
    }

    auto word16 = [&](int y, bool rgb565) {
        QByteArray r;
        for (int x = 0; x < w; ++x) {
            const QRgb c = six(x, y);
            const uint16_t p = rgb565 ? uint16_t((qRed(c) >> 3) << 11 | (qGreen(c) >> 2) << 5 | qBlue(c) >> 3)
                                      : uint16_t((qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3);
            Put16(r, p);
        }
        return r;
    };
    v.push_back({"rgb555", File({40, w, h, 16}, Rows(h, [&](int y) { return word16(y, false); })), w, h,
                 six});
    {
        Header hd{40, w, h, 16, kBitFields};
        hd.masks = {0xF800, 0x07E0, 0x001F};
        v.push_back({"bitfields565", File(hd, Rows(h, [&](int y) { return word16(y, true); })), w, h, six});
    }

    auto index8 = [&](int y) {
        QByteArray r;
        for (int x = 0; x < w; ++x) r.append(char(IndexAt(x, y, 6)));
        return r;
    };
    {
        Header hd{40, w, h, 8};
        hd.palette = col;
        v.push_back({"pal8", File(hd, Rows(h, index8)), w, h, six});
        hd.headerSize = 12;
        v.push_back({"core_pal8", File(hd, Rows(h, index8)), w, h, six});
    }

    auto index4 = [&](int y) {
        QByteArray r;
        for (int x = 0; x < w; x += 2) {
            const int hi = IndexAt(x, y, 6), lo = x + 1 < w ? IndexAt(x + 1, y, 6) : 0;
            r.append(char(hi << 4 | lo));
        }
        return r;
    };
    {
        Header hd{40, w, h, 4};
        hd.palette = col;
        v.push_back({"pal4", File(hd, Rows(h, index4)), w, h, six});
    }

    // Two colours, the lighter first: the reader must not confuse the indices.
    {
        const std::vector<QRgb> two = {qRgb(240, 224, 96), qRgb(16, 48, 128)};
        const Picture checker = [two](int x, int y) { return two[(x + y) % 2]; };
        auto bits1 = [&](int y) {
            QByteArray r((w + 7) / 8, '\0');
            for (int x = 0; x < w; ++x)
                if ((x + y) % 2) r[x / 8] = char(r[x / 8] | 0x80 >> x % 8);
            return r;
        };
        Header hd{40, w, h, 1};
        hd.palette = two;
        v.push_back({"mono", File(hd, Rows(h, bits1)), w, h, checker});
    }

    // Run-length coded, in stored order: the first row as an absolute run, the
    // others as encoded runs, each row closed by end-of-line, then end-of-bitmap.
    auto rle8 = [&](bool topDown) {
        QByteArray rle;
        for (int i = 0; i < h; ++i) {
            const int y = topDown ? i : h - 1 - i;
            if (i == 0) {
                rle.append('\0').append(char(w));
                for (int x = 0; x < w; ++x) rle.append(char(IndexAt(x, y, 6)));
                if (w % 2) rle.append('\0');
            } else {
                for (int x = 0; x < w; ++x) rle.append('\x01').append(char(IndexAt(x, y, 6)));
            }
            rle.append('\0').append('\0');
        }
        rle.append('\0').append('\x01');
        Header hd{40, w, topDown ? -h : h, 8, kRle8};
        hd.palette = col;
        return File(hd, rle);
    };
    v.push_back({"rle8", rle8(false), w, h, six});
    v.push_back({"rle8_top_down", rle8(true), w, h, six});
    {
        QByteArray rle;
        for (int y = h - 1; y >= 0; --y) {
            if (y == h - 1) {
                // Absolute: w nibbles packed in pairs, padded to a 16-bit boundary.
                rle.append('\0').append(char(w));
                QByteArray packed;
                for (int x = 0; x < w; x += 2)
                    packed.append(char(IndexAt(x, y, 6) << 4 | (x + 1 < w ? IndexAt(x + 1, y, 6) : 0)));
                if (packed.size() % 2) packed.append('\0');
                rle += packed;
            } else {
                // Encoded: a run of two pixels alternates the two nibbles.
                for (int x = 0; x < w; x += 2) {
                    const int n = x + 1 < w ? 2 : 1;
                    rle.append(char(n)).append(
                        char(IndexAt(x, y, 6) << 4 | (n == 2 ? IndexAt(x + 1, y, 6) : 0)));
                }
            }
            rle.append('\0').append('\0');
        }
        rle.append('\0').append('\x01');
        Header hd{40, w, h, 4, kRle4};
        hd.palette = col;
        v.push_back({"rle4", File(hd, rle), w, h, six});
    }
    return v;
}

// A 24-bit file of any size, colours from `picture`.
inline QByteArray Rgb24(int width, int height, const Picture& picture) {
    return File({40, width, height, 24}, Rows(height, [&](int y) {
                    QByteArray r;
                    for (int x = 0; x < width; ++x) {
                        const QRgb c = picture(x, y);
                        r.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
                    }
                    return r;
                }));
}

// The header of a 24-bit file that claims `width` by `height` but holds no pixels.
inline QByteArray HeaderOnly(int width, int height) {
    return File({40, width, height, 24}, QByteArray()).left(54);
}

inline bool Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace bmp
