#include "transfer/Delimiter.h"
#include "transfer/ExportText.h"

#include <gtest/gtest.h>

TEST(Delimiter, TypedTextBecomesTheDelimiter)
{
    EXPECT_EQ(delimiterFromBox(QStringLiteral(" ,")), QStringLiteral(","));
    EXPECT_EQ(delimiterFromBox(QStringLiteral("TAB")), QStringLiteral("\t"));
    EXPECT_EQ(delimiterFromBox(QStringLiteral("   ")), QStringLiteral(" "));
    EXPECT_EQ(delimiterFromBox(QStringLiteral(" \t")), QStringLiteral("\t"));
    EXPECT_EQ(delimiterFromBox(QStringLiteral(" || ")), QStringLiteral("||"));
    EXPECT_FALSE(delimiterFromBox(QString()).has_value());
    // Only spaces are trimmed: a tab, a line break or a full-width space is the choice.
    EXPECT_EQ(delimiterFromBox(QStringLiteral(" \u3000 ")), QStringLiteral("\u3000"));
    EXPECT_EQ(delimiterFromBox(QStringLiteral("\t|")), QStringLiteral("\t|"));
    EXPECT_EQ(quoteFromBox(QStringLiteral(" \u3000")), QStringLiteral("\u3000"));
    EXPECT_EQ(quoteFromBox(QStringLiteral("\n")), QStringLiteral("\n"));
    EXPECT_EQ(quoteFromBox(QStringLiteral(" \"")), QStringLiteral("\""));
    EXPECT_EQ(quoteFromBox(QStringLiteral("(なし)")), QString());
}
