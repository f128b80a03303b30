#pragma once
// Starts the program as its entry point does, inside a test: the application
// object once per process, the two windows per test, the message boxes recorded.
#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <vector>

// The messages shown since the current test began.
std::vector<MessageRecord>& ShownMessages();

// Runs the event loop for `ms` milliseconds (frames render meanwhile).
void ProcessEvents(int ms);

// Runs the event loop until `done` holds or `ms` milliseconds pass.
bool WaitUntil(const std::function<bool()>& done, int ms = 5000);

// Start-up as the entry point does it (main window, settings window), the main
// window shown and exposed.
void StartViewer();
// Shutdown as the entry point does it: settings window, then main window.
void StopViewer();

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override { StartViewer(); }
    void TearDown() override { StopViewer(); }
};
