#pragma once
// Keyboard state kept for the whole application, whichever of its windows has the
// focus: the arrow keys fly the camera from a timer, not from key messages.
#include <cstdint>

// Starts watching the keyboard (once, after the Qt application exists).
void InstallKeyStateWatcher();

#ifdef _WIN32
// Windows keeps the keyboard state itself: GetAsyncKeyState, VK_UP and VK_DOWN.
#include <windows.h>
#else
constexpr int VK_UP = 0x26;
constexpr int VK_DOWN = 0x28;

// Bit 15 set while the key is held; bit 0 set when it was pressed since the
// previous query of that key. Zero otherwise.
int16_t GetAsyncKeyState(int vk);
#endif
