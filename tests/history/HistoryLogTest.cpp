#include "history/HistoryLog.h"
#include "history/StatementListFile.h"
#include "history/TemplateStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <unistd.h>

namespace {

// A clock that moves only when told to.
struct FakeClock {
    QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(9, 5, 0));
    void attach(HistoryLog& log)
    {
        log.setClock([this] { return now; });
    }
};

class HistoryFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const char* name = "SQLHIST.TXT") const
    {
        return dir_.filePath(QString::fromLatin1(name));
    }
    int recordsInFile(const QString& file) const
    {
        QByteArray bytes;
        stmtfile::readFile(file, bytes);
        return static_cast<int>(stmtfile::splitRecords(bytes).size());
    }
    QTemporaryDir dir_;
};

QStringList statements(const QList<ClassSQL>& list)
{
    QStringList out;
    for (const ClassSQL& e : list)
        out << e.SQLstmt;
    return out;
}

} // namespace

// The input area's walk: Next goes from the newest towards the oldest, 0 lies between the ends.
TEST_F(HistoryFiles, CursorWalksThroughThreeEntriesAndAnEmptyList)
{
    HistoryLog log(path(), 20);
    FakeClock clock;
    clock.attach(log);
    std::int16_t no = 0;
    EXPECT_EQ(log.GetHistNext(no), QString());
    EXPECT_EQ(no, 0);
    EXPECT_EQ(log.GetHistBack(no), QString());
    EXPECT_EQ(no, 0);

    for (const char* sql : {"one", "two", "three"})
        log.add(QStringLiteral("DSN=x;"), QString::fromLatin1(sql));
    struct Step {
        bool next;
        std::int16_t pos;
        const char* text;
    };
    const Step walk[] = {{true, 3, "three"}, {true, 2, "two"},   {true, 1, "one"},
                         {true, 0, ""},      {true, 3, "three"}, {false, 0, ""},
                         {false, 1, "one"},  {false, 2, "two"},  {false, 3, "three"},
                         {false, 0, ""}};
    for (const Step& s : walk) {
        const QString got = s.next ? log.GetHistNext(no) : log.GetHistBack(no);
        EXPECT_EQ(no, s.pos);
        EXPECT_EQ(got, QString::fromLatin1(s.text));
    }
    std::int16_t beyond = 7;
    EXPECT_EQ(log.GetHistCurr(beyond), QString());
    EXPECT_EQ(log.GetHistNext(beyond), QStringLiteral("three"));
    EXPECT_EQ(beyond, 3);
}

TEST_F(HistoryFiles, AddGivesUniqueStampsCutsLongDataSourcesAndIgnoresEmptyStatements)
{
    HistoryLog log(path(), 20);
    FakeClock clock;
    clock.attach(log);
    EXPECT_EQ(log.add(QStringLiteral("x"), QString()), -1);
    EXPECT_FALSE(log.Changed());

    const QString dsn65 = QString(64, QLatin1Char('d')) + QLatin1Char('e');
    log.add(dsn65, QStringLiteral("SELECT 1"));
    log.add(QStringLiteral("DSN=b;"), QStringLiteral("SELECT 1"));
    EXPECT_TRUE(log.Changed());
    ASSERT_EQ(log.GetHistNum(), 2); // the same statement twice is two entries
    EXPECT_EQ(log.entries()[0].SQLhead,
              QStringLiteral("26/12/07 09:05:00 ") + QString(64, QLatin1Char('d')) + "...");
    // The second statement of the same second takes the next one.
    EXPECT_EQ(HistoryLog::stampOf(log.entries()[1]), QStringLiteral("26/12/07 09:05:01"));
    EXPECT_EQ(HistoryLog::dsnOf(log.entries()[1]), QStringLiteral("DSN=b;"));
    // Both wait to be appended to the file, one at a time.
    EXPECT_TRUE(log.writeNextPending());
    EXPECT_TRUE(log.writeNextPending());
    EXPECT_FALSE(log.writeNextPending());
}

// Capacity 20: memory drops the oldest at once; the file keeps 21 records until the trim at
// exit, which leaves the newest 20.
TEST_F(HistoryFiles, CapacityDropsTheOldestAndTheFileIsTrimmedOnlyAtExit)
{
    HistoryLog log(path(), 20);
    FakeClock clock;
    clock.attach(log);
    for (int i = 1; i <= 21; ++i) {
        clock.now = clock.now.addSecs(1);
        const int dropped = log.add(QStringLiteral("DSN=x;"), QStringLiteral("S%1").arg(i));
        EXPECT_EQ(dropped, i == 21 ? 1 : 0);
        log.writeNextPending();
    }
    EXPECT_EQ(log.GetHistNum(), 20);
    EXPECT_EQ(log.entries().first().SQLstmt, QStringLiteral("S2"));
    EXPECT_EQ(recordsInFile(path()), 21);
    log.trimFile();
    EXPECT_EQ(recordsInFile(path()), 20);

    HistoryLog again(path(), 20);
    again.read();
    EXPECT_EQ(statements(again.entries()), statements(log.entries()));
    EXPECT_FALSE(again.Changed());
}

// Two instances append to one file in the same second; records without TAB are there too.
// Everything loads, both entries of a stamp are kept, and a trim keeps the other's records.
TEST_F(HistoryFiles, TwoInstancesShareOneFile)
{
    HistoryLog first(path(), 20);
    HistoryLog second(path(), 20);
    FakeClock c1;
    FakeClock c2;
    c1.attach(first);
    c2.attach(second);
    first.add(QStringLiteral("A"), QStringLiteral("from first"));
    second.add(QStringLiteral("B"), QStringLiteral("from second"));
    first.writeNextPending();
    second.writeNextPending();
    ASSERT_TRUE(stmtfile::appendToFile(path(), "no tab here\r\n/\r\n"));

    HistoryLog third(path(), 20);
    third.read();
    EXPECT_EQ(statements(third.entries()),
              (QStringList{"from first", "from second", "no tab here"}));
    EXPECT_EQ(HistoryLog::stampOf(third.entries()[0]), HistoryLog::stampOf(third.entries()[1]));
    EXPECT_NE(third.serials()[0], third.serials()[1]);

    // Adding in that same second moves past both equal stamps.
    FakeClock c3;
    c3.attach(third);
    third.add(QStringLiteral("C"), QStringLiteral("third"));
    EXPECT_EQ(HistoryLog::stampOf(third.entries().last()), QStringLiteral("26/12/07 09:05:01"));
    first.trimFile();
    EXPECT_EQ(recordsInFile(path()), 3);
    third.trimFile();
    EXPECT_EQ(recordsInFile(path()), 4);
}

TEST_F(HistoryFiles, LongFilesLoadOnlyTheNewestAndAreCutAtExitAfterAnAddition)
{
    QByteArray bytes;
    for (int i = 0; i < 10000; ++i)
        bytes += stmtfile::encodeRecord(
            {QStringLiteral("26/01/01 00:00:00 x"), QStringLiteral("S%1").arg(i)});
    ASSERT_TRUE(stmtfile::replaceFile(path(), bytes));

    HistoryLog log(path(), 20);
    log.read();
    ASSERT_EQ(log.GetHistNum(), 20);
    EXPECT_EQ(log.entries().first().SQLstmt, QStringLiteral("S9980"));
    EXPECT_EQ(log.entries().last().SQLstmt, QStringLiteral("S9999"));
    EXPECT_EQ(recordsInFile(path()), 10000);
    log.add(QStringLiteral("x"), QStringLiteral("new"));
    log.trimFile();
    EXPECT_EQ(recordsInFile(path()), 20);
}

TEST_F(HistoryFiles, TrimOfAFileThatCannotBeReadLeavesItAlone)
{
    HistoryLog missing(path(), 20);
    missing.trimFile();
    EXPECT_FALSE(QFileInfo::exists(path()));

    // A folder in the file's place: nothing is read, written or removed.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("SQLHIST.TXT")));
    HistoryLog folder(path(), 20);
    folder.read();
    FakeClock clock;
    clock.attach(folder);
    folder.add(QStringLiteral("x"), QStringLiteral("kept in memory"));
    folder.trimFile();
    EXPECT_EQ(folder.GetHistNum(), 1);
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

// Templates: sorted by title ignoring case, cursor Next walks down the list, positions left
// beyond the count by deletions come back into range.
TEST_F(HistoryFiles, TemplatesSortAndTheirCursorStaysInRange)
{
    TemplateStore store(path("SQLTMPL.TXT"));
    store.read();
    EXPECT_EQ(store.GetTempNum(), 0);
    std::int16_t no = 0;
    EXPECT_EQ(store.GetTempNext(no), QString());
    EXPECT_EQ(no, 0);
    EXPECT_FALSE(store.Changed());

    for (const char* title : {"b", "A", "c", "D", "e"})
        store.add({QString::fromLatin1(title), QStringLiteral("SQL ") + title});
    QStringList titles;
    for (const ClassSQL& t : store.templates())
        titles << t.SQLhead;
    EXPECT_EQ(titles, (QStringList{"A", "b", "c", "D", "e"}));
    EXPECT_EQ(store.GetTempNext(no), QStringLiteral("SQL A"));
    EXPECT_EQ(no, 1);

    no = 0;
    EXPECT_EQ(store.GetTempBack(no), QStringLiteral("SQL e"));
    EXPECT_EQ(no, 5);
    for (int i = 0; i < 3; ++i)
        store.remove(0);
    EXPECT_EQ(store.GetTempCurr(no), QString());
    EXPECT_EQ(store.GetTempBack(no), QStringLiteral("SQL e"));
    EXPECT_EQ(no, 2);
    no = 5;
    EXPECT_EQ(store.GetTempNext(no), QString());
    EXPECT_EQ(no, 0);
    store.remove(9); // out of range: nothing
    EXPECT_EQ(store.GetTempNum(), 2);
}

TEST_F(HistoryFiles, TemplatesRoundTripWithCleanTitles)
{
    TemplateStore store(path("SQLTMPL.TXT"));
    store.add({QStringLiteral("tab\there\nand break"), QStringLiteral("UPDATE t SET a=?\n/\n")});
    store.add({QStringLiteral("社員"), QStringLiteral("SELECT * FROM 社員 WHERE ? = ?")});
    ASSERT_TRUE(store.save());

    TemplateStore back(path("SQLTMPL.TXT"));
    back.read();
    ASSERT_EQ(back.GetTempNum(), 2);
    EXPECT_EQ(back.templates()[0].SQLhead, QStringLiteral("tab here and break"));
    EXPECT_EQ(back.templates()[0].SQLstmt, QStringLiteral("UPDATE t SET a=?\n/ \n"));
    EXPECT_EQ(back.templates()[1], store.templates()[1]);
    EXPECT_EQ(TemplateStore::entryText(back.templates()[1]),
              QStringLiteral("【社員】SELECT * FROM 社員 WHERE ? = ?"));
}

// Text that code page 932 would change comes back from both files exactly: the file goes over
// to UTF-8 with a mark in one replacement, older records converted; files that CP932 holds stay
// as they were, and bytes that are not text in unchanged records are kept.
TEST_F(HistoryFiles, TextComesBackExactlyAcrossARestart)
{
    const ClassSQL old{QStringLiteral("26/12/06 10:00:00 DSN=a;"), QStringLiteral("SELECT '表'")};
    const QString wave = QStringLiteral("select '〜' as wave, '−' as minus, 'José' as jose");
    {
        HistoryLog log(path(), 20);
        FakeClock clock;
        clock.attach(log);
        log.add(QStringLiteral("DSN=a;"), old.SQLstmt);
        log.writeNextPending();
    }
    QByteArray cp932File;
    ASSERT_TRUE(stmtfile::readFile(path(), cp932File));
    EXPECT_TRUE(cp932File.contains("SELECT '\x95\x5C'")); // still code page 932
    {
        HistoryLog log(path(), 20);
        log.read();
        FakeClock clock;
        clock.attach(log);
        log.add(QStringLiteral("DSN=〜;"), wave);
        log.writeNextPending();
        log.add(QStringLiteral("DSN=a;"), QStringLiteral("SELECT '表' -- appended as UTF-8"));
        log.trimFile();
    }
    QByteArray utf8File;
    ASSERT_TRUE(stmtfile::readFile(path(), utf8File));
    EXPECT_TRUE(utf8File.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(utf8File.count("\xEF\xBB\xBF"), 1);
    HistoryLog back(path(), 20);
    back.read();
    EXPECT_EQ(statements(back.entries()),
              (QStringList{old.SQLstmt, wave, QStringLiteral("SELECT '表' -- appended as UTF-8")}));
    EXPECT_EQ(HistoryLog::dsnOf(back.entries()[1]), QStringLiteral("DSN=〜;"));

    // Templates: a title and text that CP932 would change, one starting with U+FEFF, and a
    // stored record with bytes that are not CP932, which is written back as it was.
    QFile raw(path("SQLTMPL.TXT"));
    ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
    raw.write("a\tSELECT '\x95\x5C'\r\n/\r\nb\tx\xA0y\r\n/\r\n");
    raw.close();
    TemplateStore store(path("SQLTMPL.TXT"));
    ASSERT_TRUE(store.read());
    ASSERT_TRUE(store.save());
    ASSERT_TRUE(stmtfile::readFile(path("SQLTMPL.TXT"), cp932File));
    EXPECT_EQ(cp932File, QByteArray("a\tSELECT '\x95\x5C'\r\n/\r\nb\tx\xA0y\r\n/\r\n"));
    const ClassSQL tmpl{QStringLiteral("〜 ¢ ¬"), wave};
    const ClassSQL mark{QStringLiteral("\uFEFFmark"), QStringLiteral("\uFEFF—‖")};
    store.add(tmpl);
    store.add(mark);
    ASSERT_TRUE(store.save());
    TemplateStore again(path("SQLTMPL.TXT"));
    ASSERT_TRUE(again.read());
    ASSERT_EQ(again.GetTempNum(), 4);
    EXPECT_EQ(again.templates()[0].SQLstmt, QStringLiteral("SELECT '表'"));
    EXPECT_EQ(again.templates()[2], tmpl);
    EXPECT_EQ(again.templates()[3], mark);
}

// A template file that exists but cannot be read is never replaced: the list starts empty and
// a change is not saved over the file.
TEST_F(HistoryFiles, UnreadableTemplateFileIsNeverReplaced)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("SQLTMPL.TXT")));
    TemplateStore folder(path("SQLTMPL.TXT"));
    EXPECT_FALSE(folder.read());
    folder.add({QStringLiteral("new"), QStringLiteral("SELECT 2")});
    EXPECT_FALSE(folder.save());
    EXPECT_TRUE(QFileInfo(path("SQLTMPL.TXT")).isDir());
    ASSERT_TRUE(QDir(dir_.path()).rmdir(QStringLiteral("SQLTMPL.TXT")));

    // A file without read permission (root reads it all the same).
    if (::geteuid() == 0)
        return;
    QFile raw(path("SQLTMPL.TXT"));
    ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
    raw.write("kept\tSELECT 1\r\n/\r\n");
    raw.close();
    ASSERT_TRUE(QFile::setPermissions(path("SQLTMPL.TXT"), QFileDevice::WriteOwner));
    TemplateStore store(path("SQLTMPL.TXT"));
    EXPECT_FALSE(store.read());
    store.add({QStringLiteral("new"), QStringLiteral("SELECT 2")});
    EXPECT_FALSE(store.save());
    ASSERT_TRUE(QFile::setPermissions(path("SQLTMPL.TXT"),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QByteArray bytes;
    ASSERT_TRUE(stmtfile::readFile(path("SQLTMPL.TXT"), bytes));
    EXPECT_EQ(bytes, QByteArray("kept\tSELECT 1\r\n/\r\n"));
}
