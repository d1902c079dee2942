#include "transfer/CsvImport.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

struct LineCase {
    const char* line; // UTF-8
    const char* delimiter;
    const char* values; // what follows "INSERT INTO T VALUES"
    // The values can share a multi-row INSERT with other lines'.
    bool joinable = true;
};

// How the lines of a file become values: the old rules where they are sound, quoted fields
// kept whole, multi-character delimiters stepped over whole; and whether they can share a batch.
const LineCase kLines[] = {
    {"1,\"ab\",", ",", "(1,'ab',NULL)"},
    {"\"O'Neil\",2", ",", "('O''Neil',2)"},
    {"\"a, b\",2", ",", "('a, b',2)"},
    {"\"say \"\"hi\"\"\",3", ",", "('say \"hi\"',3)"},
    {"1 , \"x\" , 2 ", ",", "(1,'x',2)"},
    {"\" padded \",\"\"", ",", "(' padded ','')"},
    {"", ",", "(NULL)"},
    {" , ,", ",", "(NULL,NULL,NULL)"},
    {"12.5,CURRENT_DATE,-3", ",", "(12.5,CURRENT_DATE,-3)"},
    {"a||b||\"c||d\"", "||", "(a,b,'c||d')"},
    {"a|||b", "||", "(a,|b)"},
    {"1\t\"x\ty\"\t", "\t", "(1,'x\ty',NULL)"},
    {"1 \"a b\" 3", " ", "(1,'a b',3)"},
    {"1  3", " ", "(1,NULL,3)"},
    {"\"東京, 日本\",'x'", ",", "('東京, 日本','x')", false},
    // A quote that never closes, or text after the closing quote: not a quoted field. The old
    // rule leaves an open literal, which the database refuses instead of storing a guess.
    {"\"ab,1", ",", "('ab,1)", false},
    {"\"ab\"cd,1", ",", "('ab\"cd,1)", false},
    {"ab\",1", ",", "(ab',1)", false},
    {"\"it's", ",", "('it''s)", false},
    // Raw text that could open or close a string, quoted name, comment or escape, or end the
    // statement, reaching into the next line's values; quoted, the same text is a literal.
    {"-1,- -2,f(10/2*3)", ",", "(-1,- -2,f(10/2*3))"},
    {"\"$$;--#\",\"/*`[{\\\"", ",", "('$$;--#','/*`[{\\')"},
    {"1,$$x", ",", "(1,$$x)", false},
    {"1,x -- y", ",", "(1,x -- y)", false},
    {"1,a/*b", ",", "(1,a/*b)", false},
    {"1,a*/b", ",", "(1,a*/b)", false},
    {"1;DROP TABLE T", ",", "(1;DROP TABLE T)", false},
    {"1,`a`", ",", "(1,`a`)", false},
    {"1,[a]", ",", "(1,[a])", false},
    {"1,{fn NOW()}", ",", "(1,{fn NOW()})", false},
    {"1,a#b", ",", "(1,a#b)", false},
    {"1,a\\b", ",", "(1,a\\b)", false},
    {"1,f(2", ",", "(1,f(2)", false},
    {"1,2)", ",", "(1,2))", false},
    {"1,)(", ",", "(1,)()", false},
};

TEST(CsvImport, LinesBecomeInsertValues)
{
    for (const LineCase& c : kLines) {
        const QString sql =
            csvimport::insertStatement(QStringLiteral("INSERT INTO T"), QString::fromUtf8(c.line),
                                       QString::fromUtf8(c.delimiter));
        EXPECT_EQ(sql, QStringLiteral("INSERT INTO T VALUES") + QString::fromUtf8(c.values))
            << c.line;
        csvimport::StatementBuilder builder(QStringLiteral("INSERT INTO T"),
                                            QString::fromUtf8(c.delimiter));
        builder.buildText(c.line);
        EXPECT_EQ(builder.joinable(), c.joinable) << c.line;
    }
}

TEST(CsvImport, NulCharactersAreDroppedFromValues)
{
    const QString line = QStringLiteral("1") + QChar(0) + QStringLiteral(",\"a") + QChar(0) +
                         QStringLiteral("b\",") + QChar(0);
    EXPECT_EQ(csvimport::insertStatement(QStringLiteral("INSERT INTO T"), line, u","),
              QStringLiteral("INSERT INTO T VALUES(1,'ab',NULL)"));
}

TEST(CsvImport, ValuesReadAsReplacementAreCounted)
{
    int bad = 0;
    const QString line = QStringLiteral("\"a") + QChar(0xFFFD) + QStringLiteral("\",b,c") +
                         QChar(0xFFFD) + QChar(0xFFFD);
    csvimport::insertStatement(QStringLiteral("INSERT INTO T"), line, u",", &bad);
    EXPECT_EQ(bad, 2);
}

TEST(CsvImport, NamesAreQuotedOnlyWhenChosenOrNeeded)
{
    const QStringList listed = {QStringLiteral("ORDER ITEMS"), QStringLiteral("Plain"),
                                QStringLiteral("a\"b")};
    EXPECT_EQ(csvimport::targetName(QStringLiteral(" ORDER ITEMS "), listed),
              QStringLiteral("\"ORDER ITEMS\""));
    EXPECT_EQ(csvimport::targetName(QStringLiteral("Plain"), listed), QStringLiteral("Plain"));
    EXPECT_EQ(csvimport::targetName(QStringLiteral("a\"b"), listed), QStringLiteral("\"a\"\"b\""));
    // Typed names are the user's SQL: a schema, quotes of their own.
    EXPECT_EQ(csvimport::targetName(QStringLiteral("\"My Table\""), listed),
              QStringLiteral("\"My Table\""));
    EXPECT_EQ(csvimport::targetName(QStringLiteral("s.order items"), listed),
              QStringLiteral("s.order items"));

    EXPECT_EQ(csvimport::columnList(u"\"ID\",FIRST NAME , \"A\"\"B\",LAST", u","),
              QStringLiteral("(ID,\"FIRST NAME\",\"A\"\"B\",LAST)"));
    EXPECT_EQ(csvimport::columnList(u"A||B C", u"||"), QStringLiteral("(A,\"B C\")"));
}

TEST(CsvImport, LinesAreReadAndCountedAlike)
{
    struct Case {
        QByteArray bytes;
        QStringList lines;
    };
    const QByteArray sjis("\x93\x8c\x8b\x9e", 4); // 東京 in code page 932
    const Case cases[] = {
        {QByteArray(), {}},
        {QByteArray("a"), {QStringLiteral("a")}},
        {QByteArray("a\r\nb\n"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QByteArray("\n\n"), {QString(), QString()}},
        {QByteArray("a\rb\r"), {QStringLiteral("a\rb\r")}},
        {sjis + "\r\n\x80x", {QStringLiteral("東京"), QString(QChar(0xFFFD)) + QLatin1Char('x')}},
        // Lines longer than the reader's blocks, a CR LF across a block boundary.
        {QByteArray(65535, 'a') + "\r\n" + QByteArray(300000, 'b') + "\n",
         {QString(65535, u'a'), QString(300000, u'b')}},
    };
    for (const Case& c : cases) {
        QByteArray bytes = c.bytes;
        QBuffer device(&bytes);
        ASSERT_TRUE(device.open(QIODevice::ReadOnly));
        csvimport::LineSource source(device);
        QStringList read;
        QString line;
        while (source.next(line))
            read.append(line);
        EXPECT_EQ(read, c.lines) << c.bytes.left(40).toStdString();
        device.seek(0);
        EXPECT_EQ(csvimport::countLines(device), c.lines.size()) << c.bytes.left(40).toStdString();
    }
}

// With line breaks inside quotes a record ends only at a line break outside a quoted field;
// the bytes inside stay as they are (LF and CR LF alike). A quote that does not open a field
// opens nothing. A UTF-8 file's mark is skipped.
TEST(CsvImport, RecordsKeepLineBreaksInsideQuotes)
{
    struct Case {
        QByteArray bytes;
        QStringList records;
    };
    const Case cases[] = {
        {"1,\"a\nb\",2\r\n3,\"c\r\nd\"\r\n", {"1,\"a\nb\",2", "3,\"c\r\nd\""}},
        {"1, \"x\"\"\ny\"\n5\" disk,\"\"\n", {"1, \"x\"\"\ny\"", "5\" disk,\"\""}},
        {"\xEF\xBB\xBF\"\xE3\x80\x9C\n\"\n\"open", {"\"\u301C\n\"", "\"open"}},
    };
    for (const Case& c : cases) {
        QByteArray bytes = c.bytes;
        QBuffer device(&bytes);
        ASSERT_TRUE(device.open(QIODevice::ReadOnly));
        const csvimport::FileFormat format{FileEncoding::Utf8, true, ","};
        csvimport::LineSource source(device, format);
        QStringList read;
        QString record;
        while (source.next(record))
            read.append(record);
        EXPECT_EQ(read, c.records) << c.bytes.toStdString();
        device.seek(0);
        EXPECT_EQ(csvimport::countRecords(device, format), c.records.size());
    }
}

// A read that fails is not the end of the file: the reader says so, and counting fails.
TEST(CsvImport, AFailedReadIsNotTheEnd)
{
    // The process's own memory, read from address 0, which is never mapped: EIO.
    QFile file(QStringLiteral("/proc/self/mem"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    csvimport::LineSource source(file);
    std::string_view line;
    EXPECT_FALSE(source.nextBytes(line));
    EXPECT_TRUE(source.failed());
    EXPECT_EQ(csvimport::countLines(file), -1);
}

} // namespace
