// The tests' own GUI connection serves the clipboard; the program under test
// runs as a separate process.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // ctest lists the tests before running any: that must work without a display.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    std::unique_ptr<QCoreApplication> app;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        qputenv("QT_QPA_PLATFORM", "xcb");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    return RUN_ALL_TESTS();
}
