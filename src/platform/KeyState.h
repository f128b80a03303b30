#pragma once
// Keyboard state kept for the whole application, whichever of its windows has the
// focus: the arrow keys fly the camera from a timer, not from key messages.
#include <cstdint>

// Starts watching the keyboard (once, after the Qt application exists).
void InstallKeyStateWatcher();

#ifdef _WIN32
// VK_UP and VK_DOWN as Windows names them. Its own GetAsyncKeyState reports keys
// typed into any program, so the name stands for the program's below.
#include <windows.h>
#define GetAsyncKeyState ProgramKeyState
#else
constexpr int VK_UP = 0x26;
constexpr int VK_DOWN = 0x28;
#endif

// Bit 15 set while the key is held; bit 0 set when it was pressed since the
// previous query of that key. Zero otherwise. Only keys that reach a window of
// the program count, also on Windows, whose own GetAsyncKeyState would report
// keys typed into any other program.
int16_t GetAsyncKeyState(int vk);
