// Reads the viewer's frames-per-second box from screenshots, for the soak script:
// the box shows plain digits in a known font, so rendering candidate numbers in an
// identical line edit and comparing pixels recognises it exactly.
//   read_fps [--clip N] crop1.png crop2.png ...   (each a 31x21 crop of the box)
// Prints one number per file, or "?" where no candidate matches. --clip N: the
// right and bottom N pixels of each crop are not the box's (Wine 10 draws the box
// shifted by the part of the main window's frame that lies beyond the screen).
#include "platform/Application.h"
#include "platform/FormFont.h"

#include <QImage>
#include <QLineEdit>
#include <QString>
#include <cstdio>
#include <map>

namespace {
constexpr int kLargestCandidate = 20000;

// The box as the main window builds it: disabled, read-only, 31 by 21, in the
// main window's font.
QLineEdit* MakeBox() {
    auto* box = new QLineEdit;
    box->setFont(FormFont());
    box->setEnabled(false);
    box->setReadOnly(true);
    box->resize(31, 21);
    return box;
}

QImage Normalised(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

// Pixels only: a screenshot carries a colour space that a drawn widget does not.
// The digits only, too: Windows' theme draws the frame of a box on screen with a
// highlight that the same box drawn off screen lacks.
bool SamePixels(const QImage& a, const QImage& b, int clip) {
    constexpr int kFrame = 3;
    const int end = clip > kFrame ? clip : kFrame;
    if (a.size() != b.size()) return false;
    for (int y = kFrame; y < a.height() - end; ++y)
        for (int x = kFrame; x < a.width() - end; ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) return false;
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    Application->Initialize();
    QLineEdit* box = MakeBox();

    // --render N FILE: the box as this tool draws N, to compare by eye.
    if (argc == 4 && QByteArray(argv[1]) == "--render") {
        box->setText(QString::fromLocal8Bit(argv[2]));
        return box->grab().toImage().save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    }

    int first = 1, clip = 0;
    if (argc > 2 && QByteArray(argv[1]) == "--clip") {
        clip = QByteArray(argv[2]).toInt();
        first = 3;
    }
    std::map<QByteArray, int> seen;  // identical crops need one search
    for (int i = first; i < argc; ++i) {
        const QImage crop = Normalised(QImage(QString::fromLocal8Bit(argv[i])));
        const QByteArray key(reinterpret_cast<const char*>(crop.constBits()),
                             static_cast<int>(crop.sizeInBytes()));
        int found = -1;
        if (auto it = seen.find(key); it != seen.end()) {
            found = it->second;
        } else if (!crop.isNull()) {
            for (int n = 0; n <= kLargestCandidate && found < 0; ++n) {
                box->setText(QString::number(n));
                if (SamePixels(Normalised(box->grab().toImage()), crop, clip)) found = n;
            }
            seen[key] = found;
        }
        if (found >= 0)
            std::printf("%d\n", found);
        else
            std::printf("?\n");
    }
    delete box;
    return 0;
}
