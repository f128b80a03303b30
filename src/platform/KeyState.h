#pragma once
// Keyboard state kept for the whole application, whichever of its windows has the
// focus: the arrow keys fly the camera from a timer, not from key messages.
#include <cstdint>

// Starts watching the keyboard (once, after the Qt application exists).
void InstallKeyStateWatcher();

// The keys the camera flies with.
enum class ArrowKey { Up, Down };

// Bit 15 set while the key is held; bit 0 set when it was pressed since the
// previous query of that key. Zero otherwise. Only keys that reach a window of
// the program count, on Windows too, whose GetAsyncKeyState would report keys
// typed into any other program.
int16_t ProgramKeyState(ArrowKey key);
