#include "transfer/Delimiter.h"

#include <gtest/gtest.h>

TEST(Delimiter, TypedTextBecomesTheDelimiter)
{
    EXPECT_EQ(delimiterFromBox(QStringLiteral(" ,")), QStringLiteral(","));
    EXPECT_EQ(delimiterFromBox(QStringLiteral("TAB")), QStringLiteral("\t"));
    EXPECT_EQ(delimiterFromBox(QStringLiteral("   ")), QStringLiteral(" "));
    EXPECT_EQ(delimiterFromBox(QStringLiteral(" \t")), QStringLiteral("\t"));
    EXPECT_EQ(delimiterFromBox(QStringLiteral(" || ")), QStringLiteral("||"));
    EXPECT_FALSE(delimiterFromBox(QString()).has_value());
}
