#include "transfer/ExportText.h"
#include "transfer/BusyMarker.h"
#include "transfer/Delimiter.h"
#include "transfer/ExportFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <unistd.h>

namespace {

using enum ColumnKind;

struct LineCase {
    const char* name;
    const char* delimiterBox;
    const char* quoteBox;
    std::vector<std::string> values;
    ColumnKinds kinds;
    std::string line; // CP932 bytes, CR LF included
};

class ExportLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ExportLine, BuildsTheLineAsTheFileHoldsIt)
{
    const LineCase& c = GetParam();
    ExportLineBuilder builder(*delimiterFromBox(QString::fromUtf8(c.delimiterBox)),
                              quoteFromBox(QString::fromUtf8(c.quoteBox)),
                              ExportLineBuilder::Target::Cp932File);
    std::vector<std::string_view> views(c.values.begin(), c.values.end());
    std::string out;
    builder.appendRow(views, c.kinds, out);
    EXPECT_EQ(out, c.line);
}

// A NULL arrives as the empty text: in a string column it is two quotes, in a number column
// nothing. Quotes inside values are doubled so that the file reads back as written.
INSTANTIATE_TEST_SUITE_P(
    Cases, ExportLine,
    ::testing::Values(
        LineCase{"CommaInStringNumberAndNull",
                 " ,",
                 " \"",
                 {"a,b", "12.5", ""},
                 ColumnKinds{Text, Number, Text},
                 "\"a,b\",12.5,\"\"\r\n"},
        LineCase{"NullNumberIsNothing",
                 " ,",
                 " \"",
                 {"x", "", "1"},
                 ColumnKinds{Text, Number, Number},
                 "\"x\",,1\r\n"},
        LineCase{"NoQuote", " ,", "(なし)", {"it's", "3"}, ColumnKinds{Text, Number}, "it's,3\r\n"},
        LineCase{"Tab", "TAB", " '", {"a", "b"}, ColumnKinds{Text, Text}, "'a'\t'b'\r\n"},
        LineCase{"QuoteDoubled",
                 " ,",
                 " \"",
                 {"say \"hi\"", "O'Brien"},
                 ColumnKinds{Text, Text},
                 "\"say \"\"hi\"\"\",\"O'Brien\"\r\n"},
        LineCase{"ApostropheDoubled", " ,", " '", {"O'Brien"}, ColumnKinds{Text}, "'O''Brien'\r\n"},
        LineCase{"WideTextWithDelimiterIsQuoted",
                 " ,",
                 " \"",
                 {"Tokyo, Japan", "Tokyo", "line1\nline2", "5\"", "12"},
                 ColumnKinds{Number, Number, Number, Number, Number},
                 "\"Tokyo, Japan\",Tokyo,\"line1\nline2\",\"5\"\"\",12\r\n"},
        LineCase{"DateTimeTrimmed",
                 " ,",
                 " '",
                 {"2009-01-01 00:00:00", "", "7", "2009-01-01 12:34:56"},
                 ColumnKinds{DateTime, Text, Number, DateTime},
                 "'2009-01-01','',7,'2009-01-01 12:34:56'\r\n"},
        LineCase{"LongDelimiterAndSpace",
                 " || ",
                 " \"",
                 {"a", "b"},
                 ColumnKinds{Number, Number},
                 "a||b\r\n"},
        LineCase{"BlanksAreOneSpace",
                 "   ",
                 " \"",
                 {"a", "b c"},
                 ColumnKinds{Number, Number},
                 "a \"b c\"\r\n"},
        LineCase{"JapaneseInCp932",
                 " ,",
                 " \"",
                 {"日本語", "ｶﾅ"},
                 ColumnKinds{Text, Text},
                 "\"\x93\xfa\x96\x7b\x8c\xea\",\"\xb6\xc5\"\r\n"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(ExportLineHeader, NamesAreDoubleQuotedWhateverTheQuoteAndCountedWhenReplaced)
{
    ExportLineBuilder builder(QStringLiteral(","), QStringLiteral("'"),
                              ExportLineBuilder::Target::Cp932File);
    std::string out;
    builder.appendHeader({QStringLiteral("ID"), QStringLiteral("a\"b"), QStringLiteral("名前")},
                         out);
    EXPECT_EQ(out, "\"ID\",\"a\"\"b\",\"\x96\xbc\x91\x4f\"\r\n");
    EXPECT_EQ(builder.replacedValues(), 0u);
}

TEST(ExportLineReplaced, CountsValuesWithCharactersCp932Lacks)
{
    ExportLineBuilder builder(QStringLiteral(","), QStringLiteral("\""),
                              ExportLineBuilder::Target::Cp932File);
    std::string out;
    // "São" and "€" are not in code page 932; "?" typed by the user is not a replacement.
    const std::vector<std::string> values = {"S\xc3\xa3o", "a?b", "\xe2\x82\xac\xe2\x82\xac",
                                             "東京"};
    builder.appendRow(std::vector<std::string_view>(values.begin(), values.end()),
                      ColumnKinds(4, ColumnKind::Text), out);
    EXPECT_EQ(builder.replacedValues(), 2u);
    EXPECT_EQ(out, "\"S?o\",\"a?b\",\"??\",\"\x93\x8c\x8b\x9e\"\r\n");

    // The clipboard keeps Unicode: nothing is replaced and lines end with "\n".
    ExportLineBuilder text(QStringLiteral(","), QStringLiteral("\""),
                           ExportLineBuilder::Target::Utf8Text);
    std::string clip;
    text.appendRow(std::vector<std::string_view>(values.begin(), values.end()),
                   ColumnKinds(4, ColumnKind::Text), clip);
    EXPECT_EQ(text.replacedValues(), 0u);
    EXPECT_EQ(clip, "\"S\xc3\xa3o\",\"a?b\",\"\xe2\x82\xac\xe2\x82\xac\",\"東京\"\n");
}

TEST(SpreadsheetNumber, OnlyPlainDecimalsThatStayExact)
{
    double v = 0;
    EXPECT_TRUE(spreadsheetNumber(QStringLiteral("12.5"), v));
    EXPECT_EQ(v, 12.5);
    EXPECT_TRUE(spreadsheetNumber(QStringLiteral("-3"), v));
    EXPECT_EQ(v, -3);
    EXPECT_TRUE(spreadsheetNumber(QStringLiteral("0.99"), v));
    EXPECT_TRUE(spreadsheetNumber(QStringLiteral("123456789012345"), v));
    for (const char* text : {"", "-", "1e5", "12.", ".5", "1.2.3", " 1", "1,000", "abc",
                             "1234567890123456", "9007199254740993", "NaN", "inf", "+1"})
        EXPECT_FALSE(spreadsheetNumber(QString::fromLatin1(text), v)) << text;
}

TEST(ExportFileFailures, FullDiskAndUnwritableFolderKeepTheSystemError)
{
    ExportFile full;
    ASSERT_TRUE(full.open(QStringLiteral("/dev/full")));
    // The buffer hides the failure until it is written out; close must not hide it.
    EXPECT_TRUE(full.write("abc\r\n"));
    EXPECT_FALSE(full.close());
    EXPECT_EQ(full.errorNumber(), ENOSPC);
    EXPECT_TRUE(full.errorText().startsWith(QStringLiteral("Error:28 ")));

    ExportFile big;
    ASSERT_TRUE(big.open(QStringLiteral("/dev/full")));
    const std::string block(300 * 1024, 'x');
    EXPECT_FALSE(big.write(block));
    EXPECT_FALSE(big.write("more"));
    EXPECT_FALSE(big.close());

    // Root may write any folder whose mode says no; /sys refuses even root.
    QTemporaryDir dir;
    QString folder = dir.path() + QStringLiteral("/ro");
    QDir().mkdir(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (::geteuid() == 0)
        folder = QStringLiteral("/sys");
    ExportFile denied;
    EXPECT_FALSE(denied.open(folder + QStringLiteral("/out.csv")));
    EXPECT_EQ(denied.errorNumber(), EACCES);
    EXPECT_FALSE(denied.close());
}

TEST(ExportFileWrite, WritesEverythingAndEmptiesAnOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.csv"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(std::string(1000, 'o').c_str());
    }
    ExportFile file;
    ASSERT_TRUE(file.open(path));
    std::string expected;
    for (int i = 0; i < 100000; ++i) {
        const std::string line = std::to_string(i) + "\r\n";
        ASSERT_TRUE(file.write(line));
        expected += line;
    }
    const std::string block(700 * 1024, 'b');
    ASSERT_TRUE(file.write(block));
    expected += block;
    ASSERT_TRUE(file.close());
    QFile back(path);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_TRUE(back.readAll().toStdString() == expected);
}

TEST(BusyMarker, CreepsRightInTensAndStartsOver)
{
    BusyMarkerMotion m;
    std::vector<int> lefts;
    for (int i = 0; i < 60; ++i) {
        m.advance(/*picture*/ 40, /*counter*/ 10, /*marker*/ 5);
        lefts.push_back(m.left);
    }
    EXPECT_EQ(lefts[0], 0); // not a tenth call yet
    EXPECT_EQ(lefts[9], 5); // 10 - 5
    EXPECT_EQ(lefts[19], 15);
    EXPECT_EQ(lefts[29], 25);
    EXPECT_EQ(lefts[39], 35); // past 40 - 10: the next call starts over
    EXPECT_EQ(lefts[40], -5);
    EXPECT_EQ(m.counter, 19);
}

} // namespace
