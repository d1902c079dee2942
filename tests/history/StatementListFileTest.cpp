#include "history/StatementListFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using stmtfile::decodeRecords;
using stmtfile::encodeRecord;
using stmtfile::splitRecords;

namespace {

QByteArray cp932(const char* utf8)
{
    return stmtfile::encodeRecord({QString(), QString::fromUtf8(utf8)}).mid(1).chopped(5);
}

QList<ClassSQL> roundTrip(const QList<ClassSQL>& entries)
{
    QByteArray bytes;
    for (const ClassSQL& e : entries)
        bytes += encodeRecord(e);
    return decodeRecords(splitRecords(bytes));
}

} // namespace

TEST(StatementListFile, RecordsAreHeaderTabStatementAndCrLfSlashCrLf)
{
    const QByteArray bytes = encodeRecord(
        {QStringLiteral("26/12/07 10:00:00 DSN=a;"), QStringLiteral("SELECT 1\nFROM t")});
    EXPECT_EQ(bytes, QByteArray("26/12/07 10:00:00 DSN=a;\tSELECT 1\r\nFROM t\r\n/\r\n"));
    // Japanese text is stored in code page 932: 表 is 0x95 0x5C.
    EXPECT_EQ(cp932("表"), QByteArray("\x95\x5C"));
}

TEST(StatementListFile, RoundTripKeepsTextThatTheFormatCanHold)
{
    const QList<ClassSQL> entries = {
        {QStringLiteral("社員一覧"),
         QStringLiteral("SELECT 氏名, 部署 FROM 社員\nWHERE ソ = '表'")},
        {QString(), QStringLiteral("two\n\nlines with a blank one")},
        {QStringLiteral("empty statement"), QString()},
        {QStringLiteral("slash inside a line"), QStringLiteral("SELECT 4 / 2\n/* c */")},
    };
    EXPECT_EQ(roundTrip(entries), entries);
}

// A line that is exactly "/" would read as a separator: the writer adds a space after it, so
// the statement stays one record and nothing after it is lost.
TEST(StatementListFile, SlashLinesInsideStatementsStayInTheirRecord)
{
    struct Case {
        const char* stmt;
        const char* readBack;
    };
    const Case cases[] = {
        {"UPDATE t SET a=1\n/\n", "UPDATE t SET a=1\n/ \n"},
        {"UPDATE t SET a=1\n/", "UPDATE t SET a=1\n/ "},
        {"/", "/ "},
        {"A\n/\nB", "A\n/ \nB"},
        {"/ already spaced", "/ already spaced"},
    };
    for (const Case& c : cases) {
        const QList<ClassSQL> back = roundTrip({{QStringLiteral("h"), QString::fromUtf8(c.stmt)},
                                                {QStringLiteral("next"), QStringLiteral("X")}});
        ASSERT_EQ(back.size(), 2) << c.stmt;
        EXPECT_EQ(back[0].SQLstmt, QString::fromUtf8(c.readBack)) << c.stmt;
        EXPECT_EQ(back[1], (ClassSQL{QStringLiteral("next"), QStringLiteral("X")})) << c.stmt;
    }
}

TEST(StatementListFile, ReadingFilesAsTheyAreFound)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QList<ClassSQL> expected;
    };
    const ClassSQL a{QStringLiteral("a"), QStringLiteral("A")};
    const ClassSQL b{QStringLiteral("b"), QStringLiteral("B")};
    const Case cases[] = {
        {"empty file", "", {}},
        {"missing final separator", "a\tA\r\n/\r\nb\tB", {a, b}},
        {"missing final line break", "a\tA\r\n/\r\nb\tB\r\n/", {a, {"b", "B\n/"}}},
        // Older files can hold an empty record: it is skipped and reading goes on.
        {"empty record in the middle", "a\tA\r\n/\r\n\r\n/\r\nb\tB\r\n/\r\n", {a, b}},
        {"empty record first", "\r\n/\r\na\tA\r\n/\r\n", {a}},
        {"record without TAB", "just text\r\n/\r\n", {{QString(), QStringLiteral("just text")}}},
        {"LF line breaks", "a\tA\n/\nb\tB\n/\n", {a, b}},
        {"only the first TAB splits", "a\tA\tB\r\n/\r\n", {{"a", "A\tB"}}},
        // A statement that ended in a "/" line, written without a space after it, glues the
        // "/" onto the next record, as the file says.
        {"old glued slash", "a\tA\r\n/\r\n/\r\nb\tB\r\n/\r\n", {a, {"/\nb", "B"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeRecords(splitRecords(c.bytes)), c.expected) << c.name;
}

TEST(StatementListFile, BytesThatAreNotCp932ReadAsReplacementAndSurviveRawRecords)
{
    const QByteArray bytes("a\t\xFF\xFE ok\r\n/\r\nb\tB\r\n/\r\n");
    const QList<QByteArray> records = splitRecords(bytes);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(stmtfile::joinRecords(records), bytes);
    EXPECT_TRUE(stmtfile::decodeRecord(records[0]).SQLstmt.contains(QChar(0xFFFD)));
}

TEST(StatementListFile, HeaderTabsAndLineBreaksBecomeSpaces)
{
    const QList<ClassSQL> back =
        roundTrip({{QStringLiteral("ti\ttle\nx"), QStringLiteral("SELECT 1")}});
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0], (ClassSQL{QStringLiteral("ti tle x"), QStringLiteral("SELECT 1")}));
}

TEST(StatementListFile, OneLineForm)
{
    const std::pair<const char*, const char*> cases[] = {
        {"\n  SELECT 1\n", "SELECT 1"},
        {"SELECT a\nFROM t", "SELECT a↓FROM t"},
        {"\tSELECT\t1  ", "SELECT 1"},
        {" \n \n x \n \n", "x"},
        {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(stmtfile::oneLine(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

TEST(StatementListFile, FilesArePrivateAndReplacedWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("SQLTMPL.TXT"));
    ASSERT_TRUE(stmtfile::appendToFile(path, "one\r\n/\r\n"));
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                        QFileDevice::WriteOther;
    EXPECT_FALSE(QFileInfo(path).permissions() & others);
    ASSERT_TRUE(stmtfile::appendToFile(path, "two\r\n/\r\n"));
    QByteArray bytes;
    ASSERT_TRUE(stmtfile::readFile(path, bytes));
    EXPECT_EQ(bytes, QByteArray("one\r\n/\r\ntwo\r\n/\r\n"));

    const QString fresh = dir.filePath(QStringLiteral("SQLHIST.TXT"));
    ASSERT_TRUE(stmtfile::replaceFile(fresh, "x"));
    EXPECT_FALSE(QFileInfo(fresh).permissions() & others);
    EXPECT_TRUE(QFileInfo(fresh).permissions() & QFileDevice::ReadOwner);

    // A file that cannot be replaced (its folder is gone) is reported, and nothing is read.
    EXPECT_FALSE(stmtfile::replaceFile(dir.filePath(QStringLiteral("no/such/SQLTMPL.TXT")), "x"));
    EXPECT_FALSE(stmtfile::readFile(dir.filePath(QStringLiteral("missing.txt")), bytes));
    EXPECT_TRUE(bytes.isEmpty());
}
