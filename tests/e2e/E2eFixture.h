#pragma once
// A started program per test plus the user's moves on it: the context menu,
// the settings window and its controls, by pointer and keyboard only.
#include "Desktop.h"
#include "ViewerSession.h"

#include <gtest/gtest.h>

namespace e2e {

enum class MenuItem { Spin, Phase, Settings };

class E2eTest : public ::testing::Test {
protected:
    // Tests that need textures or files write them into `viewer` first, then call
    // StartViewer(); the others let SetUp start it.
    virtual bool StartsInSetUp() const { return true; }
    void SetUp() override;
    void TearDown() override;
    void StartViewer();

    // Right click in the middle of the picture; the menu's rectangle on screen.
    // The picture must be still the first time (the rectangle is found as the
    // difference the menu makes); later openings reuse it.
    QRect OpenMenu();
    void Choose(MenuItem item);

    // Opens the settings window through the menu and gives it the focus.
    TopWindow OpenSettings();
    // A click at a point of the settings window's client area.
    void ClickSettings(const TopWindow& settings, QPoint at, int button = 1);
    QString MainTitle();
    bool MessageBoxShown() const;
    // Whether a popup of the program (a menu, an open list) is on the screen,
    // within `ms`: keys typed meanwhile would go to it.
    bool WaitForPopup(bool shown, int ms = 5000) const;
    // The frames-per-second box once its reading has changed: the one-second
    // timer has run with frames drawn. Null when it shows no new reading in `ms`.
    QImage NextFpsReading(int ms = 4500) const;

    ViewerSession viewer;
    QPoint menuAt{640, 512};
    static QRect menuRect;  // relative to menuAt
};

}  // namespace e2e
