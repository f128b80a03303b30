#pragma once
#include <QIcon>

// The program's window icon: a green wire surface under a white arrow.
QIcon AppIcon();
