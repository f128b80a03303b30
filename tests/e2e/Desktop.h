#pragma once
// The X display as a user sees it: top-level windows with their titles and
// places, real input through xdotool (XTEST), and screenshots of the root
// window. Nothing here knows the program's internals. Everything acts on the
// display that DISPLAY names at the time of the call.
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <ostream>
#include <optional>
#include <vector>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace e2e {

struct TopWindow {
    unsigned long id = 0;
    QString name;
    QRect geometry;  // in root coordinates
    long long pid = -1;
    // Placed by the program itself, past any window manager: a menu or an open
    // list. These carry the application's name as their title.
    bool popup = false;
    QString windowClass;  // WM_CLASS's class: what tells Wine's windows, which carry no pid
};

// Mapped (viewable) children of the root window; without a window manager these
// are exactly the windows a user would see on the screen.
std::vector<TopWindow> VisibleTopWindows();
std::optional<TopWindow> FindVisibleWindow(const QString& name, long long pid = -1);

// Starts `xvfb` as an X server of one screen of `size`, with the server's further
// `options`, on a free display number;
// its name (":N") once it takes clients, or empty when it did not start.
QString StartXvfb(QProcess& xvfb, QSize size, const QStringList& options = {});
// The same with Xorg's dummy driver, whose sixteen RandR outputs (DUMMY0 to
// DUMMY15) xrandr switches on, places and sizes within `virtualSize`, as a
// desktop of several monitors; its configuration and log go into `folder`.
// Only DUMMY0 is on at the start, at 1024x768.
QString StartDummyXorg(QProcess& xorg, const QString& folder, QSize virtualSize);

// Polls until `cond` holds or `ms` pass; true when it held.
bool WaitFor(const std::function<bool()>& cond, int ms, int pollMs = 50);

// Asks a window to close the way a window manager's close button does
// (WM_DELETE_WINDOW); xdotool of Debian 12 has no windowclose.
void RequestClose(unsigned long window);

// Runs `program` with `args`; its standard output, trimmed. Fails the test when
// it fails or hangs, unless it `mayMiss`, as when the window it aims at may be gone.
QString RunTool(const QString& program, const QStringList& args, bool mayMiss = false);
inline QString Xdo(const QStringList& args) { return RunTool(QStringLiteral("xdotool"), args); }

// The mean reading of the frames-per-second box in `crops` by `command` (tools/read_fps, or
// its Windows build through wine; `clip`: see there); null when it recognises none.
std::optional<double> MeanFpsReading(const QStringList& command, const std::vector<QImage>& crops,
                                     int clip = 0);

// What Windows says, under Wine, of the top-level window titled `which` or (as "@X,Y") at that
// point: tools/client_origin.exe, run by wine in `folder`. Wine draws frames into the X window.
struct WindowsWindow {
    QRect client;        // on the screen; null where Windows knows no such window
    QPoint corner;       // the window's own, frame included: it may lie beyond the screen
    bool popup = false;  // without a caption: a menu or an open list
};
WindowsWindow AskWindows(const QString& folder, const QString& which);

// The whole screen through ImageMagick's import, as RGB32.
QImage Screenshot();

// Pixels whose colour differs by more than `tolerance` in any channel, outside
// `ignore`.
struct Diff {
    long count = 0;
    QRect bounds;
};
Diff Compare(const QImage& a, const QImage& b, const std::vector<QRect>& ignore = {},
             int tolerance = 0);
// "N pixels differ, within (x, y) WxH", for failure messages.
std::ostream& operator<<(std::ostream& out, const Diff& d);

// What `shoot` shows once two shots in a row agree outside `ignore` (whatever was
// mapped has been drawn); null when it keeps changing for `ms`.
QImage Settled(const std::function<QImage()>& shoot, const std::vector<QRect>& ignore, int ms);
inline QImage SettledArea(const QRect& area, int ms = 5000) {
    return Settled([area] { return Screenshot().copy(area); }, {}, ms);
}

// Share of pixels in `area` brighter than `level` (max channel).
double LitShare(const QImage& img, const QRect& area, int level = 40);

// Mean colour of the pixels in `area` brighter than `level`.
struct MeanColour {
    double r = 0, g = 0, b = 0;
    long pixels = 0;
};
MeanColour MeanLitColour(const QImage& img, const QRect& area, int level = 40);

}  // namespace e2e
