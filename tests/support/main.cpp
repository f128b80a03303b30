// One application object for the whole test process, as in the program.
#include "platform/Application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // ctest lists the tests before running any: that must work without a display.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    TApplication app(argc, argv);
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Ливентор"));
    return RUN_ALL_TESTS();
}
