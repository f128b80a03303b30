// Prints where a top-level window's client area lies on screen, for the Windows
// test under Wine: Wine draws a window's frame into the same X window, so the X
// geometry alone does not tell where the form's own content starts.
//   client_origin TITLE     prints "X Y WIDTH HEIGHT LEFT TOP": the client area,
//                           then the window's own top-left corner, frame included
//                           (Wine's X window holds only the part on the screen);
//                           fails when no window has that title
#include <windows.h>

#include <cstdio>

int main() {
    // Real pixels at any display scale: a program that is not DPI aware gets
    // coordinates scaled down to 96 dpi.
    SetProcessDPIAware();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    HWND window = argc == 2 ? FindWindowW(nullptr, argv[1]) : nullptr;
    POINT origin = {0, 0};
    RECT client = {}, frame = {};
    if (!window || !ClientToScreen(window, &origin) || !GetClientRect(window, &client) ||
        !GetWindowRect(window, &frame))
        return 1;
    std::printf("%ld %ld %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom, frame.left,
                frame.top);
    return 0;
}
