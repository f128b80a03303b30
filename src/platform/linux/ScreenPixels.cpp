#include "platform/ScreenPixels.h"

#include "platform/WindowSystem.h"
#include "platform/wayland/WaylandOutputPixels.h"
#include "platform/x11/X11ScreenPixels.h"

#include <QGuiApplication>
#include <QWindow>

QSize ScreenPixels(const QWindow* window) {
    if (CurrentWindowSystem() == WindowSystem::Wayland) return WaylandOutputPixels(window->screen());
    return X11ScreenPixels(QGuiApplication::primaryScreen());
}
