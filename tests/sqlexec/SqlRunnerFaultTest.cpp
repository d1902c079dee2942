#include "SqlRunnerHarness.h"

#include <QElapsedTimer>
#include <QTest>

using namespace sqltest;

namespace {

// psqlODBC keeps its cursor across a COMMIT, and the server then computes the rest of the
// result before the COMMIT returns (a suspended pg_sleep query kept it busy for minutes): a
// suspended fill ends first, so COMMIT and ROLLBACK return at once. The other test drivers hold
// a whole result after the execute, so only PostgreSQL can show it.
TEST(RunnerFaultTest, CommitAndRollbackEndASuspendedCursorFillFirst)
{
    auto s = std::make_unique<Session>(pgConnStr());
    ASSERT_TRUE(s->connected());
    s->db->DbExecute("DROP TABLE IF EXISTS qv_sx_slow");
    s->exec("CREATE TABLE qv_sx_slow AS SELECT n AS id FROM generate_series(1, 20000) AS g(n)");
    ASSERT_EQ(s->db->DbCommit(), 0);
    for (const bool commit : {true, false}) {
        bool resumeAtOnce = false;
        // Rows of this fill: the previous one's stay in the grid until this one fetches.
        DuringFill suspend(
            [&] {
                return s->db->work().call() == ConnectionWork::Kind::Fetch &&
                       fetched(*s->runner) >= 1;
            },
            [&] {
                const qint64 suspendIcon = s->w.Cmd_start_stop->icon().cacheKey();
                QTest::mouseClick(s->w.Cmd_start_stop, Qt::LeftButton);
                // The button turns to resume as it is pressed, however long the FETCH the
                // driver is in still takes.
                resumeAtOnce = s->w.Cmd_start_stop->icon().cacheKey() != suspendIcon;
            });
        // The rest of the rows would keep the server busy for some 40 s.
        s->run("SELECT id, pg_sleep(0.004) FROM qv_sx_slow");
        EXPECT_TRUE(resumeAtOnce);
        ASSERT_TRUE(s->w.Cmd_start_stop->isEnabled()); // suspended
        if (commit) {
            // A resume pressed while another statement runs is refused, and the fill stays
            // suspended.
            s->prompts.clear();
            DuringFill resume([] { return true; },
                              [&] { QTest::mouseClick(s->w.Cmd_start_stop, Qt::LeftButton); });
            s->run("DO $$ BEGIN PERFORM pg_sleep(0.3); END $$");
            ASSERT_TRUE(resume.done());
            ASSERT_FALSE(s->prompts.boxes().isEmpty());
            EXPECT_EQ(s->prompts.boxes().front().text, ConnectionWork::busyText());
            EXPECT_TRUE(s->w.Cmd_start_stop->isEnabled());
            EXPECT_TRUE(s->db->work().cursorHeld());
        }
        QElapsedTimer took;
        took.start();
        if (commit)
            s->runner->commit_command();
        else
            s->runner->rollback_command();
        EXPECT_LT(took.elapsed(), 5000);
        EXPECT_FALSE(s->w.Cmd_start_stop->isEnabled());
        EXPECT_FALSE(s->db->work().cursorHeld());
        EXPECT_EQ(s->w.status->text(), QStringLiteral("SQLCode:0"));
    }
    // Stop answers as it is pressed too: its button goes off and the grid takes no further
    // row, while psqlODBC finishes the FETCH of its cursor that it is in (it cannot cancel it).
    bool offAtOnce = false;
    int fetchedAtStop = 0;
    {
        DuringFill stop(
            [&] {
                return s->db->work().call() == ConnectionWork::Kind::Fetch &&
                       fetched(*s->runner) >= 1;
            },
            [&] {
                fetchedAtStop = fetched(*s->runner);
                s->runner->stopCommand();
                offAtOnce = !s->w.Cmd_start_stop->isEnabled();
            });
        s->run("SELECT id, pg_sleep(0.004) FROM qv_sx_slow");
    }
    EXPECT_TRUE(offAtOnce);
    EXPECT_EQ(fetched(*s->runner), fetchedAtStop);
    EXPECT_EQ(s->w.msg->text(), QStringLiteral("SQL実行：中断しました。"));
    EXPECT_FALSE(s->db->work().busy() || s->db->work().cursorHeld());
    s->db->DbExecute("DROP TABLE qv_sx_slow");
    s->db->DbCommit();
}

// The server goes away while a result is being fetched: the error is shown, the rows read so
// far stay, and once the server is back the connection can be made again.
TEST(RunnerFaultTest, ServerStoppedDuringFetch)
{
    PgRestart restart;
    auto s = std::make_unique<Session>(pgConnStr());
    ASSERT_TRUE(s->connected());
    s->db->DbExecute("DROP TABLE IF EXISTS qv_sx_fault");
    s->exec("CREATE TABLE qv_sx_fault AS SELECT n AS id FROM generate_series(1, 25000) AS g(n)");
    ASSERT_EQ(s->db->DbCommit(), 0);
    s->prompts.clear();

    bool stopped = false;
    DuringFill stop([&] { return fetched(*s->runner) >= 300; },
                    [&] { stopped = testenv::pgStop(); });
    // Rows come slowly, so that the connection's thread, which fetches ahead of the grid, is
    // still fetching when the server goes.
    s->run("SELECT id, pg_sleep(0.0005) FROM qv_sx_fault ORDER BY id");
    ASSERT_TRUE(stopped);

    const int rows = s->runner->model().rowCount();
    EXPECT_GE(rows, 300);
    EXPECT_LT(rows, 10000);
    const auto errors = s->boxes(QStringLiteral("QUORVANT - ＳＱＬ実行エラー"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_FALSE(errors[0].text.isEmpty());
    EXPECT_TRUE(s->boxes(QStringLiteral("QUORVANT - ＳＱＬ正常終了")).isEmpty());
    EXPECT_TRUE(s->w.status->text().startsWith(QStringLiteral("SQLCode:")));
    EXPECT_NE(s->w.status->text(), QStringLiteral("SQLCode:0"));
    EXPECT_EQ(s->w.msg->text(), QStringLiteral("SQL実行エラー："));
    EXPECT_FALSE(s->w.Cmd_start_stop->isEnabled());
    EXPECT_TRUE(s->w.ListView1->isVisible());
    EXPECT_FALSE(s->db->work().busy());

    ASSERT_TRUE(testenv::pgStart());
    s->db->DbDisconnect();
    EXPECT_FALSE(s->connected());
    QString uid, pwd, conn = pgConnStr();
    ASSERT_EQ(s->db->DbConnect(nullptr, QString(), uid, pwd, QString(), conn), 0);
    s->prompts.clear();
    s->run("SELECT COUNT(*) FROM qv_sx_fault");
    EXPECT_EQ(s->cell(0, 1), QStringLiteral("25000"));
    s->db->DbExecute("DROP TABLE qv_sx_fault");
    s->db->DbCommit();
}

// The server goes away while a statement runs on the worker: the failure is shown as the
// driver reports it, at once, and never as success.
TEST(RunnerFaultTest, ServerStoppedDuringExecute)
{
    PgRestart restart;
    auto s = std::make_unique<Session>(pgConnStr());
    ASSERT_TRUE(s->connected());
    bool stopped = false;
    DuringFill stop([] { return true; }, [&] { stopped = testenv::pgStop(); });
    QElapsedTimer clock;
    clock.start();
    s->run("SELECT pg_sleep(8)");
    ASSERT_TRUE(stopped);
    EXPECT_LT(clock.elapsed(), 6000);
    ASSERT_EQ(s->boxes(QStringLiteral("QUORVANT - ＳＱＬ実行エラー")).size(), 1);
    EXPECT_TRUE(s->boxes(QStringLiteral("QUORVANT - ＳＱＬ正常終了")).isEmpty());
    EXPECT_NE(s->w.status->text(), QStringLiteral("SQLCode:0"));
    EXPECT_FALSE(s->db->work().busy());
}

} // namespace
