#pragma once
// Keyboard state kept for the whole application, whichever of its windows has the
// focus: the arrow keys fly the camera from a timer, not from key messages.
#include <cstdint>

constexpr int VK_UP = 0x26;
constexpr int VK_DOWN = 0x28;

// Starts watching the keyboard (once, after the Qt application exists).
void InstallKeyStateWatcher();

// Bit 15 set while the key is held; bit 0 set when it was pressed since the
// previous query of that key. Zero otherwise.
int16_t GetAsyncKeyState(int vk);
