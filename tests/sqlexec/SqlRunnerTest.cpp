#include "Backend.h"
#include "SqlRunnerHarness.h"

#include <QTest>

using namespace sqltest;

namespace {

const QString kOkTitle = QStringLiteral("QUORVANT - ＳＱＬ正常終了");
const QString kErrorTitle = QStringLiteral("QUORVANT - ＳＱＬ実行エラー");
const QString kContinueTitle = QStringLiteral("SQL連続実行");

// Every shared behaviour runs against both real drivers.
class RunnerTest : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        connStr_ = GetParam().postgres  ? pgConnStr()
                   : GetParam().mariadb ? myConnStr()
                                        : sqliteScratch("runner.db");
        s = std::make_unique<Session>(connStr_);
        ASSERT_TRUE(s->connected());
        for (const char* t : {"qv_sx_t", "qv_sx_big"})
            s->db->DbExecute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(QLatin1String(t)));
        s->exec("CREATE TABLE qv_sx_t (id INTEGER, name VARCHAR(20), amount NUMERIC(10,3), "
                "created TIMESTAMP, note VARCHAR(300))");
        s->exec("INSERT INTO qv_sx_t VALUES (1, 'one', -12.5, '2006-04-01 13:05:00', 'x')");
        s->exec("INSERT INTO qv_sx_t VALUES (2, NULL, 3, '2006-04-01 00:00:00', NULL)");
        s->exec(QStringLiteral("INSERT INTO qv_sx_t VALUES (3, 'three', 1234.567, NULL, '%1')")
                    .arg(longValue()));
        s->exec("CREATE TABLE qv_sx_big (id INTEGER, txt VARCHAR(20))");
        // MariaDB reads "||" as OR: its row text is built with CONCAT.
        s->exec(GetParam().postgres
                    ? QStringLiteral("INSERT INTO qv_sx_big SELECT n, 'row ' || n FROM "
                                     "generate_series(1, 25000) AS g(n)")
                : GetParam().mariadb
                    ? QStringLiteral("INSERT INTO qv_sx_big SELECT n, CONCAT('row ', n) FROM "
                                     "(WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 "
                                     "FROM s WHERE n < 25000) SELECT n FROM s) AS g")
                    : QStringLiteral("INSERT INTO qv_sx_big WITH RECURSIVE s(n) AS (SELECT 1 "
                                     "UNION ALL SELECT n + 1 FROM s WHERE n < 25000) "
                                     "SELECT n, 'row ' || n FROM s"));
        ASSERT_EQ(s->db->DbCommit(), 0);
        s->prompts.clear();
    }

    static QString longValue() { return QString(300, QLatin1Char('v')); }

    // A second, independent connection to the same database.
    std::unique_ptr<Session> second() { return std::make_unique<Session>(connStr_); }

    QString connStr_;
    std::unique_ptr<Session> s;
};

TEST_P(RunnerTest, SelectFillsGridAndEndsWithNoMoreData)
{
    s->run("SELECT id, name, amount, created, note FROM qv_sx_t ORDER BY id");

    EXPECT_EQ(s->headers(), (QStringList{"行No.", "id", "name", "amount", "created", "note", "<"}));
    const auto& m = s->runner->model();
    ASSERT_EQ(m.rowCount(), 3);
    const auto align = [&](int c) {
        return m.data(m.index(0, c), Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(align(1), Qt::AlignRight);
    EXPECT_EQ(align(2), Qt::AlignLeft);
    EXPECT_EQ(align(3), Qt::AlignRight);
    EXPECT_EQ(s->cell(0, 0), QStringLiteral("     1"));
    EXPECT_EQ(s->cell(2, 0), QStringLiteral("     3"));
    EXPECT_EQ(s->cell(1, 2), QString()) << "NULL shows empty";
    EXPECT_TRUE(s->cell(0, 4).startsWith(QStringLiteral("2006-04-01 13:05")))
        << s->cell(0, 4).toStdString();
    EXPECT_EQ(s->cell(1, 4), QStringLiteral("2006-04-01")) << "midnight shows the date alone";
    EXPECT_EQ(s->cell(2, 5), longValue().left(254)) << "values are cut at 254 bytes";

    ASSERT_EQ(s->prompts.boxes().size(), 1);
    const auto box = s->prompts.boxes().at(0);
    EXPECT_EQ(box.title, kOkTitle);
    EXPECT_EQ(box.icon, Prompts::Icon::Information);
    EXPECT_EQ(box.text, QStringLiteral("正常に終了しました。\n\nSQLCode:100\n行数:3"));
    EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:100"));
    EXPECT_EQ(s->w.cnt->text(), QStringLiteral("行数:3"));
    EXPECT_TRUE(s->w.time->text().startsWith(QStringLiteral("実行時間：00'0")));
    EXPECT_EQ(s->w.msg->text(), QStringLiteral("SQL実行：正常に終了しました。"));

    EXPECT_EQ(s->w.L_cols->text(), QStringLiteral("5"));
    EXPECT_EQ(s->w.L_rows->text(), QStringLiteral("3"));
    EXPECT_TRUE(s->w.L_sec->toolTip().startsWith(QStringLiteral("1行目:")));
    EXPECT_TRUE(s->w.L_sec->toolTip().endsWith(QStringLiteral("秒")));
    EXPECT_TRUE(s->w.L_msg->text().contains(QStringLiteral("～")));
    EXPECT_FALSE(s->w.L_msg->text().contains(QStringLiteral("中断")));
    EXPECT_FALSE(s->w.Cmd_start_stop->isEnabled());
    EXPECT_TRUE(s->w.Cmd_start_stop->icon().isNull());
    EXPECT_TRUE(s->w.ListView1->isVisible());
    EXPECT_EQ(s->history,
              QStringList{"SELECT id, name, amount, created, note FROM qv_sx_t ORDER BY id"});
}

TEST_P(RunnerTest, QueryWithoutRowsShowsHeadersOnly)
{
    s->run("SELECT id, txt FROM qv_sx_big WHERE id < 0");
    EXPECT_EQ(s->headers(), (QStringList{"行No.", "id", "txt", "<"}));
    EXPECT_EQ(s->runner->model().rowCount(), 0);
    EXPECT_EQ(s->w.L_rows->text(), QStringLiteral("0"));
    EXPECT_TRUE(s->w.L_sec->toolTip().isEmpty());
    EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:100"));
}

// The run without any window: what it reports is what a window would show.
TEST_P(RunnerTest, BatchRunReportsWithoutAWindow)
{
    QStringList history;
    BatchRunHooks hooks;
    hooks.AddHist = [&history](const QString& sql) { history.append(sql); };
    BatchRun run(*s->db, s->prompts, nullptr, hooks);
    int fillsEnded = 0;
    QStringList rowCounts;
    FetchStrip strip;
    RunPanels panels;
    QObject::connect(&run, &BatchRun::fillEnded, [&] { ++fillsEnded; });
    QObject::connect(&run, &BatchRun::stripChanged, [&](const FetchStrip& shown, bool) {
        rowCounts.append(shown.rows);
        strip = shown;
    });
    QObject::connect(&run, &BatchRun::panelsChanged,
                     [&](const RunPanels& shown) { panels = shown; });
    s->prompts.queueAnswer(Prompts::Answer::Ok); // first statement's outcome
    s->prompts.queueAnswer(Prompts::Answer::Ok); // go on to the second
    run.runBatch(QStringLiteral("UPDATE qv_sx_t SET name = 'z' WHERE id = 1\n/\n"
                                "SELECT id, name FROM qv_sx_t ORDER BY id"));
    EXPECT_EQ(history.size(), 2);
    EXPECT_EQ(fillsEnded, 1);
    ASSERT_EQ(run.model().rowCount(), 3);
    EXPECT_EQ(run.model().cellText(0, 2), QStringLiteral("z"));
    EXPECT_EQ(panels.status, QStringLiteral("SQLCode:100"));
    EXPECT_EQ(panels.count, QStringLiteral("行数:3"));
    EXPECT_EQ(strip.rows, QStringLiteral("3"));
    EXPECT_EQ(rowCounts.last(), QStringLiteral("3"));
    EXPECT_EQ(strip.button, FetchStrip::Button::Off);
    EXPECT_FALSE(s->db->work().cursorHeld());
    EXPECT_FALSE(run.running());
}

// Statements that may change data are pending until COMMIT or ROLLBACK, with the driver's
// counts; each can be taken back by its savepoint, which never changes what COMMIT commits.
TEST_P(RunnerTest, PendingWorkAndUndoOfTheLastStatement)
{
    BatchRun& run = s->runner->batch();
    PendingWork& pending = s->db->pending();
    const auto rowsNow = [&] {
        EXPECT_EQ(s->db->DbExecute(QStringLiteral("SELECT COUNT(*), SUM(id) FROM qv_sx_t")), 0);
        QVector<QString> v;
        s->db->DbFetch(v, true);
        s->db->DbCloseCursor();
        return v.value(0) + QLatin1Char('/') + v.value(1);
    };
    const QString before = rowsNow();
    auto other = second();

    s->run("SELECT * FROM qv_sx_t");
    EXPECT_TRUE(pending.empty());
    EXPECT_FALSE(run.undoAvailable());
    s->run("INSERT INTO qv_sx_t (id) VALUES (10)");
    s->run("UPDATE qv_sx_t SET note = 'n' WHERE id < 3");
    ASSERT_EQ(pending.statements(), 2);
    EXPECT_EQ(pending.rows(), 1 + 2);
    EXPECT_TRUE(PendingPanelText(pending, QDateTime::currentDateTime())
                    .startsWith(QStringLiteral("未確定 2文 / 3行 / 00:0")));
    ASSERT_TRUE(run.undoAvailable());

    // Undo takes back the UPDATE only.
    run.undoLast();
    EXPECT_FALSE(run.undoAvailable());
    EXPECT_EQ(pending.statements(), 1);
    EXPECT_TRUE(s->w.msg->text().startsWith(QStringLiteral("直前のSQLを取り消しました：UPDATE")));
    EXPECT_EQ(rowsNow(), QStringLiteral("4/16"));

    // Without WHERE: asked after it ran, with the count; the default takes it back.
    s->prompts.clear();
    s->run("DELETE FROM qv_sx_t");
    const auto asked = s->boxes(QStringLiteral("QUORVANT"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].text, QStringLiteral("4行が変更されました。この変更を残しますか？"));
    EXPECT_EQ(asked[0].defaultAnswer, Prompts::Answer::No);
    EXPECT_EQ(rowsNow(), QStringLiteral("4/16"));

    // More rows than the threshold also ask; kept, the change stays.
    run.setUndoAskRows(1);
    s->prompts.queueAnswer(Prompts::Answer::Yes);
    s->run("UPDATE qv_sx_t SET note = 'm' WHERE id < 3");
    EXPECT_EQ(pending.statements(), 2);
    run.setUndoAskRows(1000);

    // Nothing was committed behind the user's back: ROLLBACK takes all, and clears the record.
    EXPECT_EQ(other->db->DbExecute(QStringLiteral("SELECT COUNT(*) FROM qv_sx_t")), 0);
    QVector<QString> seen;
    other->db->DbFetch(seen, true);
    other->db->DbCloseCursor();
    other->db->DbRollback();
    EXPECT_EQ(seen.value(0), QStringLiteral("3"));
    s->runner->rollback_command();
    EXPECT_TRUE(pending.empty());
    EXPECT_EQ(rowsNow(), before);

    // A typed COMMIT clears it too, and the savepoint does not outlive it.
    s->run("INSERT INTO qv_sx_t (id) VALUES (11)");
    s->run("COMMIT");
    EXPECT_TRUE(pending.empty());
    EXPECT_FALSE(run.undoAvailable());
    s->run("DELETE FROM qv_sx_t WHERE id = 11");
    ASSERT_TRUE(run.undoAvailable());
    run.undoLast();
    s->runner->commit_command();
    EXPECT_EQ(rowsNow(), QStringLiteral("4/17"));
    s->run("DELETE FROM qv_sx_t WHERE id = 11");
    s->runner->commit_command();

    // A typed ROLLBACK TO a savepoint takes back only what came after it.
    s->run("INSERT INTO qv_sx_t (id) VALUES (12)");
    s->run("SAVEPOINT typed");
    s->run("INSERT INTO qv_sx_t (id) VALUES (13)");
    s->run("ROLLBACK TO SAVEPOINT typed");
    EXPECT_EQ(rowsNow(), QStringLiteral("4/18"));
    EXPECT_EQ(pending.statements(), 2); // still pending: only part was taken back
    s->runner->rollback_command();

    // A change that fails first in its transaction (psqlODBC then takes back the whole
    // transaction, the savepoint before it too): the next change runs and can be undone.
    s->run("UPDATE qv_sx_missing SET id = 1 WHERE id = 1");
    s->run("INSERT INTO qv_sx_t (id) VALUES (14)");
    ASSERT_TRUE(run.undoAvailable());
    run.undoLast();
    EXPECT_EQ(pending.statements(), 0);
    EXPECT_EQ(rowsNow(), before);
    s->runner->rollback_command();

    // DDL: MariaDB commits it by itself, so it has no savepoint and nothing stays pending.
    s->run("CREATE TABLE qv_sx_ddl (a INTEGER)");
    EXPECT_EQ(run.undoAvailable(), !GetParam().mariadb);
    EXPECT_EQ(pending.empty(), GetParam().mariadb);
    s->runner->rollback_command();
    s->db->DbExecute(QStringLiteral("DROP TABLE qv_sx_ddl"));
    s->db->DbCommit();

    // MariaDB commits what is pending before BEGIN, LOCK TABLES and DDL, also a DDL that fails;
    // elsewhere these fail or change nothing, and the work stays pending.
    for (const char* sql :
         {"BEGIN", "LOCK TABLES qv_sx_t WRITE", "CREATE TABLE qv_sx_t (a INTEGER)"}) {
        s->run("INSERT INTO qv_sx_t (id) VALUES (15)");
        s->run(sql);
        EXPECT_EQ(pending.empty(), GetParam().mariadb) << sql;
        s->db->DbExecute(QStringLiteral("UNLOCK TABLES"));
        s->runner->rollback_command();
        s->db->DbExecute(QStringLiteral("DELETE FROM qv_sx_t WHERE id = 15"));
        s->db->DbCommit();
    }
}

TEST_P(RunnerTest, StatementsWithoutResultReportAffectedRowsUncapped)
{
    // Counts only: the undo guard (every row, or more than its threshold) is not asked.
    s->runner->batch().setUndoAskRows(25000);
    s->run("UPDATE qv_sx_t SET name = 'x' WHERE id > 0");
    ASSERT_EQ(s->prompts.boxes().size(), 1);
    EXPECT_EQ(s->prompts.boxes().at(0).text,
              QStringLiteral("正常に終了しました。\n\nSQLCode:0\n行数:3"));
    EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:0"));
    EXPECT_EQ(s->w.cnt->text(), QStringLiteral("行数:3"));
    EXPECT_EQ(s->w.msg->text(), QStringLiteral("SQL実行：正常に終了しました。"));

    // The grid's row cap applies to results only, never to affected rows.
    s->run("UPDATE qv_sx_big SET txt = 'y' WHERE id <= 20000");
    EXPECT_EQ(s->w.cnt->text(), QStringLiteral("行数:20000"));
    EXPECT_EQ(s->history.size(), 2);
    s->runner->batch().setUndoAskRows(1000);
}

TEST_P(RunnerTest, FailingStatementShowsErrorAndHistoryQuestion)
{
    s->w.status->setText(QStringLiteral("old"));
    s->prompts.queueAnswer(Prompts::Answer::Ok);     // the error box
    s->prompts.queueAnswer(Prompts::Answer::Cancel); // not into the history
    s->run("SELECT * FROM qv_sx_no_such_table");
    const auto boxes = s->prompts.boxes();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].title, kErrorTitle);
    EXPECT_EQ(boxes[0].icon, Prompts::Icon::Warning);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("qv_sx_no_such_table")));
    EXPECT_EQ(boxes[1].title, QStringLiteral("QUORVANT"));
    EXPECT_EQ(boxes[1].text, QStringLiteral("SQLを履歴に追加しますか？"));
    EXPECT_EQ(boxes[1].buttons, Prompts::Buttons::OkCancel);
    EXPECT_EQ(boxes[1].defaultAnswer, Prompts::Answer::Cancel);
    EXPECT_TRUE(s->history.isEmpty());
    EXPECT_TRUE(s->w.status->text().startsWith(QStringLiteral("SQLCode:-")));
    // The panel has room for the first line; the whole error is its tool tip.
    const QString error = QStringLiteral("SQL実行エラー：") + boxes[0].text;
    EXPECT_EQ(s->w.msg->text(), error.section(QLatin1Char('\n'), 0, 0));
    EXPECT_EQ(s->w.msg->toolTip(), error.contains(QLatin1Char('\n')) ? error : QString());
    EXPECT_EQ(s->w.cnt->text(), QStringLiteral("行数:"));
    EXPECT_EQ(s->w.time->text(), QStringLiteral("実行時間："));

    s->db->DbRollback();
    s->prompts.clear();
    s->prompts.queueAnswer(Prompts::Answer::Ok);
    s->prompts.queueAnswer(Prompts::Answer::Ok);
    s->run("SELECT * FROM qv_sx_no_such_table");
    EXPECT_EQ(s->history, QStringList{"SELECT * FROM qv_sx_no_such_table"});
}

struct LimitCase {
    int rows;
    int shown;
    int status;
};

TEST_P(RunnerTest, GridStopsAtTenThousandRows)
{
    for (const LimitCase c :
         {LimitCase{10000, 10000, 100}, LimitCase{10001, 10000, 0}, LimitCase{25000, 10000, 0}}) {
        SCOPED_TRACE(c.rows);
        s->prompts.clear();
        s->run(
            QStringLiteral("SELECT id, txt FROM qv_sx_big WHERE id <= %1 ORDER BY id").arg(c.rows));
        EXPECT_EQ(s->runner->model().rowCount(), c.shown);
        EXPECT_EQ(s->cell(c.shown - 1, 0), QStringLiteral(" 10000"));
        EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:%1").arg(c.status));
        EXPECT_EQ(s->w.cnt->text(), QStringLiteral("行数:10000"));
        EXPECT_EQ(s->w.L_rows->text(), QStringLiteral("10000"));
        EXPECT_FALSE(s->w.Cmd_start_stop->isEnabled());
        // A capped result keeps its cursor for the rest, which only a file can take.
        EXPECT_EQ(s->db->work().cursorHeld(), c.status == 0);
        EXPECT_EQ(s->runner->batch().restOpen(), c.status == 0);
    }
}

TEST_P(RunnerTest, SuspendRunOtherStatementResumeContinuesNumbering)
{
    bool busyWhileResumed = false;
    int shownDuringFill = 0;
    qint64 fillingIcon = 0;
    {
        // Pressed as a user presses it: through the input the fill holds back from the rest of
        // the window.
        DuringFill suspend([&] { return fetched(*s->runner) >= 3000; },
                           [&] {
                               shownDuringFill = s->runner->model().rowCount();
                               fillingIcon = s->w.Cmd_start_stop->icon().cacheKey();
                               QTest::mouseClick(s->w.Cmd_start_stop, Qt::LeftButton);
                           });
        s->run("SELECT id, txt FROM qv_sx_big ORDER BY id");
        ASSERT_TRUE(suspend.done());
    }
    EXPECT_GT(shownDuringFill, 0); // rows are shown as they arrive
    const int suspendedAt = fetched(*s->runner);
    EXPECT_GE(suspendedAt, 3000);
    EXPECT_LE(suspendedAt, 3000 + 257); // events run at least once per read-ahead batch
    EXPECT_EQ(s->runner->model().rowCount(), suspendedAt);
    EXPECT_EQ(s->w.L_rows->text(), QString::number(suspendedAt));
    EXPECT_EQ(s->prompts.boxes().back().text,
              QStringLiteral("正常に終了しました。\n\nSQLCode:0\n行数:%1").arg(suspendedAt));
    EXPECT_TRUE(s->w.L_msg->text().endsWith(QStringLiteral("（中断されました）")));
    const QString startShown = s->w.L_msg->text().left(8);
    EXPECT_TRUE(s->w.Cmd_start_stop->isEnabled());
    EXPECT_FALSE(s->w.Cmd_start_stop->icon().isNull());
    EXPECT_NE(s->w.Cmd_start_stop->icon().cacheKey(), fillingIcon); // resume, not suspend
    const double firstPeriod = s->w.L_sec->text().toDouble();

    // A statement without result leaves the suspended fetch as it was, also when the undo
    // guard takes it back (its default).
    s->run("UPDATE qv_sx_t SET name = 'between'");
    EXPECT_TRUE(s->w.msg->text().startsWith(QStringLiteral("直前のSQLを取り消しました")));
    EXPECT_TRUE(s->w.Cmd_start_stop->isEnabled());
    EXPECT_TRUE(s->db->work().cursorHeld());
    EXPECT_EQ(s->runner->model().rowCount(), suspendedAt);

    {
        // A resumed fill is work on the connection: the window disables the other commands.
        // (Its rows may all have arrived before the suspension took effect: no event need run.)
        QObject watch;
        QObject::connect(&s->db->work(), &ConnectionWork::changed, &watch,
                         [&] { busyWhileResumed |= s->db->work().busy(); });
        s->w.Cmd_start_stop->setFocus();
        QTest::keyClick(s->w.Cmd_start_stop, Qt::Key_Space);
    }
    EXPECT_TRUE(busyWhileResumed);
    EXPECT_FALSE(s->db->work().busy());
    const auto& m = s->runner->model();
    ASSERT_EQ(m.rowCount(), 10000);
    EXPECT_EQ(m.rows()[suspendedAt].number, suspendedAt + 1);
    EXPECT_EQ(s->cell(suspendedAt, 1), QString::number(suspendedAt + 1));
    EXPECT_EQ(s->cell(9999, 1), QStringLiteral("10000"));
    EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:0"));
    EXPECT_TRUE(s->w.L_msg->text().startsWith(startShown));
    EXPECT_FALSE(s->w.L_msg->text().contains(QStringLiteral("中断")));
    EXPECT_GE(s->w.L_sec->text().toDouble(), firstPeriod);
    EXPECT_FALSE(s->w.Cmd_start_stop->isEnabled());
    EXPECT_EQ(s->history, (QStringList{"SELECT id, txt FROM qv_sx_big ORDER BY id",
                                       "UPDATE qv_sx_t SET name = 'between'"}));
}

TEST_P(RunnerTest, StopCommandKeepsRowsAndClosesTheResult)
{
    bool busy = false;
    DuringFill stop([&] { return fetched(*s->runner) >= 500; },
                    [&] {
                        busy = s->db->work().busy();
                        s->runner->stopCommand();
                    });
    s->run("SELECT id, txt FROM qv_sx_big ORDER BY id");
    ASSERT_TRUE(stop.done());
    EXPECT_TRUE(busy);
    const int rows = fetched(*s->runner);
    EXPECT_GE(rows, 500);
    EXPECT_LE(rows, 500 + 257);
    EXPECT_EQ(s->runner->model().rowCount(), rows);
    EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:0"));
    EXPECT_FALSE(s->w.L_msg->text().contains(QStringLiteral("中断")));
    // Reported as stopped, as a stopped statement is, with the rows read so far.
    EXPECT_EQ(s->w.msg->text(), QStringLiteral("SQL実行：中断しました。"));
    EXPECT_EQ(s->w.cnt->text(), QStringLiteral("行数:%1").arg(rows));
    for (const ScriptedPrompts::Box& box : s->prompts.boxes())
        EXPECT_FALSE(box.text.startsWith(QStringLiteral("正常に終了しました。")));
    EXPECT_FALSE(s->w.Cmd_start_stop->isEnabled());
    EXPECT_TRUE(s->w.Cmd_start_stop->icon().isNull());
    EXPECT_FALSE(s->db->work().busy() || s->db->work().cursorHeld());
}

TEST_P(RunnerTest, CommitAndRollbackAreSeenFromASecondConnection)
{
    const QString read = QStringLiteral("SELECT name FROM qv_sx_t WHERE id = 1");
    const auto otherSees = [&](const char* expected) {
        auto other = second();
        other->run(read);
        EXPECT_EQ(other->cell(0, 1), QString::fromUtf8(expected));
        other->db->DbRollback(); // end the reader's transaction so the writer can commit
    };

    s->run("UPDATE qv_sx_t SET name = 'committed' WHERE id = 1");
    otherSees("one");
    s->prompts.clear();
    s->runner->commit_command();
    ASSERT_EQ(s->prompts.boxes().size(), 1);
    EXPECT_EQ(s->prompts.boxes()[0].title, QStringLiteral("QUORVANT - COMMIT完了"));
    EXPECT_EQ(s->prompts.boxes()[0].text, QStringLiteral("COMMITが完了しました。"));
    EXPECT_EQ(s->prompts.boxes()[0].icon, Prompts::Icon::Information);
    EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:0"));
    EXPECT_EQ(s->w.cnt->text(), QStringLiteral("行数:"));
    EXPECT_EQ(s->w.time->text(), QStringLiteral("実行時間："));
    EXPECT_EQ(s->w.msg->text(), QStringLiteral("COMMITが完了しました。"));
    otherSees("committed");

    s->run("UPDATE qv_sx_t SET name = 'undone' WHERE id = 1");
    s->prompts.clear();
    s->runner->rollback_command();
    ASSERT_EQ(s->prompts.boxes().size(), 1);
    EXPECT_EQ(s->prompts.boxes()[0].title, QStringLiteral("QUORVANT - ROLLBACK完了"));
    EXPECT_EQ(s->prompts.boxes()[0].text, QStringLiteral("ROLLBACKが完了しました。"));
    EXPECT_EQ(s->w.msg->text(), QStringLiteral("ROLLBACKが完了しました。"));
    otherSees("committed");

    // A typed COMMIT in any letter case ends the transaction as a statement.
    s->run("UPDATE qv_sx_t SET name = 'typed' WHERE id = 1");
    s->prompts.clear();
    s->run("commit");
    EXPECT_EQ(s->prompts.boxes().at(0).text,
              QStringLiteral("正常に終了しました。\n\nSQLCode:0\n行数:0"));
    otherSees("typed");
}

TEST_P(RunnerTest, TransactionCommandsWithoutConnectionOnlyWarn)
{
    s->db->DbRollback();
    s->db->DbDisconnect();
    const std::function<void()> commands[] = {
        [&] { s->runner->commit_command(); }, [&] { s->runner->rollback_command(); },
        [&] { s->runner->runBatch(QStringLiteral("SELECT 1")); }};
    for (const auto& command : commands) {
        s->prompts.clear();
        s->w.status->setText(QStringLiteral("kept"));
        command();
        ASSERT_EQ(s->prompts.boxes().size(), 1);
        EXPECT_EQ(s->prompts.boxes()[0].text, QStringLiteral("ＤＢが接続されていません。"));
        EXPECT_EQ(s->prompts.boxes()[0].icon, Prompts::Icon::Warning);
        EXPECT_EQ(s->w.status->text(), QStringLiteral("kept"));
    }
    EXPECT_EQ(s->prompts.boxes()[0].title, QStringLiteral("QUORVANT - ＳＱＬの実行"));
}

INSTANTIATE_TEST_SUITE_P(Drivers, RunnerTest,
                         testing::Values(Backend{"SQLite", false}, Backend{"PostgreSQL", true},
                                         Backend{"MariaDB", false, true}),
                         [](const testing::TestParamInfo<Backend>& i) { return i.param.name; });

// --- batch behaviour and the demo database (SQLite) ---

class DemoTest : public testing::Test {
protected:
    void SetUp() override { s = std::make_unique<Session>(demoConnStr()); }
    std::unique_ptr<Session> s;
};

TEST_F(DemoTest, JapaneseNamesKindsAndViewRows)
{
    s->run("SELECT 社員番号, 氏名, 入社日, 給与 FROM 社員 ORDER BY 社員番号");
    EXPECT_EQ(s->headers(), (QStringList{"行No.", "社員番号", "氏名", "入社日", "給与", "<"}));
    EXPECT_EQ(s->runner->model().kind(0), ColumnKind::Number);
    EXPECT_EQ(s->runner->model().kind(1), ColumnKind::Text);
    EXPECT_EQ(s->runner->model().kind(2), ColumnKind::DateTime);
    const int employees = s->runner->model().rowCount();
    EXPECT_GT(employees, 0);
    EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:100"));

    s->run("SELECT COUNT(*) FROM v_受注明細");
    const QString count = s->cell(0, 1);
    s->run("SELECT * FROM v_受注明細");
    EXPECT_EQ(QString::number(s->runner->model().rowCount()), count);
}

TEST_F(DemoTest, HundredThousandRowTableShowsTenThousand)
{
    s->run("SELECT * FROM access_log");
    EXPECT_EQ(s->runner->model().rowCount(), 10000);
    EXPECT_EQ(s->headers().size(), 12);
    EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:0"));
}

TEST_F(DemoTest, ThreeStatementsAskTwiceAndCancelSkipsOne)
{
    s->prompts.queueAnswer(Prompts::Answer::Ok);     // success of the first
    s->prompts.queueAnswer(Prompts::Answer::Cancel); // skip the second
    s->prompts.queueAnswer(Prompts::Answer::Ok);     // run the third
    s->run("SELECT 1 AS a\n/\n\nSELECT 2 AS b\n/\nSELECT 3 AS c\n/\n");
    const auto questions = s->boxes(kContinueTitle);
    ASSERT_EQ(questions.size(), 2);
    EXPECT_EQ(questions[0].text,
              QStringLiteral("次のＳＱＬを続けて実行してよろしいですか？\n(SELECT 2 AS b)"));
    EXPECT_EQ(questions[0].icon, Prompts::Icon::Question);
    EXPECT_EQ(questions[0].buttons, Prompts::Buttons::OkCancel);
    EXPECT_EQ(questions[1].text,
              QStringLiteral("次のＳＱＬを続けて実行してよろしいですか？\n(SELECT 3 AS c)"));
    EXPECT_EQ(s->history, (QStringList{"SELECT 1 AS a", "SELECT 3 AS c"}));
    EXPECT_EQ(s->headers().at(1), QStringLiteral("c"));
    EXPECT_FALSE(s->runner->running() || s->db->work().busy());
}

TEST_F(DemoTest, FailingStatementDoesNotEndTheRun)
{
    // The next piece may change data: the question's default is Cancel, so Enter runs nothing.
    s->run("SELECT * FROM no_such_table\n/\nSELECT 2 AS b");
    ASSERT_EQ(s->boxes(kContinueTitle).size(), 1);
    EXPECT_EQ(s->boxes(kContinueTitle)[0].defaultAnswer, Prompts::Answer::Cancel);
    EXPECT_TRUE(s->boxes(kOkTitle).isEmpty());

    s->prompts.clear();
    s->prompts.queueAnswer(Prompts::Answer::Ok);     // the error box
    s->prompts.queueAnswer(Prompts::Answer::Cancel); // not into the history
    s->prompts.queueAnswer(Prompts::Answer::Ok);     // go on
    s->run("SELECT * FROM no_such_table\n/\nSELECT 2 AS b");
    QStringList titles;
    for (const auto& b : s->prompts.boxes())
        titles.append(b.title);
    EXPECT_EQ(titles, (QStringList{kErrorTitle, "QUORVANT", kContinueTitle, kOkTitle}));
    EXPECT_EQ(s->headers().at(1), QStringLiteral("b"));
}

TEST_F(DemoTest, BlankTextDoesNothing)
{
    for (const char* text : {"", "    "}) {
        s->run(QString::fromUtf8(text));
        EXPECT_TRUE(s->prompts.boxes().isEmpty());
        EXPECT_TRUE(s->w.status->text().isEmpty());
    }
}

TEST_F(DemoTest, SlashLinesAtTheEdgesOfTheText)
{
    // A "/" opening the text is no separator: the statement goes to the database as typed.
    s->prompts.queueAnswer(Prompts::Answer::Ok);
    s->prompts.queueAnswer(Prompts::Answer::Ok);
    s->run("/\nSELECT 1 AS a");
    EXPECT_EQ(s->prompts.boxes().at(0).title, kErrorTitle);
    EXPECT_EQ(s->history, QStringList{"/\nSELECT 1 AS a"});

    s->prompts.clear();
    s->run("SELECT 1 AS a\n/\n");
    ASSERT_EQ(s->prompts.boxes().size(), 1);
    EXPECT_EQ(s->prompts.boxes()[0].title, kOkTitle);
}

TEST_F(DemoTest, OversizedInput)
{
    // A statement far beyond 32,767 characters, and a value beyond the 254-byte limit.
    const QString big(100000, QLatin1Char('q'));
    s->run(QStringLiteral("SELECT '%1' AS v").arg(big));
    ASSERT_EQ(s->runner->model().rowCount(), 1);
    EXPECT_EQ(s->cell(0, 1), big.left(254));
    EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:100"));

    // 1,200 result columns: the first 1,000 are shown.
    QStringList columns;
    for (int i = 1; i <= 1200; ++i)
        columns.append(QStringLiteral("%1 AS c%1").arg(i));
    s->run(QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")));
    EXPECT_EQ(s->runner->model().columnCount(), 1002);
    EXPECT_EQ(s->headers().at(1000), QStringLiteral("c1000"));
    EXPECT_EQ(s->cell(0, 1000), QStringLiteral("1000"));
    EXPECT_EQ(s->w.L_cols->text(), QStringLiteral("1200"));
    EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:100"));
}

TEST_F(DemoTest, CommitEndsASuspendedFillAndKeepsItsRows)
{
    // A result kept open across COMMIT is computed to its end by some servers (PostgreSQL's
    // cursor): COMMIT ends a suspended fill first, as a new statement does.
    DuringFill suspend([&] { return fetched(*s->runner) >= 100; },
                       [&] { s->w.Cmd_start_stop->click(); });
    s->run("SELECT log_id FROM access_log ORDER BY log_id");
    const int rows = s->runner->model().rowCount();
    ASSERT_LE(rows, 100 + 257);
    const QString rowsText = s->w.L_rows->text();
    s->runner->commit_command();
    EXPECT_EQ(s->runner->model().rowCount(), rows);
    EXPECT_EQ(s->w.L_rows->text(), rowsText);
    EXPECT_FALSE(s->w.Cmd_start_stop->isEnabled());
    EXPECT_FALSE(s->db->work().cursorHeld());
    EXPECT_EQ(s->w.msg->text(), QStringLiteral("COMMITが完了しました。"));
}

} // namespace
