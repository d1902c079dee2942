#include "QUORVANT.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

TEST(MainWindow, ShowsItsTitleOffscreen)
{
    QUORVANT window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), "QUORVANT");
    EXPECT_EQ(window.objectName(), "QUORVANT");
    EXPECT_EQ(QApplication::platformName(), "offscreen");
}
