#pragma once

// Keeps the program's windows in the light scheme whatever the desktop's: the
// forms' own colours (navy and green on the button face) are chosen for it.
void KeepLightScheme();
