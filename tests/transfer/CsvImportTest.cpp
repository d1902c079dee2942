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
    const char* values; // what follows "INSERT INTO T VALUES" as shown
    // 'B': every value bound, the line can share a parameter array; 'R': raw SQL values, the
    // line goes alone; 'X': a raw value would reach beyond its place, the line is never sent.
    char sent = 'B';
    sql::Dialect dialect = {};
};

const sql::Dialect kMariaDb{sql::Engine::MariaDb, true};

// How the lines of a file become values: quoted fields kept whole and bound, multi-character
// delimiters stepped over whole, raw SQL sent only where it keeps to its place.
const LineCase kLines[] = {
    {"1,\"ab\",", ",", "(1,'ab',NULL)"},
    {"\"O'Neil\",2", ",", "('O''Neil',2)"},
    {"\"a, b\",2", ",", "('a, b',2)"},
    {"\"say \"\"hi\"\"\",3", ",", "('say \"hi\"',3)"},
    {"1 , \"x\" , 2 ", ",", "(1,'x',2)"},
    {"\" padded \",\"\"", ",", "(' padded ','')"},
    {"", ",", "(NULL)"},
    {" , ,null", ",", "(NULL,NULL,NULL)"},
    {"12.5,CURRENT_DATE,-3e2", ",", "(12.5,CURRENT_DATE,-3e2)", 'R'},
    {"a||b||\"c||d\"", "||", "(a,b,'c||d')", 'R'},
    {"a|||b", "||", "(a,|b)", 'R'},
    {"1\t\"x\ty\"\t", "\t", "(1,'x\ty',NULL)"},
    {"1 \"a b\" 3", " ", "(1,'a b',3)"},
    {"1  3", " ", "(1,NULL,3)"},
    {"\"東京, 日本\",'x'", ",", "('東京, 日本','x')", 'R'},
    // A quote that never closes, or text after the closing quote: not a quoted field. The
    // literal it would open never closes, so the line is refused.
    {"\"ab,1", ",", "('ab,1)", 'X'},
    {"\"ab\"cd,1", ",", "('ab\"cd,1)", 'X'},
    {"ab\",1", ",", "(ab',1)", 'X'},
    {"\"it's", ",", "('it''s)", 'X'},
    {" \"a\"b\" ", ",", "('a\"b')"},
    // Raw text that would close the row, add a row or a statement, or swallow what follows.
    {"-1,- -2,f(10/2*3)", ",", "(-1,- -2,f(10/2*3))", 'R'},
    {"\"$$;--#\",\"/*`[{\\\"", ",", "('$$;--#','/*`[{\\')"},
    {"1,x -- y", ",", "(1,x -- y)", 'X'},
    {"1,a/*b", ",", "(1,a/*b)", 'X'},
    {"1;DROP TABLE T", ",", "(1;DROP TABLE T)", 'X'},
    {"1,'x'); DROP TABLE victim; --", ",", "(1,'x'); DROP TABLE victim; --)", 'X'},
    {"10,'a'),(11,'b'", ",", "(10,'a'),(11,'b')", 'X'},
    {"1,f(2", ",", "(1,f(2)", 'X'},
    {"1,)(", ",", "(1,)()", 'X'},
    {"1,'C:\\temp\\'", ",", "(1,'C:\\temp\\')", 'R'},
    {"1,'C:\\temp\\'", ",", "(1,'C:\\temp\\')", 'X', kMariaDb},
    {"1,\"C:\\temp\\\"", ",", "(1,'C:\\temp\\')", 'B', kMariaDb},
};

TEST(CsvImport, LinesBecomeBoundValuesOrRawSqlThatKeepsToItsPlace)
{
    for (const LineCase& c : kLines) {
        SCOPED_TRACE(c.line);
        csvimport::StatementBuilder builder(QStringLiteral("INSERT INTO T"),
                                            QString::fromUtf8(c.delimiter), FileEncoding::Cp932,
                                            c.dialect);
        builder.buildText(c.line);
        EXPECT_EQ(builder.shown(), std::string("INSERT INTO T VALUES") + c.values);
        EXPECT_EQ(builder.allBound(), c.sent == 'B');
        EXPECT_EQ(builder.refusal().isEmpty(), c.sent != 'X');
        // Bound values never enter the statement text.
        if (c.sent == 'B') {
            EXPECT_EQ(builder.statement().find('\''), std::string::npos);
        }
    }
}

TEST(CsvImport, QuotedValuesKeepTheirNulCharactersUnquotedOnesDropThem)
{
    csvimport::StatementBuilder builder(QStringLiteral("INSERT INTO T"), QStringLiteral(","));
    builder.buildText(std::string_view("1\0,\"a\0b\",\0", 11));
    ASSERT_EQ(builder.params().size(), 3u);
    EXPECT_EQ(builder.params()[0].text, "1");
    EXPECT_EQ(builder.params()[1].text, std::string_view("a\0b", 3));
    EXPECT_EQ(builder.params()[2].kind, ParamKind::Null);
    EXPECT_EQ(builder.statement(), "INSERT INTO T VALUES(?,?,?)");
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
