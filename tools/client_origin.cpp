// Prints where a top-level window's client area lies on screen, for the Windows
// test under Wine: Wine draws a window's frame into the same X window, so the X
// geometry alone does not tell where the form's own content starts.
//   client_origin TITLE     prints "X Y WIDTH HEIGHT", or fails when no window has
//                           that title
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
    RECT client = {};
    if (!window || !ClientToScreen(window, &origin) || !GetClientRect(window, &client)) return 1;
    std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    return 0;
}
