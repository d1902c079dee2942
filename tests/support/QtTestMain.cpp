#include <QApplication>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

// One QApplication for every test program, offscreen (QT_QPA_PLATFORM is set by ctest). Listing
// the cases (ctest does that before it runs them, without the test environment) needs none, so
// it works without a display.
int main(int argc, char** argv)
{
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    std::unique_ptr<QApplication> app;
    if (!listing)
        app = std::make_unique<QApplication>(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
