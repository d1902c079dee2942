#include <QApplication>
#include <gtest/gtest.h>

// One QApplication for every test program, offscreen (QT_QPA_PLATFORM is set by ctest).
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
