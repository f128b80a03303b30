// Prints where a top-level window's client area lies on screen, for the Windows
// test under Wine: Wine draws a window's frame into the same X window, so the X
// geometry alone does not tell where the form's own content starts.
//   client_origin TITLE     prints "X Y WIDTH HEIGHT LEFT TOP": the client area,
//                           then the window's own top-left corner, frame included
//                           (Wine's X window holds only the part on the screen);
//                           fails when no window has that title
//   client_origin @X,Y      the same for the top-level window at that point of the
//                           screen, followed by "caption" or "no-caption"
#include <windows.h>

#include <cstdio>
#include <cwchar>

int main() {
    // Real pixels at any display scale: a program that is not DPI aware gets
    // coordinates scaled down to 96 dpi.
    SetProcessDPIAware();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    HWND window = nullptr;
    bool byPoint = false;
    if (argc == 2 && argv[1][0] == L'@') {
        POINT at = {};
        byPoint = swscanf(argv[1] + 1, L"%ld,%ld", &at.x, &at.y) == 2;
        if (byPoint) window = GetAncestor(WindowFromPoint(at), GA_ROOT);
    } else if (argc == 2) {
        window = FindWindowW(nullptr, argv[1]);
    }
    POINT origin = {0, 0};
    RECT client = {}, frame = {};
    if (!window || !ClientToScreen(window, &origin) || !GetClientRect(window, &client) ||
        !GetWindowRect(window, &frame))
        return 1;
    std::printf("%ld %ld %ld %ld %ld %ld", origin.x, origin.y, client.right, client.bottom, frame.left,
                frame.top);
    if (byPoint)
        std::printf(" %s", (GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION ? "caption"
                                                                                        : "no-caption");
    std::printf("\n");
    return 0;
}
