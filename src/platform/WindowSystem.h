#pragma once
// The window system the program runs on, as the platform Qt chose names it: the
// one place that asks, so that every platform file gets the same answer.
enum class WindowSystem { X11, Wayland, Other };

WindowSystem CurrentWindowSystem();
