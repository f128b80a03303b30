#include "platform/CompositorPlacement.h"

#include "platform/WindowSystem.h"

#include <QScreen>
#include <QWindow>

void OnCompositorPlacement(QWindow* window, std::function<void()> placed) {
    if (!window || CurrentWindowSystem() != WindowSystem::Wayland) return;
    // Queued: Qt tells of the move from within its handling of the compositor's events.
    QObject::connect(window, &QWindow::screenChanged, window, [placed = std::move(placed)] { placed(); },
                     static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
}
