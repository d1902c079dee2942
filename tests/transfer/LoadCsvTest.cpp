#include "LoadCsvHarness.h"

#include "Backend.h"
#include "RecordingDialog.h"
#include "base/GetFile.h"
#include "odbc/comm/ResultSetInfo.h"
#include "sqlexec/BatchRun.h"
#include "text/CodePage.h"
#include "transfer/LoadJob.h"
#include "transfer/SaveCSV.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QThread>

using namespace loadtest;

namespace {

const QString kInsertError = QStringLiteral("QUORVANT - INSERTエラー");
const QString kContinue = QStringLiteral("QUORVANT - INSERT続行確認");
const QString kCommitError = QStringLiteral("COMMIT エラー");

QString endText(qint64 rows, bool cancelled = false)
{
    return QStringLiteral("登録が終了しました。") +
           (cancelled ? QStringLiteral("（中断）") : QString()) +
           QStringLiteral("\n\nINSERT行数:") + QString::number(rows);
}

// A file of numbered lines "n,'text n'", code page 932 with CR LF.
QByteArray numberedLines(int count)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += QByteArray::number(i) + ",\"line " + QByteArray::number(i) + "\"\r\n";
    return bytes;
}

class LoadCsvTest : public testing::TestWithParam<Db> {};
class LoadBatchTest : public testing::TestWithParam<Db> {};

// The export of a table and of the copy it was loaded into, read back as one text.
QString fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class ExportLoadRoundTrip : public testing::TestWithParam<Backend> {};

// What a user sets for a round trip: UTF-8 and NULL told apart in the export window, UTF-8
// and line breaks inside quotes in the load window (header as column names). Chinook's
// Customer, Invoice and Track and a table of awkward values go out through execute-and-save
// and through the grid's export (the same bytes), load into a copy of the table, and the copy
// exports to the same bytes again: every value, NULL and empty text apart. SQLite keeps dates
// as texts, so a midnight date comes back as the date the export wrote.
TEST_P(ExportLoadRoundTrip, ExportedRowsLoadBackAsTheSameRows)
{
    const Backend& b = GetParam();
    Session s(QStringLiteral("DSN=") + QLatin1String(chinookDsn(b)) + QLatin1Char(';'));
    ASSERT_TRUE(s.connected());
    RecordingDialog dialog;
    FileDialogBackend::install(&dialog);
    SaveCSV save(*s.db, s.prompts, {}, nullptr);
    save.CB_code->setCurrentIndex(static_cast<int>(FileEncoding::Utf8));
    save.Chk_null->setChecked(true);
    save.Chk_head->setChecked(true);

    const auto drop = [&](const QString& table) {
        s.db->DbExecute(QStringLiteral("DROP TABLE ") + table);
        s.db->DbCommit();
    };
    const QString odd = QStringLiteral("(id INTEGER, s VARCHAR(40), n NUMERIC(10,2), d DATE, "
                                       "ts %1)")
                            .arg(b.postgres ? "TIMESTAMP" : "DATETIME");
    drop(QStringLiteral("qv_rt_odd"));
    s.exec(QStringLiteral("CREATE TABLE qv_rt_odd ") + odd);
    const QStringList values = {
        QStringLiteral("NULL"), QStringLiteral("''"), QStringLiteral("'lf\nin'"),
        QStringLiteral("'crlf\r\nin'"), QStringLiteral("'tab\tin'"),
        QStringLiteral("'say \"hi\", it''s'"), QStringLiteral("'〜 − José ①㈱ ｶﾀｶﾅ'"),
        // One backslash: MariaDB reads a backslash in a literal as an
        // escape.
        b.mariadb ? QStringLiteral("'C:\\\\temp\\\\'") : QStringLiteral("'C:\\temp\\'")};
    for (int i = 0; i < values.size(); ++i)
        s.exec(QStringLiteral("INSERT INTO qv_rt_odd VALUES (%1, %2, %3, %4, %5)")
                   .arg(QString::number(i + 1), values[i], i % 2 ? "-1.5" : "NULL",
                        i % 2 ? "NULL" : "'2024-02-29'", i % 3 ? "'2024-12-31 23:59:59'" : "NULL"));

    struct Case {
        QString table;
        QString copy;
    };
    const auto name = [&](const char* camel, const char* snake) {
        return QLatin1String(b.postgres ? snake : camel);
    };
    const Case cases[] = {{name("Customer", "customer"), QStringLiteral("qv_rt_customer")},
                          {name("Invoice", "invoice"), QStringLiteral("qv_rt_invoice")},
                          {name("Track", "track"), QStringLiteral("qv_rt_track")},
                          {QStringLiteral("qv_rt_odd"), QStringLiteral("qv_rt_odd_copy")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table.toStdString());
        drop(c.copy);
        if (c.table == QStringLiteral("qv_rt_odd"))
            s.exec(QStringLiteral("CREATE TABLE ") + c.copy + QLatin1Char(' ') + odd);
        else if (b.postgres || b.mariadb)
            s.exec(QStringLiteral("CREATE TABLE %1 AS SELECT * FROM %2 WHERE 1 = 0")
                       .arg(c.copy, c.table));
        else { // SQLite's CREATE AS loses the declared types, which make the column kinds
            QStringList columns;
            for (const QString& column :
                 s.rows(QStringLiteral("PRAGMA table_info(%1)").arg(c.table)))
                columns += column.section(QLatin1Char('|'), 1, 2).replace(QLatin1Char('|'), ' ');
            s.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(c.copy, columns.join(", ")));
        }
        const auto exportOf = [&](const QString& table, const QString& file) {
            dialog.answer = s.dir.filePath(file);
            save.Show4SelectOut(QStringLiteral("SELECT * FROM ") + table +
                                QStringLiteral(" ORDER BY 1"));
            save.Command1->click();
            return fileText(dialog.answer);
        };
        const QString exported = exportOf(c.table, c.copy + QStringLiteral(".csv"));
        ASSERT_TRUE(exported.contains(QLatin1Char('\n'))) << s.prompts.boxes().size();

        // The grid's rows, as the run fills them, give the same file: NULLs stay apart.
        BatchRun run(*s.db, s.prompts, nullptr);
        run.runBatch(QStringLiteral("SELECT * FROM ") + c.table + QStringLiteral(" ORDER BY 1"));
        const ResultGridModel& m = run.model();
        const auto rowCount = static_cast<qint64>(m.rows().size());
        ResultGridSource grid;
        grid.columnCount = [&m] { return m.resultColumnCount(); };
        grid.rowCount = [&m] { return static_cast<int>(m.rows().size()); };
        grid.headerText = [&m](int col) { return m.headerText(col + 1); };
        grid.kind = [&m](int col) { return m.kind(col); };
        grid.cellText = [&m](int row, int col) { return m.cellText(row, col + 1); };
        dialog.answer = s.dir.filePath(c.copy + QStringLiteral("-grid.csv"));
        save.ShowOption(grid);
        save.Opt_out[SaveCSV::TextFile]->click();
        save.Command1->click();
        EXPECT_EQ(fileText(dialog.answer), exported);

        s.prepare(s.dir.filePath(c.copy + QStringLiteral(".csv")), c.copy, QStringLiteral(" ,"),
                  true, true, 2);
        s.w->CB_code->setCurrentIndex(static_cast<int>(FileEncoding::Utf8));
        s.w->Chk_quoted_lf->setChecked(true);
        EXPECT_TRUE(s.load());
        for (const auto& box : s.boxes(kInsertError))
            ADD_FAILURE() << box.text.toStdString() << "\n" << s.w->lastStatement().toStdString();
        EXPECT_EQ(s.endMessage(), endText(rowCount));
        EXPECT_EQ(exportOf(c.copy, c.copy + QStringLiteral("-copy.csv")), exported);
        // SQLite keeps a date-time as the text it was given, and the file drops a midnight.
        const auto rowsOf = [&](const QString& table) {
            return s.rows(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY 1"));
        };
        if (b.postgres || b.mariadb || c.copy == QStringLiteral("qv_rt_odd_copy")) {
            EXPECT_EQ(rowsOf(c.copy), rowsOf(c.table));
        }
    }
    // NULL and the empty text are still apart in the table itself, and a backslash is one.
    EXPECT_EQ(s.rows(QStringLiteral("SELECT s FROM qv_rt_odd_copy WHERE id = 8")),
              QStringList{QStringLiteral("C:\\temp\\")});
    EXPECT_EQ(s.rows(QStringLiteral("SELECT COUNT(*) FROM qv_rt_odd_copy WHERE s IS NULL")),
              QStringList{QStringLiteral("1")});
    EXPECT_EQ(s.rows(QStringLiteral("SELECT id FROM qv_rt_odd_copy WHERE s = ''")),
              QStringList{QStringLiteral("2")});
    for (const Case& c : cases)
        drop(c.copy);
    drop(QStringLiteral("qv_rt_odd"));
    FileDialogBackend::install(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Drivers, ExportLoadRoundTrip, testing::ValuesIn(kBackends), backendName);

// After a failed line the user may go on: the next lines are inserted and the counter stays
// below the total by the failed line.
TEST_P(LoadCsvTest, FailedLineCanBeSkipped)
{
    Session s(scratchConnStr(GetParam(), "skip.db"));
    ASSERT_TRUE(s.connected());
    s.db->DbExecute(QStringLiteral("DROP TABLE qv_load_skip"));
    s.db->DbCommit();
    s.exec(QStringLiteral("CREATE TABLE qv_load_skip (id INTEGER NOT NULL, name VARCHAR(20))"));
    const QString path =
        s.writeFile(QStringLiteral("skip.csv"), "1,\"a\"\r\n,\"no id\"\r\n3,\"c\"\r\n4,\"d\"\r\n");
    s.prepare(path, QStringLiteral("qv_load_skip"), QStringLiteral(" ,"), false, false, 1);
    s.prompts.queueAnswer(Prompts::Answer::Ok); // the error box
    s.prompts.queueAnswer(Prompts::Answer::Ok); // go on
    EXPECT_TRUE(s.load());
    ASSERT_EQ(s.boxes(kInsertError).size(), 1);
    const auto questions = s.boxes(kContinue);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0].text, QStringLiteral("登録を次行から続行しますか？（OK = 続行）"));
    EXPECT_EQ(questions[0].defaultAnswer, Prompts::Answer::Cancel);
    EXPECT_EQ(s.endMessage(), endText(3));
    EXPECT_EQ(s.w->L_cnt->text(), QStringLiteral("3/4"));
    EXPECT_EQ(s.rows(QStringLiteral("SELECT id, name FROM qv_load_skip ORDER BY id")),
              (QStringList{"1|a", "3|c", "4|d"}));

    // A line that is not SQL at all. Lines go prepared, so psqlODBC takes back the line alone,
    // not the transaction with the row before it.
    s.exec(QStringLiteral("DELETE FROM qv_load_skip"));
    const QString broken =
        s.writeFile(QStringLiteral("broken.csv"), "1,\"a\"\r\nx y,\"b\"\r\n3,\"c\"\r\n");
    s.prepare(broken, QStringLiteral("qv_load_skip"), QStringLiteral(" ,"), false, false, 1);
    s.prompts.queueAnswer(Prompts::Answer::Ok);
    s.prompts.queueAnswer(Prompts::Answer::Ok);
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.boxes(kInsertError).size(), 1);
    EXPECT_EQ(s.endMessage(), endText(2));
    const QStringList kept = {"1", "3"};
    EXPECT_EQ(s.rows(QStringLiteral("SELECT id FROM qv_load_skip ORDER BY id")), kept);
    s.exec(QStringLiteral("DROP TABLE qv_load_skip"));
}

// Cancel is seen before the next line: the load ends with "（中断）", every row it counts is
// committed (as at every way out of the load), and no line after the click is inserted. While
// it runs, the load is work on the connection: a ROLLBACK from the events is refused, so it
// cannot undo rows the counter still counts.
TEST_P(LoadCsvTest, CancelStopsBeforeTheNextLineWithAnHonestCount)
{
    const QString conn = scratchConnStr(GetParam(), "cancel.db");
    Session s(conn);
    ASSERT_TRUE(s.connected());
    s.db->DbExecute(QStringLiteral("DROP TABLE qv_load_cancel"));
    s.db->DbCommit();
    s.exec(QStringLiteral("CREATE TABLE qv_load_cancel (id INTEGER, name VARCHAR(20))"));
    const int total = 200000;
    const QString path = s.writeFile(QStringLiteral("cancel.csv"), numberedLines(total));
    s.prepare(path, QStringLiteral("qv_load_cancel"), QStringLiteral(" ,"), false, false, 2);

    qint64 shown = -1;
    bool busy = false;
    ConnectionWork::Kind kind = ConnectionWork::Kind::None;
    std::int16_t rollback = 0;
    DuringLoad cancel([&] { return s.counted() >= 500; },
                      [&] {
                          busy = s.db->work().busy();
                          kind = s.db->work().kind();
                          rollback = s.db->DbRollback();
                          shown = s.counted();
                          s.w->Command2->click();
                      });
    s.load();
    ASSERT_TRUE(cancel.done());
    EXPECT_TRUE(busy);
    EXPECT_EQ(kind, ConnectionWork::Kind::Transfer);
    EXPECT_EQ(rollback, ODBCComm::kBusy);
    EXPECT_FALSE(s.w->isVisible());
    EXPECT_FALSE(s.db->work().busy());

    const qint64 n = s.counted();
    EXPECT_GE(n, shown);
    EXPECT_LT(n, total);
    EXPECT_EQ(s.endMessage(), endText(n, true));
    EXPECT_TRUE(s.boxes(kCommitError).isEmpty());
    s.db->DbDisconnect();
    Session other(conn);
    EXPECT_EQ(other.rows(QStringLiteral("SELECT COUNT(*), MIN(id), MAX(id) FROM qv_load_cancel")),
              QStringList{QStringLiteral("%1|1|%1").arg(n)});
    other.exec(QStringLiteral("DROP TABLE qv_load_cancel"));
}

// The closing COMMIT, the interval COMMIT and the COMMIT after an error are all checked: a
// deferred foreign key that fails only at COMMIT shows the COMMIT box, no end message, and the
// window stays open. What the earlier interval commits wrote stays. (SQLite needs FKSupport to
// check foreign keys; after its failed COMMIT the transaction stays open, so it is rolled back
// here.)
TEST_P(LoadCsvTest, FailedCommitIsNeverReportedAsDone)
{
    const QString conn = scratchConnStr(GetParam(), "commit.db", QStringLiteral("FKSupport=1;"));
    Session s(conn);
    ASSERT_TRUE(s.connected());
    s.db->DbExecute(QStringLiteral("DROP TABLE qv_load_child"));
    s.db->DbExecute(QStringLiteral("DROP TABLE qv_load_parent"));
    s.db->DbCommit();
    s.exec(QStringLiteral("CREATE TABLE qv_load_parent (id INTEGER PRIMARY KEY)"));
    s.exec(QStringLiteral("INSERT INTO qv_load_parent VALUES(1)"));
    s.exec(QStringLiteral("CREATE TABLE qv_load_child (id INTEGER NOT NULL, pid INTEGER REFERENCES "
                          "qv_load_parent(id) DEFERRABLE INITIALLY DEFERRED)"));
    // Lines 1..count referring to parent 1; the line orphan refers to a missing parent, the line
    // broken has no id.
    const auto lines = [](int count, int orphan, int broken) {
        QByteArray bytes;
        for (int i = 1; i <= count; ++i)
            bytes += i == broken ? QByteArray(",1\r\n")
                                 : QByteArray::number(i) + (i == orphan ? ",2\r\n" : ",1\r\n");
        return bytes;
    };
    const auto childRows = [&] {
        const QStringList r = s.rows(QStringLiteral("SELECT COUNT(*) FROM qv_load_child"));
        return r.isEmpty() ? -1 : r[0].toInt();
    };
    struct Case {
        const char* what;
        int count, orphan, broken;
        int committed; // rows in the table afterwards
        int insertErrors;
    };
    const Case cases[] = {
        {"closing commit", 250, 230, 0, 200, 0},
        {"interval commit", 250, 150, 0, 100, 0},
        {"commit after an error", 150, 120, 130, 100, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        s.exec(QStringLiteral("DELETE FROM qv_load_child"));
        const QString path =
            s.writeFile(QStringLiteral("child.csv"), lines(c.count, c.orphan, c.broken));
        s.prepare(path, QStringLiteral("qv_load_child"), QStringLiteral(" ,"), false, false, 2);
        EXPECT_FALSE(s.load());
        EXPECT_TRUE(s.w->isVisible());
        EXPECT_TRUE(s.endMessage().isEmpty());
        EXPECT_EQ(s.boxes(kInsertError).size(), c.insertErrors);
        const auto commitErrors = s.boxes(kCommitError);
        ASSERT_EQ(commitErrors.size(), 1);
        EXPECT_EQ(commitErrors[0].icon, Prompts::Icon::Warning);
        s.db->DbRollback();
        EXPECT_EQ(childRows(), c.committed);
    }
    s.exec(QStringLiteral("DROP TABLE qv_load_child"));
    s.exec(QStringLiteral("DROP TABLE qv_load_parent"));
}

// Lines go as multi-row INSERTs of up to 100 here (COMMIT every 100). A refused line in the
// middle of a batch gets the same box and question as when it went alone, and every other line
// is inserted exactly once; the batches never reach past a commit point, so at each question
// exactly the interval commits are in the table. Line 530 has no id; line 770 is not SQL, which
// sent alone on PostgreSQL takes back the rows since the last COMMIT (702..769) (said and not
// counted); its batch before, refused as a whole, must not. On PostgreSQL a statement trigger
// counts the INSERTs that went through: batches, not lines.
TEST_P(LoadBatchTest, RefusedLineInABatchIsAskedAboutAlone)
{
    const QString conn = scratchConnStr(GetParam(), "batch.db");
    Session s(conn);
    ASSERT_TRUE(s.connected());
    const bool pg = GetParam() == Db::PostgreSQL;
    s.db->DbExecute(QStringLiteral("DROP TABLE qv_load_batch"));
    s.db->DbCommit();
    s.exec(QStringLiteral("CREATE TABLE qv_load_batch (id INTEGER NOT NULL, name VARCHAR(20))"));
    if (pg) {
        s.exec(QStringLiteral("CREATE TEMPORARY TABLE qv_load_inserts (n INTEGER)"));
        s.exec(QStringLiteral("CREATE FUNCTION pg_temp.qv_count() RETURNS trigger LANGUAGE "
                              "plpgsql AS 'BEGIN INSERT INTO qv_load_inserts VALUES (1); RETURN "
                              "NULL; END'"));
        s.exec(QStringLiteral("CREATE TRIGGER qv_count AFTER INSERT ON qv_load_batch FOR EACH "
                              "STATEMENT EXECUTE FUNCTION pg_temp.qv_count()"));
    }
    QByteArray bytes;
    for (int i = 1; i <= 1000; ++i)
        bytes += i == 530   ? QByteArray(",\"no id\"\r\n")
                 : i == 770 ? QByteArray("x y,\"b\"\r\n")
                            : QByteArray::number(i) + ",\"line " + QByteArray::number(i) + "\"\r\n";
    const QString path = s.writeFile(QStringLiteral("batch.csv"), bytes);
    // What the database says of the line sent alone.
    ASSERT_NE(s.db->DbExecute(QStringLiteral("INSERT INTO qv_load_batch VALUES(NULL,'no id')")), 0);
    const QString alone = s.db->DbLastErrorText();
    s.db->DbRollback();

    // Not strict, MariaDB turns the NULL of a multi-row INSERT into 0 where one row is refused:
    // a batch must mean what its lines mean alone.
    if (GetParam() == Db::MariaDB)
        s.exec(QStringLiteral("SET SESSION sql_mode = ''"));
    s.prepare(path, QStringLiteral("qv_load_batch"), QStringLiteral(" ,"), false, false, 2);
    for (int i = 0; i < 4; ++i)
        s.prompts.queueAnswer(Prompts::Answer::Ok);
    EXPECT_TRUE(s.load());
    const auto errors = s.boxes(kInsertError);
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[0].text, alone);
    EXPECT_EQ(s.boxes(kContinue).size(), 2);
    // Rows 1..1000 but the two refused lines, each once: lines go prepared, so psqlODBC takes
    // back a line that does not parse alone, not the rows before it.
    const qint64 rows = 998;
    const qint64 sum = 500500 - 530 - 770;
    EXPECT_EQ(s.endMessage(), endText(rows));
    EXPECT_EQ(s.rows(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT id), SUM(id) FROM "
                                    "qv_load_batch")),
              QStringList{QStringLiteral("%1|%1|%2").arg(rows).arg(sum)});
    if (pg) {
        // Statements, not rows: per 100 rows its first line alone and a batch, but 502..529 one
        // at a time after their refused batch, and the raw line 770 alone.
        EXPECT_EQ(s.rows(QStringLiteral("SELECT COUNT(*) FROM qv_load_inserts")),
                  QStringList{QStringLiteral("53")});
    }

    s.exec(QStringLiteral("DELETE FROM qv_load_batch"));
    LoadJob::Options options;
    options.filePath = path;
    options.head = QStringLiteral("INSERT INTO qv_load_batch");
    options.delimiter = QStringLiteral(",");
    options.interval = 100;
    LoadJob job(*s.db, options);
    Session other(conn);
    QStringList committed;
    job.onFailedLine = [&](const LoadJob::FailedLine&) {
        committed += other.rows(QStringLiteral("SELECT COUNT(*) FROM qv_load_batch"));
        other.db->DbRollback(); // SQLite: a reader's open transaction would block the COMMIT
        return true;
    };
    EXPECT_EQ(job.run().inserted, rows);
    EXPECT_EQ(committed, (QStringList{"500", "700"}));

    // Raw values that would reach beyond their place: lines 2 and 3 would join into one row
    // (2, 'x),(3,y'), on PostgreSQL 5 and 6 by dollar quoting; 8 would add a statement, 10 a row.
    // Each is refused without being sent (6 is sent alone and refused by the server). Quoted
    // values are bound, so a backslash is a backslash on MariaDB too (12, 13).
    s.exec(QStringLiteral("DELETE FROM qv_load_batch"));
    s.db->DbExecute(QStringLiteral("CREATE TABLE qv_victim (id INTEGER)"));
    s.db->DbCommit();
    const QString joining = s.writeFile(
        QStringLiteral("joining.csv"),
        QByteArray("1,\"a\"\r\n2,'x\r\n3,y'\r\n4,\"d\"\r\n") + (pg ? "5,$$x\r\n6,y$$\r\n" : "") +
            "7,\"g\"\r\n8,'x'); DROP TABLE qv_victim; --\r\n10,'a'),(11,'b'\r\n"
            "12,\"C:\\temp\\\"\r\n13,\"),(3,0x6869)#\"\r\n");
    s.prepare(joining, QStringLiteral("qv_load_batch"), QStringLiteral(" ,"), false, false, 2);
    for (int i = 0; i < (pg ? 12 : 8); ++i)
        s.prompts.queueAnswer(Prompts::Answer::Ok);
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.boxes(kInsertError).size(), pg ? 6 : 4);
    EXPECT_EQ(s.boxes(kContinue).size(), pg ? 6 : 4);
    EXPECT_EQ(s.rows(QStringLiteral("SELECT id, name FROM qv_load_batch ORDER BY id")),
              (QStringList{"1|a", "4|d", "7|g", "12|C:\\temp\\", "13|),(3,0x6869)#"}));
    EXPECT_EQ(s.rows(QStringLiteral("SELECT COUNT(*) FROM qv_victim")), QStringList{"0"});
    s.exec(QStringLiteral("DROP TABLE qv_victim"));
    s.exec(QStringLiteral("DROP TABLE qv_load_batch"));
}

INSTANTIATE_TEST_SUITE_P(Drivers, LoadBatchTest,
                         testing::Values(Db::SQLite, Db::PostgreSQL, Db::MariaDB), dbName);

// Names from the list are quoted when they hold a blank or a double quote, and so are header
// fields; a name typed that is not in the list is the user's SQL and goes in as typed.
TEST_P(LoadCsvTest, NamesWithBlanksAndQuotesAreQuoted)
{
    Session s(scratchConnStr(GetParam(), "names.db"));
    ASSERT_TRUE(s.connected());
    s.db->DbExecute(QStringLiteral("DROP TABLE \"ORDER ITEMS\""));
    s.db->DbExecute(QStringLiteral("DROP TABLE \"Q\"\"T\""));
    s.db->DbCommit();
    s.exec(QStringLiteral("CREATE TABLE \"ORDER ITEMS\" (\"ITEM ID\" INTEGER, \"FIRST NAME\" "
                          "VARCHAR(20))"));
    s.exec(QStringLiteral("CREATE TABLE \"Q\"\"T\" (id INTEGER)"));
    const QStringList listed = {QStringLiteral("ORDER ITEMS"), QStringLiteral("Q\"T")};

    const QString items = s.writeFile(QStringLiteral("items.csv"),
                                      "\"ITEM ID\"|FIRST NAME\r\n7|\"Ann\"\r\n8|\"Bo\"\r\n");
    s.prepare(items, QStringLiteral("ORDER ITEMS"), QStringLiteral(" |"), true, true, 0, listed);
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.endMessage(), endText(2));
    EXPECT_EQ(s.rows(QStringLiteral("SELECT \"ITEM ID\", \"FIRST NAME\" FROM \"ORDER ITEMS\" "
                                    "ORDER BY 1")),
              (QStringList{"7|Ann", "8|Bo"}));

    const QString ids = s.writeFile(QStringLiteral("ids.csv"), "1\r\n2\r\n");
    s.prepare(ids, QStringLiteral("Q\"T"), QStringLiteral(" ,"), false, false, 0, {},
              {QStringLiteral("Q\"T")});
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.w->ImCB_table->itemData(0).toString(), QStringLiteral("synonym"));
    EXPECT_EQ(s.rows(QStringLiteral("SELECT COUNT(*) FROM \"Q\"\"T\"")), QStringList{"2"});

    // Typed and not listed: used as typed, so the database refuses it.
    s.prepare(ids, QStringLiteral("Q\"T"), QStringLiteral(" ,"), false, false, 0, {});
    EXPECT_FALSE(s.load());
    EXPECT_EQ(s.boxes(kInsertError).size(), 1);
    EXPECT_TRUE(s.w->lastStatement().startsWith(QStringLiteral("INSERT INTO Q\"T VALUES")));
    EXPECT_TRUE(s.endMessage().isEmpty());

    s.exec(QStringLiteral("DROP TABLE \"ORDER ITEMS\""));
    s.exec(QStringLiteral("DROP TABLE \"Q\"\"T\""));
}

INSTANTIATE_TEST_SUITE_P(Drivers, LoadCsvTest, testing::Values(Db::SQLite, Db::PostgreSQL), dbName);

// The server goes away during a load with COMMIT every 1000 rows: each failed line shows the
// error box and the continue question; stopping then tries to commit the rows since the last
// commit, which fails and is shown, and no end message claims success. Once the server is
// back, exactly the rows of the interval commits are there, each once.
TEST(LoadCsvFaultTest, ServerStoppedDuringLoad)
{
    PgRestart restart;
    const QString conn = scratchConnStr(Db::PostgreSQL, "");
    {
        Session s(conn);
        ASSERT_TRUE(s.connected());
        s.db->DbExecute(QStringLiteral("DROP TABLE IF EXISTS qv_load_fault"));
        s.exec(QStringLiteral("CREATE TABLE qv_load_fault (id INTEGER PRIMARY KEY, name "
                              "VARCHAR(20))"));
        const QString path = s.writeFile(QStringLiteral("fault.csv"), numberedLines(300000));
        s.prepare(path, QStringLiteral("qv_load_fault"), QStringLiteral(" ,"), false, false, 3);
        bool stopped = false;
        DuringLoad stop([&] { return s.counted() >= 1500; }, [&] { stopped = testenv::pgStop(); });
        s.prompts.queueAnswer(Prompts::Answer::Ok); // the first error box
        s.prompts.queueAnswer(Prompts::Answer::Ok); // go on: the next line fails as well
        EXPECT_FALSE(s.load());
        ASSERT_TRUE(stopped);
        const qint64 inserted = s.counted();
        EXPECT_GE(inserted, 1500);
        EXPECT_TRUE(s.w->isVisible());
        EXPECT_TRUE(s.endMessage().isEmpty());
        EXPECT_EQ(s.boxes(kInsertError).size(), 2);
        EXPECT_EQ(s.boxes(kContinue).size(), 2);
        EXPECT_EQ(s.boxes(kCommitError).size(), inserted % 1000 != 0 ? 1 : 0);
        EXPECT_FALSE(s.db->work().busy());

        ASSERT_TRUE(testenv::pgStart());
        Session after(conn);
        ASSERT_TRUE(after.connected());
        const QStringList counts = after.rows(QStringLiteral(
            "SELECT COUNT(*), COUNT(DISTINCT id), MIN(id), MAX(id) FROM qv_load_fault"));
        ASSERT_EQ(counts.size(), 1);
        const QStringList c = counts[0].split(QLatin1Char('|'));
        const qint64 committed = c[0].toLongLong();
        EXPECT_EQ(committed % 1000, 0) << counts[0].toStdString();
        EXPECT_GE(committed, 1000);
        EXPECT_LE(committed, inserted);
        EXPECT_EQ(counts[0], QStringLiteral("%1|%1|1|%1").arg(committed));
        after.exec(QStringLiteral("DROP TABLE qv_load_fault"));
    }
}

// Files that are not what they should be: nothing crashes, nothing failed is reported as done,
// and what could not be read is said.
TEST(LoadCsvBadInputTest, BadFilesEndHonestly)
{
    Session s(scratchConnStr(Db::SQLite, "bad.db"));
    ASSERT_TRUE(s.connected());
    s.exec(QStringLiteral("CREATE TABLE t (id INTEGER NOT NULL, name VARCHAR(20))"));
    const auto count = [&] { return s.rows(QStringLiteral("SELECT COUNT(*) FROM t"))[0]; };

    // Empty, and only a header: a completed load of nothing.
    s.prepare(s.writeFile(QStringLiteral("empty.csv"), QByteArray()), QStringLiteral("t"));
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.endMessage(), endText(0));
    EXPECT_EQ(s.w->L_cnt->text(), QStringLiteral("0/0"));
    s.prepare(s.writeFile(QStringLiteral("header.csv"), "id,name\r\n"), QStringLiteral("t"),
              QStringLiteral(" ,"), true, true);
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.endMessage(), endText(0));
    EXPECT_EQ(count(), QStringLiteral("0"));

    // Binary: the first line fails, stopping is the default, nothing was inserted.
    QByteArray binary;
    for (int i = 0; i < 65536; ++i)
        binary += static_cast<char>((i * 7919 + i / 251) & 0xff);
    s.prepare(s.writeFile(QStringLiteral("binary.bin"), binary), QStringLiteral("t"));
    EXPECT_FALSE(s.load());
    EXPECT_EQ(s.boxes(kInsertError).size(), 1);
    EXPECT_EQ(s.boxes(kContinue).size(), 1);
    EXPECT_TRUE(s.endMessage().isEmpty());
    EXPECT_EQ(count(), QStringLiteral("0"));

    // Bytes that are not code page 932: loaded as U+FFFD, and counted at the end.
    s.prepare(s.writeFile(QStringLiteral("badcp.csv"),
                          "1,\"a\x80"
                          "b\"\r\n2,\"\xfd\xfe\"\r\n3,\"\x93\x8c\x8b\x9e\"\r\n"),
              QStringLiteral("t"));
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.endMessage(), endText(3));
    const auto warnings = s.boxes(QStringLiteral("ファイルからTABLEへ登録"));
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_EQ(warnings[1].icon, Prompts::Icon::Warning);
    EXPECT_TRUE(warnings[1].text.startsWith(
        QStringLiteral("Shift_JIS(CP932)として読めない文字を含む値が 2 個")))
        << warnings[1].text.toStdString();
    EXPECT_EQ(s.rows(QStringLiteral("SELECT name FROM t ORDER BY id")),
              (QStringList{QStringLiteral("a\uFFFDb"), QStringLiteral("\uFFFD\uFFFD"),
                           QStringLiteral("東京")}));
    s.exec(QStringLiteral("DELETE FROM t"));

    // Ragged rows fail at the database one by one; going on keeps the good ones.
    s.prepare(s.writeFile(QStringLiteral("ragged.csv"), "1,\"a\"\r\n2\r\n3,\"c\",9\r\n4,\"d\"\r\n"),
              QStringLiteral("t"));
    for (int i = 0; i < 2; ++i) {
        s.prompts.queueAnswer(Prompts::Answer::Ok);
        s.prompts.queueAnswer(Prompts::Answer::Ok);
    }
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.boxes(kInsertError).size(), 2);
    EXPECT_EQ(s.endMessage(), endText(2));
    EXPECT_EQ(s.w->L_cnt->text(), QStringLiteral("2/4"));
    s.exec(QStringLiteral("DELETE FROM t"));

    // A line of a megabyte loads whole; the label shows only its beginning.
    const QByteArray big(1000000, 'x');
    s.prepare(s.writeFile(QStringLiteral("big.csv"), "1,\"" + big + "\"\r\n"), QStringLiteral("t"));
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.rows(QStringLiteral("SELECT LENGTH(name) FROM t")), QStringList{"1000000"});
    s.exec(QStringLiteral("DELETE FROM t"));

    // Refusals: no delimiter, no table, no file. Nothing is inserted and the window stays.
    const QString good = s.writeFile(QStringLiteral("good.csv"), "1,\"a\"\r\n");
    s.prepare(good, QStringLiteral("t"), QString());
    EXPECT_FALSE(s.load());
    ASSERT_EQ(s.prompts.boxes().size(), 1);
    EXPECT_EQ(s.prompts.boxes()[0].title, QStringLiteral("登録の実行"));
    EXPECT_EQ(s.prompts.boxes()[0].text, QStringLiteral("テキストの区切りを指定して下さい。"));
    s.prepare(good, QStringLiteral("  "));
    EXPECT_FALSE(s.load());
    ASSERT_EQ(s.prompts.boxes().size(), 1);
    EXPECT_EQ(s.prompts.boxes()[0].text,
              QStringLiteral("登録先テーブルを選択（入力）して下さい。"));
    // Not a file: missing, a folder, a device that never ends.
    for (const QString& notAFile : {s.dir.filePath(QStringLiteral("missing.csv")), s.dir.path(),
                                    QStringLiteral("/dev/zero")}) {
        s.prepare(notAFile, QStringLiteral("t"));
        EXPECT_FALSE(s.load());
        ASSERT_EQ(s.prompts.boxes().size(), 1) << notAFile.toStdString();
        EXPECT_EQ(s.prompts.boxes()[0].title, QStringLiteral("登録元CSVﾌｧｲﾙ"));
        EXPECT_EQ(s.prompts.boxes()[0].text, QStringLiteral("ﾌｧｲﾙがありません。"));
    }
    EXPECT_EQ(count(), QStringLiteral("0"));

    // A file whose read fails (the process's memory from address 0) is no completed load.
    s.prepare(QStringLiteral("/proc/self/mem"), QStringLiteral("t"));
    EXPECT_FALSE(s.load());
    EXPECT_TRUE(s.endMessage().isEmpty());
    const auto readFailed = s.boxes(QStringLiteral("ファイルからTABLEへ登録"));
    ASSERT_EQ(readFailed.size(), 1);
    EXPECT_EQ(readFailed[0].icon, Prompts::Icon::Critical);
    EXPECT_TRUE(readFailed[0].text.startsWith(QStringLiteral("ファイルの読込みに失敗しました。")));
    EXPECT_TRUE(readFailed[0].text.endsWith(QStringLiteral("INSERT行数:0")));

    // A typed delimiter of blanks is one blank.
    s.prepare(s.writeFile(QStringLiteral("blank.csv"), "1 \"a b\"\r\n"), QStringLiteral("t"),
              QStringLiteral("   "));
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.rows(QStringLiteral("SELECT id, name FROM t")), QStringList{"1|a b"});
}

// The load without its window: the counts come to this thread while the statements run, a
// refused line is asked about here, and ConnectionWork::cancelAll stops the load as Cancel
// does: it ends as completed with "（中断）", every row counted committed.
TEST(LoadJobTest, CountsAsksAndStopsWithoutAWindow)
{
    Session s(scratchConnStr(Db::SQLite, "job.db"));
    ASSERT_TRUE(s.connected());
    s.exec(QStringLiteral("CREATE TABLE j (id INTEGER NOT NULL, name VARCHAR(20))"));
    LoadJob::Options options;
    options.filePath =
        s.writeFile(QStringLiteral("job.csv"), ",\"no id\"\r\n" + numberedLines(200000));
    options.head = QStringLiteral("INSERT INTO j");
    options.delimiter = QStringLiteral(",");
    options.interval = 100;
    LoadJob job(*s.db, options);
    QList<LoadJob::FailedLine> failed;
    job.onFailedLine = [&failed](const LoadJob::FailedLine& line) {
        failed.append(line);
        return true;
    };
    LoadJob::Progress last;
    int updates = 0;
    bool onThisThread = true;
    job.onProgress = [&](const LoadJob::Progress& progress) {
        onThisThread = onThisThread && QThread::currentThread() == qApp->thread();
        last = progress;
        ++updates;
    };
    DuringLoad stop([&] { return last.inserted >= 1000; }, [&] { s.db->work().cancelAll(); });
    const LoadJob::Outcome outcome = job.run();
    ASSERT_TRUE(stop.done());
    EXPECT_TRUE(onThisThread);
    EXPECT_GT(updates, 2);
    ASSERT_EQ(failed.size(), 1);
    EXPECT_FALSE(failed[0].error.isEmpty());
    EXPECT_TRUE(failed[0].rolledBack.isEmpty());
    EXPECT_EQ(outcome.end, LoadJob::End::Completed);
    EXPECT_GE(outcome.inserted, 1000);
    EXPECT_LT(outcome.inserted, 200000);
    EXPECT_EQ(outcome.message, endText(outcome.inserted, true));
    EXPECT_EQ(last.inserted, outcome.inserted);
    EXPECT_EQ(last.linesRead, outcome.inserted + 1);
    EXPECT_EQ(last.statement,
              QStringLiteral("INSERT INTO j VALUES(%1,'line %1')").arg(outcome.inserted));
    EXPECT_FALSE(s.db->work().busy());
    s.db->DbRollback();
    EXPECT_EQ(s.rows(QStringLiteral("SELECT COUNT(*), MAX(id) FROM j")),
              QStringList{QStringLiteral("%1|%1").arg(outcome.inserted)});
}

// What the window shows before and after a load, as a user sees it.
TEST(LoadCsvWindowTest, ControlsFollowTheUser)
{
    Session s(scratchConnStr(Db::SQLite, "window.db"));
    ASSERT_TRUE(s.connected());
    LoadCSV& w = *s.w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ファイルからTABLEへ登録"));
    EXPECT_EQ(w.CB_txt_dlm->count(), 3);
    EXPECT_EQ(w.CB_txt_dlm->currentText(), QStringLiteral(" ,"));
    EXPECT_EQ(w.CB_txt_dlm->itemText(2), QStringLiteral("TAB"));
    EXPECT_EQ(w.L_commit_int->text(), QStringLiteral("1"));

    w.ShowOption({QStringLiteral("A"), QStringLiteral("B")}, {QStringLiteral("S")});
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(w.ImCB_table->count(), 3);
    EXPECT_EQ(w.ImCB_table->itemText(2), QStringLiteral("S"));
    EXPECT_EQ(w.ImCB_table->itemData(0).toString(), QStringLiteral("table"));
    EXPECT_EQ(w.ImCB_table->itemData(2).toString(), QStringLiteral("synonym"));
    EXPECT_TRUE(w.ImCB_table->currentText().isEmpty());
    // Shown already: nothing changes.
    w.ShowOption({QStringLiteral("X")}, {});
    EXPECT_EQ(w.ImCB_table->count(), 3);
    // Escape is Cancel: the window hides, its choices stay.
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    w.ShowOption({QStringLiteral("A"), QStringLiteral("B")}, {QStringLiteral("S")});

    EXPECT_FALSE(w.Frm_head->isVisible());
    w.Chk_head->setChecked(true);
    EXPECT_TRUE(w.Frm_head->isVisible());
    w.Chk_head->setChecked(false);
    EXPECT_FALSE(w.Frm_head->isVisible());

    for (int position = 0; position <= 4; ++position) {
        w.VScroll1->setValue(position);
        EXPECT_EQ(w.L_commit_int->text(),
                  QStringList({"1", "10", "100", "1000", "10000"})[position]);
    }
    w.VScroll1->setValue(9);
    EXPECT_EQ(w.L_commit_int->text(), QStringLiteral("10000"));

    // Enter in the file box reads the preview: the first ten lines only.
    QByteArray twelve;
    for (int i = 1; i <= 12; ++i)
        twelve += "line" + QByteArray::number(i) + "\r\n";
    w.TB_file->setText(s.writeFile(QStringLiteral("twelve.csv"), twelve));
    QTest::keyClick(w.TB_file, Qt::Key_Return);
    const QStringList preview = w.TB_file_cont->toPlainText().split(QLatin1Char('\n'));
    EXPECT_EQ(preview.size(), 11);
    EXPECT_EQ(preview[9], QStringLiteral("line10"));

    // The statement last sent stays after a failed load; a click copies it whole.
    s.prepare(s.writeFile(QStringLiteral("one.csv"), "1,\"a\"\r\n"), QStringLiteral("nowhere"));
    EXPECT_FALSE(s.load());
    EXPECT_EQ(w.L_sql->text(), QStringLiteral("INSERT INTO nowhere VALUES(1,'a')"));
    EXPECT_EQ(w.L_sql->toolTip(), QStringLiteral("マウスクリックでクリップボードへコピー"));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::mouseClick(w.L_sql, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("INSERT INTO nowhere VALUES(1,'a')"));

    // Closing by the frame during a load is Cancel: the window hides and the load stops.
    s.exec(QStringLiteral("CREATE TABLE c (id INTEGER, name VARCHAR(20))"));
    s.prepare(s.writeFile(QStringLiteral("many.csv"), numberedLines(200000)), QStringLiteral("c"),
              QStringLiteral(" ,"), false, false, 4);
    DuringLoad close([&] { return s.counted() > 0; }, [&] { w.close(); });
    EXPECT_TRUE(s.load());
    ASSERT_TRUE(close.done());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(s.endMessage(), endText(s.counted(), true));
    EXPECT_LT(s.counted(), 200000);
    EXPECT_EQ(s.rows(QStringLiteral("SELECT COUNT(*) FROM c")),
              QStringList{QString::number(s.counted())});
}

} // namespace
