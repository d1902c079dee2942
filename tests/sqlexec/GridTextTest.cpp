#include "sqlexec/GridText.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

QString filled(const char* text, std::int16_t before, std::int16_t after)
{
    return FillNumber(QString::fromUtf8(text), NumberWidth{before, after});
}

TEST(GridTextTest, NumberFillingLinesUpPlainNumbersOnly)
{
    // The widths of 5, 12.5 and -3: two before the point (the minus counts), one after.
    EXPECT_EQ(filled("5", 2, 1), QStringLiteral("  5.0"));
    EXPECT_EQ(filled("12.5", 2, 1), QStringLiteral(" 12.5"));
    EXPECT_EQ(filled("-3", 2, 1), QStringLiteral("-03.0"));
    EXPECT_EQ(filled("-12.5", 4, 3), QStringLiteral("-0012.500"));
    EXPECT_EQ(filled("1234.567", 4, 3), QStringLiteral(" 1234.567"));
    EXPECT_EQ(filled("7", 3, 0), QStringLiteral("   7"));
    EXPECT_EQ(filled(".5", 1, 2), QStringLiteral("  .50"));
    // A point already there is not doubled.
    EXPECT_EQ(filled("3.", 1, 2), QStringLiteral(" 3.00"));

    // NULL (empty), texts of wide-character, binary and GUID columns, exponents and texts
    // filled once already stay as they are: filling them made "Tokyo" " Tokyo.000000" and a
    // NULL "  .0", which was then copied and saved as a zero.
    for (const char* other : {"", "Tokyo", "0x1F2E", "6F9619FF-8B86-D011-B42D-00C04FC964FF",
                              "1.5e+10", "  5.0", "12,5", "-", ".", "+5", "５"})
        EXPECT_EQ(filled(other, 6, 6), QString::fromUtf8(other)) << other;
}

TEST(GridTextTest, PlainDecimalIsDigitsWithOptionalSignAndPoint)
{
    for (const char* yes : {"0", "-0", "5", "-12.5", ".5", "3.", "-.25", "0012"})
        EXPECT_TRUE(IsPlainDecimal(QString::fromUtf8(yes))) << yes;
    for (const char* no : {"", "-", ".", "-.", " 5", "5 ", "1e5", "+5", "1.2.3", "abc", "٣"})
        EXPECT_FALSE(IsPlainDecimal(QString::fromUtf8(no))) << no;
}

// Sorts texts as a number column orders them (ties by position).
QStringList numberOrder(const QStringList& texts)
{
    std::vector<int> order(static_cast<std::size_t>(texts.size()));
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return NumberSortKey::compare(NumberSortKey(texts.at(a)), NumberSortKey(texts.at(b))) < 0;
    });
    QStringList sorted;
    for (int i : order)
        sorted.append(texts.at(i));
    return sorted;
}

TEST(GridTextTest, NumberColumnsOrderByValueWithEmptyFirstAndTextsLast)
{
    // By text, 5, 12.5, -3, -12 ascending stayed 5, 12.5, -3, -12.
    EXPECT_EQ(numberOrder({"5", "12.5", "-3", "-12"}), (QStringList{"-12", "-3", "5", "12.5"}));
    EXPECT_EQ(numberOrder({"abc", "10", "", "-0.5", "9", "Tokyo", "", "0"}),
              (QStringList{"", "", "-0.5", "0", "9", "10", "abc", "Tokyo"}));
    // Filled-out texts keep their values.
    EXPECT_EQ(numberOrder({" 12.5", "  5.0", "-03.0"}), (QStringList{"-03.0", "  5.0", " 12.5"}));
    // Exact beyond a double's digits, exponents read, zeros in every spelling equal.
    EXPECT_EQ(
        numberOrder({"123456789012345678902", "123456789012345678901.5", "123456789012345678901"}),
        (QStringList{"123456789012345678901", "123456789012345678901.5", "123456789012345678902"}));
    EXPECT_EQ(numberOrder({"1e3", "999.5", "-2.5E-1", "-0.3", "1.0001E+3"}),
              (QStringList{"-0.3", "-2.5E-1", "999.5", "1e3", "1.0001E+3"}));
    EXPECT_EQ(NumberSortKey::compare(NumberSortKey(u"-0"), NumberSortKey(u"0.000")), 0);
    EXPECT_EQ(NumberSortKey::compare(NumberSortKey(u"007"), NumberSortKey(u"7.0")), 0);
    EXPECT_EQ(NumberSortKey::compare(NumberSortKey(u"-10"), NumberSortKey(u"-9")), -1);
    // Blanks alone, a bare exponent or a sign are texts.
    for (const char* text : {" ", "1e", "-", "1e+", "NaN", "Infinity"})
        EXPECT_EQ(NumberSortKey(QString::fromUtf8(text)).kind(), NumberSortKey::Kind::Text) << text;
}

TEST(GridTextTest, CopyTextsQuoteValuesAndNamesForSql)
{
    const auto texts = CellCopyTexts(QStringLiteral("NAME"), QStringLiteral("O'Neil"));
    EXPECT_EQ(texts[0], QStringLiteral("NAME"));
    EXPECT_EQ(texts[1], QStringLiteral("O'Neil"));
    EXPECT_EQ(texts[2], QStringLiteral("'O''Neil'"));
    EXPECT_EQ(texts[3], QStringLiteral("NAME = O'Neil"));
    EXPECT_EQ(texts[4], QStringLiteral("NAME = 'O''Neil'"));

    const auto spaced = CellCopyTexts(QStringLiteral("FIRST NAME"), QString());
    EXPECT_EQ(spaced[0], QStringLiteral("\"FIRST NAME\""));
    EXPECT_EQ(spaced[2], QStringLiteral("''"));
    EXPECT_EQ(spaced[4], QStringLiteral("\"FIRST NAME\" = ''"));
    // A double quote inside a name is doubled, so the name stays one SQL name.
    EXPECT_EQ(CellCopyTexts(QStringLiteral("A\"B C"), QStringLiteral("x"))[3],
              QStringLiteral("\"A\"\"B C\" = x"));

    EXPECT_EQ(AllColumnNamesText({"ID", "FIRST NAME", "Q\"T", "氏名"}),
              QStringLiteral("ID, \"FIRST NAME\", \"Q\"\"T\", 氏名"));
    EXPECT_EQ(AllColumnNamesText({}), QString());
}

TEST(GridTextTest, RowValuesQuoteByKindAndNumberShape)
{
    using enum ColumnKind;
    EXPECT_EQ(RowValuesText({"7", "Bob"}, ColumnKinds{Number, Text}), QStringLiteral("7, 'Bob'"));
    // A Number column also holds wide-character text, binary and GUID values: only a number
    // goes in bare, NULL (the empty text) as NULL, the rest quoted.
    EXPECT_EQ(RowValuesText({"7", "O'Neil", "", "Bob"}, ColumnKinds{Number, Number, Number, Text}),
              QStringLiteral("7, 'O''Neil', NULL, 'Bob'"));
    EXPECT_EQ(RowValuesText({"  5.0", "-03.0", "1.5E+10", "", "2006/04/01"},
                            ColumnKinds{Number, Number, Number, Text, DateTime}),
              QStringLiteral("  5.0, -03.0, 1.5E+10, '', '2006/04/01'"));
    EXPECT_EQ(RowValuesText({"1; DROP TABLE x", "' OR '1'='1"}, ColumnKinds{Number, Number}),
              QStringLiteral("'1; DROP TABLE x', ''' OR ''1''=''1'"));
    EXPECT_EQ(RowValuesText({}, ColumnKinds{}), QString());
}

} // namespace
