#include "platform/WindowSystem.h"

#include <QGuiApplication>

WindowSystem CurrentWindowSystem() {
    // "wayland", or a variant such as "wayland-egl"; "windows" on Windows.
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("xcb")) return WindowSystem::X11;
    if (name.startsWith(QLatin1String("wayland"))) return WindowSystem::Wayland;
    return WindowSystem::Other;
}
