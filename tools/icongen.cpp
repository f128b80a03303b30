// Draws the program's icon as PNGs for the hicolor theme, from the XPM the
// window uses:
//
//   icongen <icon.xpm> <hicolor dir> <size>...
//
// writes <hicolor dir>/<size>x<size>/apps/<icon name>.png for each size.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <cstdio>

namespace {
// The XPM is pixel art: enlarge it by whole pixels first, so that its edges stay
// sharp, and only then smooth it down to the size asked for.
QImage Draw(const QImage& art, int size) {
    const int factor = (size + art.width() - 1) / art.width();
    const QImage big = factor > 1 ? art.scaled(art.size() * factor) : art;
    if (big.width() == size && big.height() == size) return big;
    return big.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: icongen <icon.xpm> <hicolor dir> <size>...\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QImage art = QImage(source).convertToFormat(QImage::Format_ARGB32);
    if (art.isNull() || art.width() != art.height()) {
        std::fprintf(stderr, "icongen: %s is not a square image\n", argv[1]);
        return 1;
    }
    const QString name = QFileInfo(source).completeBaseName();
    const QDir out(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "icongen: bad size %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = out.filePath(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!out.mkpath(dir) || !Draw(art, size).save(path, "PNG")) {
            std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
