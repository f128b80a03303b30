#include "platform/wayland/WaylandOutputPixels.h"

#include "platform/WindowSystem.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {
struct Output {
    wl_output* proxy = nullptr;
    QString name;
    QPoint position;  // in the compositor's logical space, as Qt places its screens
    QSize mode;
    bool quarterTurned = false;
};

struct Globals {
    std::vector<std::unique_ptr<Output>> outputs;
    bool fractionalScale = false;
};

void OnGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*,
                const char*, int32_t transform) {
    auto* output = static_cast<Output*>(data);
    output->position = QPoint(x, y);
    // The odd transforms (90, 270 and their flipped forms) turn the mode on its side.
    output->quarterTurned = (transform & 1) != 0;
}
void OnMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (flags & WL_OUTPUT_MODE_CURRENT) static_cast<Output*>(data)->mode = QSize(width, height);
}
void OnDone(void*, wl_output*) {}
void OnScale(void*, wl_output*, int32_t) {}
void OnName(void* data, wl_output*, const char* name) {
    static_cast<Output*>(data)->name = QString::fromUtf8(name);
}
void OnDescription(void*, wl_output*, const char*) {}
const wl_output_listener outputListener = {OnGeometry, OnMode, OnDone, OnScale, OnName, OnDescription};

void OnGlobal(void* data, wl_registry* registry, uint32_t id, const char* interface, uint32_t version) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, "wp_fractional_scale_manager_v1") == 0) globals->fractionalScale = true;
    if (std::strcmp(interface, wl_output_interface.name) != 0) return;
    auto output = std::make_unique<Output>();
    // Version 4 names the output as Qt names its screen.
    output->proxy = static_cast<wl_output*>(
        wl_registry_bind(registry, id, &wl_output_interface, std::min(version, 4u)));
    wl_output_add_listener(output->proxy, &outputListener, output.get());
    globals->outputs.push_back(std::move(output));
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {OnGlobal, OnGlobalRemove};

// The compositor's globals, asked for on a queue of our own on Qt's connection,
// so that Qt's own objects and events are left alone.
void ReadGlobals(wl_display* display, Globals& globals) {
    wl_event_queue* queue = wl_display_create_queue(display);
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
    wl_registry* registry = wl_display_get_registry(wrapper);
    wl_registry_add_listener(registry, &registryListener, &globals);
    // The first round trip brings the globals, the second what the outputs tell.
    wl_display_roundtrip_queue(display, queue);
    wl_display_roundtrip_queue(display, queue);
    for (const auto& output : globals.outputs) {
        if (wl_output_get_version(output->proxy) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release(output->proxy);
        else
            wl_output_destroy(output->proxy);
    }
    wl_registry_destroy(registry);
    wl_proxy_wrapper_destroy(wrapper);
    wl_event_queue_destroy(queue);
}

// The output's mode where the compositor has windows draw at the output's
// fractional scale; empty where they draw at a whole-number scale.
QSize FractionalOutputPixels(const QScreen* screen) {
    auto* wayland = qGuiApp->nativeInterface<QNativeInterface::QWaylandApplication>();
    // Qt asks for the fractional scale only where it passes scale factors on
    // unrounded (QT_SCALE_FACTOR_ROUNDING_POLICY).
    const bool unrounded = QGuiApplication::highDpiScaleFactorRoundingPolicy() ==
                           Qt::HighDpiScaleFactorRoundingPolicy::PassThrough;
    if (!wayland || !wayland->display() || !unrounded) return {};
    // Read once, at start-up, before the window is shown: the compositor tells of a
    // shown window's surface entering an output bound later, on Qt's queue and
    // naming our object, which Qt would look up after we let it go.
    static const Globals globals = [display = wayland->display()] {
        Globals read;
        ReadGlobals(display, read);
        return read;
    }();
    if (!globals.fractionalScale) return {};
    // Compositors without names (wl_output before version 4) are told apart by place.
    const auto stands = [&](const Output& o) {
        return o.name.isEmpty() ? o.position == screen->geometry().topLeft() : o.name == screen->name();
    };
    for (const auto& output : globals.outputs)
        if (stands(*output) && !output->mode.isEmpty())
            return output->quarterTurned ? output->mode.transposed() : output->mode;
    return {};
}
}  // namespace
#else
namespace {
// Qt before 6.5 draws Wayland windows at the whole-number buffer scale.
QSize FractionalOutputPixels(const QScreen*) { return {}; }
}  // namespace
#endif

QSize WaylandOutputPixels(const QScreen* screen) {
    if (!screen || CurrentWindowSystem() != WindowSystem::Wayland) return {};
    if (const QSize output = FractionalOutputPixels(screen); !output.isEmpty()) return output;
    const qreal ratio = screen->devicePixelRatio();
    return {static_cast<int>(std::lround(screen->size().width() * ratio)),
            static_cast<int>(std::lround(screen->size().height() * ratio))};
}
