#pragma once
// The native window the picture is drawn into. It owns no GL state: the main
// window gives it a pixel format and a context, and hears its input through the
// callbacks below.
#include <QPoint>
#include <QWindow>
#include <functional>

class GlView : public QWindow {
public:
    explicit GlView(QWindow* parent = nullptr);

    // Pointer moves with the buttons held at the time (Qt::MouseButtons bits), in
    // the units the pointer moves in: the view's device pixels, on Wayland its
    // logical pixels.
    std::function<void(Qt::MouseButtons buttons, int x, int y)> onMouseMove;
    // The platform's context-menu request, at a global position.
    std::function<void(const QPoint& globalPos)> onContextMenu;
    // A repaint request for an exposed view.
    std::function<void()> onPaint;

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void exposeEvent(QExposeEvent* e) override;

private:
    void ForwardKey(QKeyEvent* e);
};
