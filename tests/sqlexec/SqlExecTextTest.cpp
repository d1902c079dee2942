#include "sqlexec/SqlExecText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

struct SplitCase {
    const char* name;
    const char* text;
    QStringList pieces;
};

class SplitStatementsTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitStatementsTest, CutsAtSeparatorLines)
{
    EXPECT_EQ(SplitStatements(QString::fromUtf8(GetParam().text)), GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitStatementsTest,
    testing::Values(SplitCase{"Empty", "", {}}, SplitCase{"BlanksOnly", "     ", {}},
                    SplitCase{"NoSeparator", "SELECT 1\nFROM t", {"SELECT 1\nFROM t"}},
                    SplitCase{
                        "DivisionIsNoSeparator", "SELECT 4 / 2 FROM t", {"SELECT 4 / 2 FROM t"}},
                    SplitCase{"SlashOpeningTheTextStays", "/ SELECT 1", {"/ SELECT 1"}},
                    SplitCase{"BlankLinesAfterSeparatorSwallowed", "AA\n/\n\n\nBB", {"AA", "BB"}},
                    SplitCase{"TextAfterSlashStartsNextPiece", "AA\n/ x\nBB", {"AA", "x\nBB"}},
                    SplitCase{"SecondSlashLineIsSentUnchanged", "AA\n/\n/\nBB", {"AA", "/\nBB"}},
                    SplitCase{"SeparatorAtEnd", "AA\n/", {"AA"}},
                    SplitCase{"SeparatorAtEndWithBreak", "AA\n/\n", {"AA"}},
                    SplitCase{"EmptyPiecesSkipped", "AA\n/\n \n/\nBB", {"AA", "BB"}},
                    SplitCase{"LeadingSeparatorGivesEmptyFirstPiece", "\n/AA\n/\nBB", {"AA", "BB"}},
                    SplitCase{"OnlyBlanksTrimmed", "  \tAA \n  \n/\n  BB  ", {"\tAA \n", "BB"}},
                    SplitCase{"OneCharacterRemainderNotRun", "AA\n/\nB", {"AA"}},
                    SplitCase{"OneCharacterText", "X", {}},
                    SplitCase{"OneCharacterTextInBlanks", "  X  ", {}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST(SplitStatementsTest, PositionsBeyond16BitsSplitExactly)
{
    const QString a =
        QStringLiteral("SELECT '") + QString(40000, QLatin1Char('a')) + QStringLiteral("' FROM t");
    const QString b =
        QStringLiteral("SELECT '") + QString(60000, QLatin1Char('b')) + QStringLiteral("' FROM t");
    const QStringList pieces = SplitStatements(a + QStringLiteral("\n/\n\n") + b);
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces.at(0), a);
    EXPECT_EQ(pieces.at(1), b);
}

TEST(ContinueQuestionTest, PreviewCutsAfter40Characters)
{
    const QString forty(40, QLatin1Char('x'));
    EXPECT_EQ(StatementPreview(forty), forty);
    EXPECT_EQ(StatementPreview(forty + QLatin1Char('y')), forty + QStringLiteral("..."));
    // A character outside the BMP at the cut is not split into half a surrogate pair.
    const QString emoji = QString(39, QLatin1Char('x')) + QString::fromUtf8("😀") + "z";
    EXPECT_EQ(StatementPreview(emoji), QString(39, QLatin1Char('x')) + QStringLiteral("..."));
    EXPECT_EQ(ContinueQuestionText(QStringLiteral("SELECT 2")),
              QStringLiteral("次のＳＱＬを続けて実行してよろしいですか？\n(SELECT 2)"));
}

struct TimeCase {
    std::int64_t ms;
    const char* text;
};

class ElapsedTimeTextTest : public testing::TestWithParam<TimeCase> {};

TEST_P(ElapsedTimeTextTest, WritesBothFormats)
{
    EXPECT_EQ(ElapsedTimeText(GetParam().ms), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ElapsedTimeTextTest,
    testing::Values(TimeCase{0, "00'00''00"}, TimeCase{754, "00'00''75"},
                    TimeCase{1234, "00'01''23"}, TimeCase{59996, "01'00''00"},
                    TimeCase{3599994, "59'59''99"}, TimeCase{3599995, "60'00''00"},
                    TimeCase{3600000, "01:00:00"}, TimeCase{3725400, "01:02:05"},
                    TimeCase{3725500, "01:02:06"}, TimeCase{32767000, "09:06:07"},
                    TimeCase{90000000, "25:00:00"},
                    // The extremes round without overflowing; negative times count as zero.
                    TimeCase{INT64_MAX, "2562047788015:12:56"},
                    TimeCase{INT64_MAX - 500, "2562047788015:12:55"},
                    TimeCase{INT64_MIN, "00'00''00"}));

TEST(FetchStripTextTest, SecondsHaveThreeDecimals)
{
    EXPECT_EQ(SecondsText(0), QStringLiteral("0.000"));
    EXPECT_EQ(SecondsText(5), QStringLiteral("0.005"));
    EXPECT_EQ(SecondsText(1234), QStringLiteral("1.234"));
    EXPECT_EQ(SecondsText(123456789), QStringLiteral("123456.789"));
    EXPECT_EQ(SecondsText(-1234), QStringLiteral("-1.234"));
    EXPECT_EQ(SecondsText(INT64_MAX), QStringLiteral("9223372036854775.807"));
    EXPECT_EQ(SecondsText(INT64_MIN), QStringLiteral("-9223372036854775.808"));
}

TEST(FetchStripTextTest, RowNumbersAreSixCharactersRightAligned)
{
    EXPECT_EQ(RowNumberText(1), QStringLiteral("     1"));
    EXPECT_EQ(RowNumberText(7), QStringLiteral("     7"));
    EXPECT_EQ(RowNumberText(10000), QStringLiteral(" 10000"));
    EXPECT_EQ(RowNumberText(123456), QStringLiteral("123456"));
    EXPECT_EQ(RowNumberText(1234567), QStringLiteral("234567"));
}

TEST(NumberWidthTest, CountsAroundTheFirstPoint)
{
    const struct {
        const char* value;
        int before, after;
    } cases[] = {{"-12.5", 3, 1}, {"3", 1, 0},     {"1234.567", 4, 3}, {"", 0, 0},
                 {".5", 0, 1},    {"1.2.3", 1, 3}, {"１２.５", 2, 1}};
    for (const auto& c : cases) {
        const NumberWidth w = MeasureNumber(QString::fromUtf8(c.value));
        EXPECT_EQ(w.before, c.before) << c.value;
        EXPECT_EQ(w.after, c.after) << c.value;
    }
}

TEST(NumberWidthTest, ColumnKeepsTheLargestCounts)
{
    NumberWidth w;
    for (const char* v : {"-12.5", "3", "1234.567", ""})
        WidenNumberWidth(w, QString::fromUtf8(v));
    EXPECT_EQ(w.before, 4);
    EXPECT_EQ(w.after, 3);
}

} // namespace
