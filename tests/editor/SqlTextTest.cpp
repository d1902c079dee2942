#include "editor/SqlText.h"
#include "base/TextDrag.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

TEST(SqlText, PlaceholderSearchFindsHalfAndFullWidthMarksBehindAPosition)
{
    const QString text = QStringLiteral("WHERE ? = ？");
    EXPECT_EQ(sqltext::findPlaceholderRight(text, 0), 6);
    EXPECT_EQ(sqltext::findPlaceholderRight(text, 7), 10);
    EXPECT_EQ(sqltext::findPlaceholderRight(text, 11), -1);
    EXPECT_EQ(sqltext::findPlaceholderRight(QString(), 0), -1);
}

TEST(SqlText, SqlFilesReadAsUtf8WhenValidElseAsCp932)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"UTF-8", "SELECT '表'\r\nFROM t", QStringLiteral("SELECT '表'\nFROM t")},
        {"UTF-8 with BOM", "\xEF\xBB\xBFSELECT 1\n", QStringLiteral("SELECT 1\n")},
        {"CP932", "SELECT '\x95\x5C'\r\n", QStringLiteral("SELECT '表'\n")},
        {"empty", "", QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sqltext::decodeSqlFile(c.bytes), c.text) << c.name;
}

// Only regular files up to the limit are read; a FIFO nobody writes to returns at once.
TEST(SqlText, SqlFilesAreReadOnlyWhenRegularAndNotTooLarge)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.sql");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString small = dir.filePath("small.sql");
    const QString big = dir.filePath("big.sql");
    for (const auto& [path, size] : {std::pair{small, sqltext::kSqlFileMaxBytes},
                                     std::pair{big, sqltext::kSqlFileMaxBytes + 1}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(size));
    }
    using R = sqltext::SqlFileRead;
    const struct {
        QString path;
        R result;
        qint64 size;
        const char* box;
    } cases[] = {
        {small, R::Read, sqltext::kSqlFileMaxBytes, ""},
        {big, R::TooLarge, 0, "ファイルが大きすぎるため（16MBまで）、読み込めません。\n"},
        {fifo, R::NotARegularFile, 0, "通常のファイルではないため、読み込めません。\n"},
        {"/dev/zero", R::NotARegularFile, 0, "通常のファイルではないため、読み込めません。\n"},
        {dir.path(), R::NotARegularFile, 0, "通常のファイルではないため、読み込めません。\n"},
        {dir.filePath("missing.sql"), R::CannotOpen, 0, ""},
    };
    for (const auto& c : cases) {
        QByteArray bytes("old");
        EXPECT_EQ(sqltext::readSqlFile(c.path, bytes), c.result) << c.path.toStdString();
        EXPECT_EQ(bytes.size(), c.size) << c.path.toStdString();
        const QString box = sqltext::sqlFileRefusal(c.result, c.path);
        EXPECT_EQ(box, *c.box ? QString::fromUtf8(c.box) + c.path : QString());
    }
}

TEST(SqlText, DraggedTextLandsWhereItWasDroppedOrNowhereInsideItself)
{
    struct Case {
        qsizetype drop, start, length, expected;
    };
    // "SELECT a FROM t": "SELECT a" is 0..8.
    const Case cases[] = {
        {3, 0, 8, -1}, // inside the dragged range
        {15, 0, 8, 7}, // behind it: moved left by its length
        {0, 9, 4, 0},  // before it
        {8, 0, 8, 0},  // at its end: the text stays as it was
        {0, 0, 8, 0},  // at its start
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextDrag::moveInsertPosition(c.drop, c.start, c.length), c.expected)
            << c.drop << " " << c.start << " " << c.length;
}

TEST(SqlText, DoubleClickSelectionLosesTrailingSpaces)
{
    EXPECT_EQ(sqltext::trimmedSelectionLength(QStringLiteral("word  ")), 4);
    EXPECT_EQ(sqltext::trimmedSelectionLength(QStringLiteral("   ")), 0);
    EXPECT_EQ(sqltext::trimmedSelectionLength(QStringLiteral("a b")), 3);
}
