#pragma once
// Qt's connection to the X server; none where the program is not on X11.
#include "platform/WindowSystem.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

inline Display* X11Display() {
    if (!qGuiApp || CurrentWindowSystem() != WindowSystem::X11) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}
