// Windows reads the keys itself (GetAsyncKeyState): nothing to watch.
#include "platform/KeyState.h"

void InstallKeyStateWatcher() {}
