// Draws the program's icon from the XPM the window uses, in the sizes a desktop
// asks for:
//
//   icongen <icon.xpm> <hicolor dir> <size>...
//       writes <hicolor dir>/<size>x<size>/apps/<icon name>.png for each size;
//   icongen --ico <icon.xpm> <file.ico> <size>...
//       writes one Windows icon holding every size.
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QtEndian>
#include <cstdio>
#include <vector>

namespace {
// The XPM is pixel art: enlarge it by whole pixels first, so that its edges stay
// sharp, and only then smooth it down to the size asked for.
QImage Draw(const QImage& art, int size) {
    const int factor = (size + art.width() - 1) / art.width();
    const QImage big = factor > 1 ? art.scaled(art.size() * factor) : art;
    if (big.width() == size && big.height() == size) return big;
    return big.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

template <typename T>
void Put(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

// One image of an icon file as Windows reads it at every size it uses: a 32-bit
// bottom-up bitmap of twice the height (colour, then a 1-bit mask that 32-bit
// colour makes redundant but older readers want), or a PNG from 256 pixels on,
// as Windows' own icons store their largest size.
QByteArray IconImage(const QImage& image) {
    const int size = image.width();
    if (size >= 256) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return png;
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int maskStride = ((size + 31) / 32) * 4;
    QByteArray out;
    Put<quint32>(out, 40);
    Put<qint32>(out, size);
    Put<qint32>(out, 2 * size);
    Put<quint16>(out, 1);   // planes
    Put<quint16>(out, 32);  // bits a pixel
    Put<quint32>(out, 0);   // uncompressed
    Put<quint32>(out, static_cast<quint32>(size * size * 4 + size * maskStride));
    for (int i = 0; i < 4; ++i) Put<quint32>(out, 0);
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) Put<quint32>(out, argb.pixel(x, y));
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < size; ++x)
            if (qAlpha(argb.pixel(x, y)) == 0) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

// An .ico file: a directory of the images, then the images.
QByteArray IconFile(const std::vector<QImage>& images) {
    QByteArray out;
    Put<quint16>(out, 0);
    Put<quint16>(out, 1);  // an icon, not a cursor
    Put<quint16>(out, static_cast<quint16>(images.size()));
    std::vector<QByteArray> data;
    for (const QImage& image : images) data.push_back(IconImage(image));
    quint32 offset = static_cast<quint32>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int size = images[i].width();
        out.append(static_cast<char>(size >= 256 ? 0 : size));  // 0 stands for 256
        out.append(static_cast<char>(size >= 256 ? 0 : size));
        out.append('\0');  // no palette
        out.append('\0');
        Put<quint16>(out, 1);
        Put<quint16>(out, 32);
        Put<quint32>(out, static_cast<quint32>(data[i].size()));
        Put<quint32>(out, offset);
        offset += static_cast<quint32>(data[i].size());
    }
    for (const QByteArray& d : data) out.append(d);
    return out;
}

bool ParseSize(const char* text, int& size) {
    bool ok = false;
    size = QString::fromLocal8Bit(text).toInt(&ok);
    if (ok && size >= 1 && size <= 256) return true;
    std::fprintf(stderr, "icongen: bad size %s\n", text);
    return false;
}
}  // namespace

int main(int argc, char** argv) {
    const bool ico = argc > 1 && QByteArray(argv[1]) == "--ico";
    const int first = ico ? 2 : 1;
    if (argc < first + 3) {
        std::fprintf(stderr,
                     "usage: icongen <icon.xpm> <hicolor dir> <size>...\n"
                     "       icongen --ico <icon.xpm> <file.ico> <size>...\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[first]);
    const QString target = QString::fromLocal8Bit(argv[first + 1]);
    const QImage art = QImage(source).convertToFormat(QImage::Format_ARGB32);
    if (art.isNull() || art.width() != art.height()) {
        std::fprintf(stderr, "icongen: %s is not a square image\n", argv[first]);
        return 1;
    }
    std::vector<QImage> images;
    for (int i = first + 2; i < argc; ++i) {
        int size = 0;
        if (!ParseSize(argv[i], size)) return 2;
        images.push_back(Draw(art, size));
    }

    if (ico) {
        QFile file(target);
        if (!file.open(QIODevice::WriteOnly) || file.write(IconFile(images)) < 0) {
            std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(target));
            return 1;
        }
        return 0;
    }
    const QString name = QFileInfo(source).completeBaseName();
    const QDir out(target);
    for (const QImage& image : images) {
        const QString dir = QStringLiteral("%1x%1/apps").arg(image.width());
        const QString path = out.filePath(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!out.mkpath(dir) || !image.save(path, "PNG")) {
            std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
