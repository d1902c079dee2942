#include "base/BusyCursor.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>

TEST(BusyCursor, NestedGuardsRestoreThePointer)
{
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        BusyCursor outer;
        {
            BusyCursor inner;
            ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
