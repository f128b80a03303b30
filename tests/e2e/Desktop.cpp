#include "Desktop.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <map>

#include <poll.h>
#include <sys/socket.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace e2e {
namespace {

// Whether the server at the other end of `dpy` has ended: its socket reads as
// closed.
bool ServerGone(Display* dpy) {
    pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
    char byte;
    return poll(&fd, 1, 0) > 0 &&
           ((fd.revents & (POLLHUP | POLLERR)) || recv(fd.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0);
}

// The display named in DISPLAY now: a test may move to an X server of its own.
// Connections stay open, as closing one whose server has ended would end the
// process; a later server under the same name gets a connection of its own.
Display* Dpy() {
    static auto& connections = *new std::map<QByteArray, Display*>;  // never freed: held, not leaked, at exit
    Display*& dpy = connections[qgetenv("DISPLAY")];
    if (!dpy || ServerGone(dpy)) {
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // a window gone by the request is no fault
        dpy = XOpenDisplay(nullptr);
    }
    return dpy;
}

QByteArray Property(Window w, const char* name, Atom type) {
    Atom prop = XInternAtom(Dpy(), name, False);
    Atom actualType;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    QByteArray out;
    if (XGetWindowProperty(Dpy(), w, prop, 0, 4096, False, type, &actualType, &format, &items,
                           &after, &data) == Success &&
        data) {
        out = QByteArray(reinterpret_cast<const char*>(data),
                         static_cast<int>(items * (format == 32 ? sizeof(long) : format / 8)));
        XFree(data);
    }
    return out;
}

QString WindowTitle(Window w) {
    const QByteArray utf8 =
        Property(w, "_NET_WM_NAME", XInternAtom(Dpy(), "UTF8_STRING", False));
    if (!utf8.isEmpty()) return QString::fromUtf8(utf8);
    char* name = nullptr;
    QString out;
    if (XFetchName(Dpy(), w, &name) && name) {
        out = QString::fromLocal8Bit(name);
        XFree(name);
    }
    return out;
}

long long WindowPid(Window w) {
    const QByteArray raw = Property(w, "_NET_WM_PID", XA_CARDINAL);
    if (raw.size() < static_cast<int>(sizeof(long))) return -1;
    return *reinterpret_cast<const long*>(raw.constData());
}

}  // namespace

std::vector<TopWindow> VisibleTopWindows() {
    std::vector<TopWindow> out;
    Display* dpy = Dpy();
    if (!dpy) return out;
    XSync(dpy, False);
    Window root = DefaultRootWindow(dpy), parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(dpy, root, &root, &parent, &children, &count)) return out;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attr;
        if (!XGetWindowAttributes(dpy, children[i], &attr) || attr.map_state != IsViewable)
            continue;
        TopWindow w;
        w.id = children[i];
        w.name = WindowTitle(children[i]);
        w.geometry = QRect(attr.x, attr.y, attr.width, attr.height);
        w.pid = WindowPid(children[i]);
        w.popup = attr.override_redirect;
        w.windowClass = QString::fromLatin1(Property(children[i], "WM_CLASS", XA_STRING).split('\0').value(1));
        out.push_back(w);
    }
    if (children) XFree(children);
    return out;
}

std::optional<TopWindow> FindVisibleWindow(const QString& name, long long pid) {
    for (const TopWindow& w : VisibleTopWindows())
        if (w.name == name && (pid < 0 || w.pid == pid)) return w;
    return std::nullopt;
}

bool WaitFor(const std::function<bool()>& cond, int ms, int pollMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (cond()) return true;
        if (clock.elapsed() >= ms) return false;
        QThread::msleep(pollMs);
    }
}

void RequestClose(unsigned long window) {
    Display* dpy = Dpy();
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, window, False, NoEventMask, &ev);
    XFlush(dpy);
}

QString RunTool(const QString& program, const QStringList& args, bool mayMiss) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        if (!mayMiss) ADD_FAILURE() << program.toStdString() << " hung: " << args.join(' ').toStdString();
        return {};
    }
    if (!mayMiss && (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0))
        ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString() << " failed: "
                      << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

namespace {
// Starts the X server `program` on a free display number: it writes the number
// out once it takes clients.
QString StartXServer(QProcess& server, const QString& program, QStringList args) {
    args << QStringLiteral("-displayfd") << QStringLiteral("1") << QStringLiteral("-nolisten")
         << QStringLiteral("tcp");
    server.start(program, args);
    QByteArray number;
    WaitFor(
        [&] {
            server.waitForReadyRead(100);
            number += server.readAllStandardOutput();
            return number.contains('\n') || server.state() == QProcess::NotRunning;
        },
        15000, 0);
    return number.contains('\n') ? QStringLiteral(":") + QString::fromLatin1(number.trimmed()) : QString();
}
}  // namespace

QString StartXvfb(QProcess& xvfb, QSize size, const QStringList& options) {
    const QString screen = QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height());
    return StartXServer(xvfb, QStringLiteral("Xvfb"),
                        QStringList{QStringLiteral("-screen"), QStringLiteral("0"), screen} + options);
}

QString StartDummyXorg(QProcess& xorg, const QString& folder, QSize virtualSize) {
    QFile config(QDir(folder).filePath(QStringLiteral("dummy.cfg")));
    if (!config.open(QIODevice::WriteOnly)) return {};
    config.write(QStringLiteral("Section \"Device\"\n  Identifier \"card\"\n  Driver \"dummy\"\n"
                                "  VideoRam 65536\nEndSection\n"
                                "Section \"Screen\"\n  Identifier \"screen\"\n  Device \"card\"\n"
                                "  SubSection \"Display\"\n    Depth 24\n    Virtual %1 %2\n"
                                "  EndSubSection\nEndSection\n")
                     .arg(virtualSize.width())
                     .arg(virtualSize.height())
                     .toUtf8());
    config.close();
    // No configuration but this one (the folder holds no .conf): the machine's
    // own would add devices.
    return StartXServer(xorg, QStringLiteral("Xorg"),
                        {QStringLiteral("-config"), config.fileName(), QStringLiteral("-configdir"), folder,
                         QStringLiteral("-logfile"), QDir(folder).filePath(QStringLiteral("xorg.log")),
                         QStringLiteral("-noreset")});
}

QImage Screenshot() {
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("screen.ppm"));
    QFile::remove(file);
    QProcess p;
    p.start(QStringLiteral("import"),
            {QStringLiteral("-silent"), QStringLiteral("-window"), QStringLiteral("root"),
             QStringLiteral("ppm:") + file});
    if (!p.waitForFinished(20000) || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "import failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    QImage img(file);
    if (img.isNull()) ADD_FAILURE() << "screenshot unreadable";
    return img.convertToFormat(QImage::Format_RGB32);
}

std::ostream& operator<<(std::ostream& out, const Diff& d) {
    return out << d.count << " pixels differ, within (" << d.bounds.x() << ", " << d.bounds.y() << ") "
               << d.bounds.width() << "x" << d.bounds.height();
}

Diff Compare(const QImage& a, const QImage& b, const std::vector<QRect>& ignore, int tolerance) {
    Diff d;
    if (a.size() != b.size() || a.isNull()) {
        d.count = -1;
        return d;
    }
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const QRgb pa = ra[x], pb = rb[x];
            if (pa == pb) continue;
            if (std::abs(qRed(pa) - qRed(pb)) <= tolerance &&
                std::abs(qGreen(pa) - qGreen(pb)) <= tolerance &&
                std::abs(qBlue(pa) - qBlue(pb)) <= tolerance)
                continue;
            bool skip = false;
            for (const QRect& r : ignore) skip = skip || r.contains(x, y);
            if (skip) continue;
            ++d.count;
            d.bounds = d.bounds.united(QRect(x, y, 1, 1));
        }
    }
    return d;
}

QImage Settled(const std::function<QImage()>& shoot, const std::vector<QRect>& ignore, int ms) {
    QImage last = shoot(), settled;
    WaitFor(
        [&] {
            QImage next = shoot();
            const bool same = Compare(last, next, ignore).count == 0;
            last = next;
            if (same) settled = last;
            return same;
        },
        ms, 100);
    return settled;
}

double LitShare(const QImage& img, const QRect& area, int level) {
    const QRect r = area.intersected(img.rect());
    if (r.isEmpty()) return 0;
    long lit = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            if (std::max({qRed(row[x]), qGreen(row[x]), qBlue(row[x])}) > level) ++lit;
    }
    return double(lit) / (double(r.width()) * r.height());
}

MeanColour MeanLitColour(const QImage& img, const QRect& area, int level) {
    MeanColour m;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = row[x];
            if (std::max({qRed(p), qGreen(p), qBlue(p)}) <= level) continue;
            m.r += qRed(p);
            m.g += qGreen(p);
            m.b += qBlue(p);
            ++m.pixels;
        }
    }
    if (m.pixels) {
        m.r /= m.pixels;
        m.g /= m.pixels;
        m.b /= m.pixels;
    }
    return m;
}

std::optional<double> MeanFpsReading(const QStringList& command, const std::vector<QImage>& crops,
                                     int clip) {
    QTemporaryDir dir;
    QStringList args = command.mid(1) + QStringList{"--clip", QString::number(clip)};
    for (size_t i = 0; i < crops.size(); ++i) {
        args << dir.filePath(QString("%1.png").arg(i, 5, 10, QChar('0')));
        if (!crops[i].save(args.last())) ADD_FAILURE() << "cannot save " << args.last().toStdString();
    }
    QProcess reader;
    reader.start(command.first(), args);
    if (!reader.waitForFinished(120000) || reader.exitCode() != 0) {
        ADD_FAILURE() << command.join(' ').toStdString() << " failed: " << reader.readAllStandardError().toStdString();
        return std::nullopt;
    }
    double sum = 0;
    int read = 0;
    for (const QByteArray& line : reader.readAllStandardOutput().split('\n')) {
        bool ok = false;
        const int n = line.trimmed().toInt(&ok);
        if (ok) sum += n, ++read;
    }
    if (read == 0) return std::nullopt;
    return sum / read;
}

WindowsWindow AskWindows(const QString& folder, const QString& which) {
    const QStringList a = RunTool("wine", {folder + "/client_origin.exe", which}, true).simplified().split(' ');
    if (a.size() < 6) return {};
    return {QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt()), QPoint(a[4].toInt(), a[5].toInt()),
            a.value(6) == "no-caption"};
}

}  // namespace e2e
