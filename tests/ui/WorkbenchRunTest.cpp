#include "AppFolderForTesting.h"
#include "ConnectedWindow.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "WindowPart.h"
#include "app/AppServices.h"
#include "app/PendingWindow.h"
#include "app/QUORVANT.h"
#include "base/AppFolder.h"
#include "base/Settings.h"
#include "browser/ObjectTree.h"
#include "connect/ConnectionState.h"
#include "history/ShowHist.h"
#include "sqlexec/GridFilterRow.h"
#include "sqlexec/ResultGridModel.h"
#include "sqlexec/SqlRunner.h"
#include "transfer/LoadCSV.h"
#include "transfer/SaveCSV.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

namespace {

// The whole workbench as a user drives it: the real main window, connected through its own
// connect dialog, statements typed into TB_SQL and run with the menu and toolbar commands.
class WorkbenchRun : public ConnectedWindow {
protected:
    void SetUp() override
    {
        openAndConnect();
        if (HasFatalFailure())
            return;
        run("DROP TABLE IF EXISTS qv_ui_run");
        run("COMMIT");
        prompts_.clear(); // the catalog load may have asked about the owner
    }
    void TearDown() override { closeWindow({"DROP TABLE IF EXISTS qv_ui_run"}); }

    QAction* toolbarButton(const char* key) const
    {
        return window_->findChild<QToolBar*>(QStringLiteral("Toolbar1"))
            ->findChild<QAction*>(QStringLiteral("tb_") + QLatin1String(key));
    }
    QString label(const char* name) const
    {
        auto* l = window_->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(l, nullptr) << name;
        return l != nullptr ? l->text() : QString();
    }
    QString header(int column) const
    {
        return grid()->headerData(column, Qt::Horizontal).toString();
    }

    // A long statement was stopped: a stop, not a failure: no error box and no history
    // question; the status bar says so and keeps the driver's text as its tool tip. MariaDB may
    // instead hand the kill to the first fetch, its execute having returned already; a fetch
    // that fails after a stop counts as stopped, so the run then ends as a stopped fill with
    // no rows. Never a success with a row.
    void expectStoppedStatement()
    {
        for (const auto& box : prompts_.boxes())
            EXPECT_NE(box.title, QStringLiteral("QUORVANT - ＳＱＬ実行エラー"))
                << box.text.toStdString();
        if (prompts_.boxes().isEmpty()) {
            EXPECT_EQ(label("msg"), QStringLiteral("SQL実行：中断しました。"));
            EXPECT_EQ(label("status"), QStringLiteral("SQLCode:"));
            auto* msg = window_->findChild<QLabel*>(QStringLiteral("msg"));
            EXPECT_GT(msg->toolTip().size(), label("msg").size());
            return;
        }
        EXPECT_STREQ(GetParam(), testenv::kMyDsn) << prompts_.boxes()[0].title.toStdString();
        EXPECT_EQ(prompts_.boxes()[0].title, QStringLiteral("QUORVANT - ＳＱＬ正常終了"));
        EXPECT_EQ(grid()->rowCount(), 0);
    }

    // Does act once, as a user would, as soon as rows are arriving in the grid.
    void onceFetching(std::function<void()> act)
    {
        auto* timer = new QTimer(window_.get());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, act] {
            const SqlRunner& runner = part<SqlRunner>(*window_);
            if (services_->db().work().call() != ConnectionWork::Kind::Fetch ||
                runner.model().rows().empty())
                return;
            timer->stop();
            timer->deleteLater();
            act();
        });
        timer->start();
    }

    void createSampleTable()
    {
        run("CREATE TABLE qv_ui_run (id INTEGER, name VARCHAR(20), born TIMESTAMP, "
            "amount NUMERIC(8,2))");
        run("INSERT INTO qv_ui_run VALUES (1, '山田', '2006-04-01 00:00:00', -12.5)");
        run("INSERT INTO qv_ui_run VALUES (2, NULL, '2006-04-01 13:05:00', 1234.57)");
        run("INSERT INTO qv_ui_run VALUES (3, 'x', NULL, NULL)");
        run("COMMIT");
        prompts_.clear();
    }

    // A one-column table with the ids 1 to 2^doublings.
    void createNumbers(int doublings)
    {
        run("CREATE TABLE qv_ui_run (id INTEGER)");
        run("INSERT INTO qv_ui_run (id) VALUES (1)");
        for (int i = 0; i < doublings; ++i)
            run("INSERT INTO qv_ui_run (id) SELECT id + (SELECT COUNT(*) FROM qv_ui_run) "
                "FROM qv_ui_run");
        run("COMMIT");
        prompts_.clear();
    }

    const ScriptedPrompts::Box& lastBox() const { return prompts_.boxes().back(); }
};

TEST_P(WorkbenchRun, SelectFillsTheGridAndReportsTheEndOfTheData)
{
    createSampleTable();
    run("SELECT id, name, born, amount FROM qv_ui_run ORDER BY id");

    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_EQ(lastBox().title, "QUORVANT - ＳＱＬ正常終了");
    EXPECT_EQ(lastBox().text, "正常に終了しました。\n\nSQLCode:100\n行数:3");
    EXPECT_EQ(label("status"), "SQLCode:100");
    EXPECT_EQ(label("cnt"), "行数:3");
    EXPECT_EQ(label("msg"), "SQL実行：正常に終了しました。");
    EXPECT_TRUE(label("time").startsWith("実行時間：00'00''"));

    ASSERT_EQ(grid()->columnCount(), 6);
    EXPECT_EQ(header(0), "行No.");
    EXPECT_EQ(header(1).toLower(), "id");
    EXPECT_EQ(header(5), "<");
    ASSERT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(cell(0, 0), "     1");
    EXPECT_EQ(cell(0, 2), "山田");
    EXPECT_EQ(cell(1, 2), ""); // NULL
    EXPECT_EQ(cell(0, 3), "2006-04-01");
    EXPECT_EQ(cell(1, 3), "2006-04-01 13:05:00");
    EXPECT_EQ(cell(0, 4).toDouble(), -12.5);
    const int numberAlign = grid()->data(grid()->index(0, 4), Qt::TextAlignmentRole).toInt();
    const int textAlign = grid()->data(grid()->index(0, 2), Qt::TextAlignmentRole).toInt();
    EXPECT_TRUE(numberAlign & Qt::AlignRight);
    EXPECT_FALSE(textAlign & Qt::AlignRight);
    EXPECT_EQ(label("L_rows"), "3");
    EXPECT_EQ(label("L_cols"), "4");
    // The run is over: the commands are back in their idle state.
    EXPECT_TRUE(action("mn_sql_go")->isEnabled());
    EXPECT_FALSE(action("mn_sql_stop")->isEnabled());
    EXPECT_TRUE(toolbarButton("ok")->isEnabled());
}

TEST_P(WorkbenchRun, BatchReportsCountsAsksBeforeEachFurtherStatementAndSurvivesAnError)
{
    createSampleTable();
    // The user goes on at every question, and does not keep the failure in the history.
    using A = Prompts::Answer;
    for (A a : {A::Ok, A::Ok, A::Ok, A::Cancel, A::Ok, A::Ok, A::Ok, A::Ok})
        prompts_.queueAnswer(a);
    run("UPDATE qv_ui_run SET name = 'z' WHERE id >= 2\n/\n"
        "SELECT * FROM qv_no_such_table\n/\n\n"
        "ROLLBACK\n/\n"
        "DELETE FROM qv_ui_run WHERE id = 3");

    const auto& boxes = prompts_.boxes();
    ASSERT_EQ(boxes.size(), 8);
    EXPECT_EQ(boxes[0].text, "正常に終了しました。\n\nSQLCode:0\n行数:2");
    EXPECT_EQ(boxes[1].title, "SQL連続実行");
    EXPECT_EQ(boxes[1].text, "次のＳＱＬを続けて実行してよろしいですか？\n"
                             "(SELECT * FROM qv_no_such_table)");
    EXPECT_EQ(boxes[1].answered, Prompts::Answer::Ok);
    EXPECT_EQ(boxes[2].title, "QUORVANT - ＳＱＬ実行エラー");
    EXPECT_EQ(boxes[3].text, "SQLを履歴に追加しますか？");
    EXPECT_EQ(boxes[3].answered, Prompts::Answer::Cancel);
    EXPECT_EQ(boxes[4].text, "次のＳＱＬを続けて実行してよろしいですか？\n(ROLLBACK)");
    EXPECT_EQ(boxes[5].text, "正常に終了しました。\n\nSQLCode:0\n行数:0");
    EXPECT_EQ(boxes[7].text, "正常に終了しました。\n\nSQLCode:0\n行数:1");
    EXPECT_EQ(label("cnt"), "行数:1");

    // The UPDATE was rolled back with the typed ROLLBACK; the DELETE stands.
    run("SELECT name FROM qv_ui_run ORDER BY id");
    ASSERT_EQ(grid()->rowCount(), 2);
    EXPECT_EQ(cell(1, 1), "");
}

TEST_P(WorkbenchRun, SuspendAndResumeContinueTheNumberingThenTheLimitClosesTheResult)
{
    createNumbers(14); // 16,384 rows

    auto* button = window_->findChild<QToolButton*>(QStringLiteral("Cmd_start_stop"));
    // Once rows arrive, the user clicks the suspend button.
    onceFetching([button] { button->click(); });
    run("SELECT id FROM qv_ui_run ORDER BY id");
    const int shown = grid()->rowCount();
    ASSERT_GT(shown, 0);
    ASSERT_LT(shown, 10000);
    EXPECT_TRUE(label("L_msg").endsWith("（中断されました）"));
    EXPECT_EQ(lastBox().text, "正常に終了しました。\n\nSQLCode:0\n行数:" + QString::number(shown));
    EXPECT_TRUE(button->isEnabled());

    // A statement without result columns leaves the suspended fetch alone.
    run("UPDATE qv_ui_run SET id = id WHERE id = 1");
    EXPECT_EQ(grid()->rowCount(), shown);

    prompts_.clear();
    button->click(); // resume
    ASSERT_EQ(grid()->rowCount(), 10000);
    EXPECT_EQ(cell(shown, 0).trimmed(), QString::number(shown + 1));
    EXPECT_EQ(cell(shown, 1), QString::number(shown + 1));
    EXPECT_EQ(cell(9999, 0), " 10000");
    EXPECT_EQ(label("status"), "SQLCode:0");
    EXPECT_FALSE(button->isEnabled()); // the limit closed the result
    EXPECT_FALSE(label("L_msg").endsWith("（中断されました）"));

    // The filter row's count is shown whole before its caption "行": the strip makes room.
    action("mn_disp_gridfilter")->trigger();
    window_->findChild<GridFilterRow*>()->box(1)->setText(QStringLiteral("999"));
    EXPECT_EQ(grid()->rowCount(), 19);
    const auto* rows = window_->findChild<QLabel*>(QStringLiteral("L_rows"));
    EXPECT_EQ(rows->text(), QStringLiteral("19 / 10000"));
    EXPECT_GE(rows->width(), rows->fontMetrics().horizontalAdvance(rows->text()));
    const auto* caption = window_->findChild<QLabel*>(QStringLiteral("L_fetch_4"));
    EXPECT_GT(caption->x(), rows->geometry().right());
    EXPECT_GT(window_->findChild<QLabel*>(QStringLiteral("L_msg"))->x(),
              window_->findChild<QLabel*>(QStringLiteral("L_fetch_1"))->geometry().right());
}

TEST_P(WorkbenchRun, CommitAndRollbackCommandsReportInBoxAndStatusBar)
{
    toolbarButton("ok")->trigger();
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_EQ(lastBox().title, "QUORVANT - COMMIT完了");
    EXPECT_EQ(lastBox().text, "COMMITが完了しました。");
    EXPECT_EQ(lastBox().icon, Prompts::Icon::Information);
    EXPECT_EQ(label("status"), "SQLCode:0");
    EXPECT_EQ(label("msg"), "COMMITが完了しました。");

    action("mn_sql_rollback")->trigger();
    EXPECT_EQ(lastBox().title, "QUORVANT - ROLLBACK完了");
    EXPECT_EQ(label("msg"), "ROLLBACKが完了しました。");
}

// The uncommitted statements in the status bar and their list, the undo command, and the
// question at disconnect and exit once it is set.
TEST_P(WorkbenchRun, PendingWorkIsShownUndoneAndSettledBeforeDisconnect)
{
    auto* panel = window_->findChild<QToolButton*>(QStringLiteral("L_pending"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isHidden());
    run("CREATE TABLE qv_ui_run (id INTEGER)");
    run("COMMIT");
    run("INSERT INTO qv_ui_run VALUES (1)");
    run("INSERT INTO qv_ui_run VALUES (2)");
    EXPECT_FALSE(panel->isHidden());
    EXPECT_TRUE(panel->text().startsWith(QStringLiteral("未確定 2文 / 2行 / 00:0")));
    panel->click();
    ASSERT_NE(window_->findChild<PendingWindow*>(), nullptr);
    auto* list = window_->findChild<PendingWindow*>()->list();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(3), QStringLiteral("INSERT INTO qv_ui_run VALUES (2)"));

    ASSERT_TRUE(toolbarButton("undo")->isEnabled());
    toolbarButton("undo")->trigger();
    EXPECT_FALSE(action("mn_sql_undo")->isEnabled());
    EXPECT_EQ(list->topLevelItemCount(), 1);
    EXPECT_TRUE(label("msg").startsWith(QStringLiteral("直前のSQLを取り消しました：")));

    // Off by default: a disconnect commits as it always has. Set, it asks; Cancel keeps the
    // connection, ROLLBACK takes the work back before the disconnect.
    action("mn_sql_askpending")->trigger();
    EXPECT_EQ(services_->ini().ReadIniValue(QStringLiteral("SET"), QStringLiteral("ASKPENDING")),
              QStringLiteral("ON"));
    prompts_.clear();
    prompts_.queueAnswer(Prompts::Answer::Cancel);
    action("mn_disconnect")->trigger();
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_EQ(prompts_.boxes()[0].text,
              QStringLiteral("未確定の変更があります（1文、1行、0分前から）。COMMITしますか？"));
    EXPECT_EQ(prompts_.boxes()[0].buttons, Prompts::Buttons::CommitRollbackCancel);
    EXPECT_TRUE(services_->db().DbIsConnected());
    prompts_.queueAnswer(Prompts::Answer::No);
    action("mn_disconnect")->trigger();
    EXPECT_FALSE(services_->db().DbIsConnected());
    EXPECT_TRUE(panel->isHidden());
    action("mn_sql_askpending")->trigger();
    connectTo(GetParam());
    run("SELECT COUNT(*) FROM qv_ui_run");
    EXPECT_EQ(cell(0, 1), QStringLiteral("0"));
}

// A result of one table's rows is edited in its cells and applied with the edit menu's command
// into the open transaction; a value the column cannot take stays in its editor, and a
// computed result says why it cannot be edited.
TEST_P(WorkbenchRun, CellsTypedIntoAreAppliedAndResultsThatCannotBeEditedSayWhy)
{
    run("CREATE TABLE qv_ui_run (id INTEGER PRIMARY KEY, name VARCHAR(20), amount NUMERIC(8,2))");
    run("INSERT INTO qv_ui_run VALUES (1, 'a', 1.5)");
    run("INSERT INTO qv_ui_run VALUES (2, 'b', NULL)");
    run("COMMIT");
    prompts_.clear();
    run("SELECT * FROM qv_ui_run ORDER BY id");
    auto* view = window_->findChild<QTableView*>(QStringLiteral("ListView1"));
    view->setFocus();
    view->setCurrentIndex(grid()->index(0, 2));
    QTest::keyClick(view, Qt::Key_F2);
    auto* editor = view->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("new"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(cell(0, 2), QStringLiteral("new"));
    view->setCurrentIndex(grid()->index(1, 3));
    QTest::keyClicks(view, QStringLiteral("x"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed editor
    editor = view->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("x"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(label("msg"), QStringLiteral("数値を入力してください"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(label("L_edits"), QStringLiteral("未反映 変更1 追加0 削除0"));
    // Kept in the settings; the row is then also found by the name it was read with.
    action("mn_grid_original")->trigger();
    EXPECT_EQ(services_->ini().ReadIniValue(QStringLiteral("SET"), QStringLiteral("EDITCHECKORIG")),
              QStringLiteral("ON"));
    ASSERT_TRUE(action("mn_grid_apply")->isEnabled());
    action("mn_grid_apply")->trigger();
    EXPECT_TRUE(label("msg").startsWith(QStringLiteral("変更を反映しました（1文）")));
    EXPECT_FALSE(action("mn_grid_apply")->isEnabled());
    EXPECT_EQ(services_->db().pending().statements(), 1);
    run("SELECT name FROM qv_ui_run WHERE id = 1");
    EXPECT_EQ(cell(0, 1), QStringLiteral("new"));
    // Edits not applied are not dropped unasked by a disconnect (nor a close, nor a run).
    run("SELECT * FROM qv_ui_run ORDER BY id");
    view->setCurrentIndex(grid()->index(0, 2));
    action("mn_grid_null")->trigger();
    prompts_.clear();
    prompts_.queueAnswer(Prompts::Answer::No);
    action("mn_disconnect")->trigger();
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_TRUE(
        prompts_.boxes()[0].text.startsWith(QStringLiteral("反映していない変更があります")));
    EXPECT_TRUE(services_->db().DbIsConnected());
    prompts_.queueAnswer(Prompts::Answer::Yes);
    // Rows read through a connection since closed are never edited through the next one.
    action("mn_disconnect")->trigger();
    connectTo(GetParam());
    ASSERT_EQ(cell(0, 2), QStringLiteral("new"));
    view->setCurrentIndex(grid()->index(0, 2));
    QTest::keyClick(view, Qt::Key_F2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view->viewport()->findChild<QLineEdit*>(), nullptr);
    EXPECT_EQ(label("msg"),
              QStringLiteral("編集不可：接続が変わりました。SELECTを実行しなおしてください"));

    run("SELECT id * 2 AS twice FROM qv_ui_run");
    view->setCurrentIndex(grid()->index(0, 1));
    QTest::keyClick(view, Qt::Key_F2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view->viewport()->findChild<QLineEdit*>(), nullptr);
    EXPECT_TRUE(label("msg").startsWith(QStringLiteral("編集不可：")))
        << label("msg").toStdString();
    run("ROLLBACK");
}

// Ctrl+J and a "." after a table's alias complete from the connection's catalog: tables of
// the tree's read, columns read when first needed; the chosen name goes in at the caret.
TEST_P(WorkbenchRun, NamesCompleteFromTheCatalog)
{
    run("CREATE TABLE qv_ui_run (id INTEGER, qv_label VARCHAR(10))");
    run("COMMIT");
    action("mn_get_tables")->trigger(); // the tree's read is what completion lists
    auto* box = window_->findChild<QPlainTextEdit*>(QStringLiteral("TB_SQL"));
    const auto typeAt = [box](const QString& text, const QString& before) {
        box->setPlainText(text);
        QTextCursor c = box->textCursor();
        c.setPosition(static_cast<int>(text.indexOf(before) + before.size()));
        box->setTextCursor(c);
    };
    QListWidget* list = part<CompletionPopup>(*window_).list();
    typeAt(QStringLiteral("SELECT * FROM qv_ui_r"), QStringLiteral("qv_ui_r"));
    QTest::keyClick(box, Qt::Key_J, Qt::ControlModifier);
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toLower(), QStringLiteral("qv_ui_run"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(box->toPlainText().toLower(), QStringLiteral("select * from qv_ui_run"));

    typeAt(QStringLiteral("SELECT r FROM qv_ui_run r"), QStringLiteral("SELECT r"));
    QTest::keyClick(box, Qt::Key_Period);
    QTRY_VERIFY(list->isVisible());
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text().toLower();
    EXPECT_EQ(names, (QStringList{QStringLiteral("id"), QStringLiteral("qv_label")}));
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(box->toPlainText().toLower(), QStringLiteral("select r.qv_label from qv_ui_run r"));

    // Not while an input method composes: Ctrl+J belongs to it then.
    typeAt(QStringLiteral("SELECT * FROM qv_"), QStringLiteral("qv_"));
    QInputMethodEvent composing(QStringLiteral("か"), {});
    QCoreApplication::sendEvent(box, &composing);
    QTest::keyClick(box, Qt::Key_J, Qt::ControlModifier);
    EXPECT_FALSE(list->isVisible());
    QInputMethodEvent commit;
    commit.setCommitString(QString());
    QCoreApplication::sendEvent(box, &commit);
}

TEST_P(WorkbenchRun, ToolbarButtonsRunTheCommandsOfTheirMenuItems)
{
    window_->findChild<QPlainTextEdit*>(QStringLiteral("TB_SQL"))
        ->setPlainText("SELECT 7 AS seven");
    toolbarButton("go")->trigger();
    EXPECT_EQ(lastBox().title, "QUORVANT - ＳＱＬ正常終了");
    EXPECT_EQ(grid()->rowCount(), 1);

    toolbarButton("ng")->trigger();
    EXPECT_EQ(lastBox().title, "QUORVANT - ROLLBACK完了");
    // A menu item's name is not a toolbar key.
    const auto shown = prompts_.boxes().size();
    window_->toolbarCommand(QStringLiteral("mn_sql_commit"));
    EXPECT_EQ(prompts_.boxes().size(), shown);

    toolbarButton("discon")->trigger();
    EXPECT_FALSE(services_->db().DbIsConnected());
    EXPECT_TRUE(action("mn_reconnect")->isEnabled());
}

TEST_P(WorkbenchRun, DisconnectClosesASuspendedResultAndRunNeedsAConnection)
{
    createNumbers(12);
    auto* button = window_->findChild<QToolButton*>(QStringLiteral("Cmd_start_stop"));
    onceFetching([button] { button->click(); });
    run("SELECT id FROM qv_ui_run");
    ASSERT_TRUE(button->isEnabled()); // suspended
    ASSERT_LT(grid()->rowCount(), 4096);
    action("mn_disconnect")->trigger();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(action("mn_sql_go")->isEnabled());

    // The run command is disabled now; a run started another way (a quick statement from the
    // tree, a statement posted from the history) is refused with a warning.
    prompts_.clear();
    part<SqlRunner>(*window_).runBatch(QStringLiteral("SELECT 1"));
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_EQ(lastBox().text, "ＤＢが接続されていません。");
    EXPECT_EQ(lastBox().title, "QUORVANT - ＳＱＬの実行");
}

TEST_P(WorkbenchRun, ClosingTheWindowDuringAFetchStopsItFirstThenCloses)
{
    createNumbers(14);
    onceFetching([this] { window_->close(); });
    run("SELECT id FROM qv_ui_run");
    // The close arrived while rows were being fetched: the fetch stopped with the rows so far,
    // cleanly, before the connection went away under it, and no box speaks of the work the
    // close cut short.
    for (const auto& box : prompts_.boxes())
        ADD_FAILURE() << box.title.toStdString() << ": " << box.text.toStdString();
    EXPECT_GT(grid()->rowCount(), 0);
    EXPECT_LT(grid()->rowCount(), 10000);
    EXPECT_FALSE(window_->findChild<QToolButton*>(QStringLiteral("Cmd_start_stop"))->isEnabled());
    // Then the window closes as usual, disconnecting on the way out.
    for (int waited = 0; window_->isVisible() && waited < 5000; waited += 20)
        QTest::qWait(20);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_FALSE(services_->db().DbIsConnected());
}

// A statement that runs for seconds on each driver: PostgreSQL sleeps, SQLite and MariaDB count
// through a long recursive CTE (MariaDB's SLEEP would answer a cancel with success).
QString longStatement(const char* dsn, int seconds)
{
    if (QString::fromLatin1(dsn) == QLatin1String(testenv::kPgDsn))
        return QStringLiteral("SELECT pg_sleep(%1)").arg(seconds);
    return QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                          "WHERE x < %1) SELECT COUNT(*) FROM c")
        .arg(qint64(seconds) * 10000000);
}

// Counts what the window paints while a statement runs: a label repainted by a 20 ms timer.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* target) : target_(target)
    {
        target_->installEventFilter(this);
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, target_, [this] { target_->update(); });
        timer_.start();
    }
    ~PaintCounter() override { target_->removeEventFilter(this); }
    int paints() const { return paints_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints_;
        return false;
    }

private:
    QWidget* target_;
    QTimer timer_;
    int paints_ = 0;
};

TEST_P(WorkbenchRun, LongStatementKeepsThePaintingAndStopCancelsIt)
{
    auto* msg = window_->findChild<QLabel*>(QStringLiteral("L_msg"));
    PaintCounter counter(msg);
    QElapsedTimer clock;
    qint64 stoppedAt = -1;
    bool stopEnabled = false;
    bool goEnabled = true;
    QTimer::singleShot(1500, window_.get(), [&] {
        stopEnabled = toolbarButton("stop")->isEnabled();
        goEnabled = action("mn_sql_go")->isEnabled();
        stoppedAt = clock.elapsed();
        toolbarButton("stop")->trigger();
    });
    clock.start();
    run(longStatement(GetParam(), 6));
    const qint64 ended = clock.elapsed();
    ASSERT_GE(stoppedAt, 0);
    EXPECT_TRUE(stopEnabled);
    EXPECT_FALSE(goEnabled);
    // At least ten repaints a second while the statement ran, and the stop ended it within 1 s.
    EXPECT_GE(counter.paints(), int(stoppedAt / 100)) << counter.paints() << " in " << stoppedAt;
    EXPECT_LT(ended - stoppedAt, 1000);
    expectStoppedStatement();
    EXPECT_TRUE(action("mn_sql_go")->isEnabled());
    EXPECT_FALSE(toolbarButton("stop")->isEnabled());
    // The connection is usable afterwards.
    prompts_.clear();
    run("SELECT 42 AS answer");
    EXPECT_EQ(cell(0, 1), "42");
}

TEST_P(WorkbenchRun, CommandsThatUseTheConnectionWaitForTheWorkAndStopTwiceIsHarmless)
{
    QStringList enabledDuring;
    bool treeEnabled = true;
    bool stillConnected = false;
    // Reached another way (a script, a later window, a shortcut), every command that would use
    // the connection is refused whole with the one busy box, and the work goes on.
    const std::vector<std::pair<QString, std::function<void()>>> commands = {
        {"connect", [&] { part<ConnectionState>(*window_).ConnectDatabase(); }},
        {"reconnect", [&] { part<ConnectionState>(*window_).ReconnectDatabase(); }},
        {"disconnect", [&] { part<ConnectionState>(*window_).DisconnectDatabase(); }},
        {"TABLE/VIEW/SYNONYMの取得", [&] { part<ObjectTree>(*window_).getTablesCommand(); }},
        {"run", [&] { part<SqlRunner>(*window_).runBatch(QStringLiteral("SELECT 1")); }},
        {"execute-and-save", [&] { part<SaveCSV>(*window_).Show4SelectOut("SELECT 1"); }},
    };
    QMap<QString, QList<ScriptedPrompts::Box>> refusals;
    QTimer::singleShot(300, window_.get(), [&] {
        for (const char* name : {"mn_connect", "mn_disconnect", "mn_reconnect", "mn_sql_go",
                                 "mn_sql_commit", "mn_sql_rollback", "mn_out_select", "mn_inp_csv",
                                 "mn_get_tables", "mn_sql_stop", "mn_exit"}) {
            if (action(name)->isEnabled())
                enabledDuring.append(QString::fromLatin1(name));
        }
        treeEnabled = window_->findChild<QTreeWidget*>(QStringLiteral("TreeView1"))->isEnabled();
        for (const auto& [name, command] : commands) {
            prompts_.clear();
            command();
            refusals[name] = prompts_.boxes();
        }
        prompts_.clear();
        stillConnected = services_->db().DbIsConnected();
        action("mn_sql_stop")->trigger();
        action("mn_sql_stop")->trigger();
    });
    run(longStatement(GetParam(), 3));
    EXPECT_EQ(enabledDuring, (QStringList{"mn_sql_stop", "mn_exit"}));
    EXPECT_FALSE(treeEnabled);
    EXPECT_TRUE(stillConnected);
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_EQ(refusals[name].size(), 1);
        EXPECT_EQ(refusals[name][0].text, ConnectionWork::busyText());
    }
    EXPECT_EQ(refusals["TABLE/VIEW/SYNONYMの取得"][0].title,
              QStringLiteral("TABLE/VIEW/SYNONYMの取得"));
    EXPECT_FALSE(part<SaveCSV>(*window_).isVisible());
    expectStoppedStatement();
    EXPECT_TRUE(action("mn_disconnect")->isEnabled());
    EXPECT_TRUE(window_->findChild<QTreeWidget*>(QStringLiteral("TreeView1"))->isEnabled());
}

TEST_P(WorkbenchRun, CatalogReadWhileSuspendedKeepsTheFetchResumable)
{
    createNumbers(12);
    auto* button = window_->findChild<QToolButton*>(QStringLiteral("Cmd_start_stop"));
    onceFetching([button] { button->click(); });
    run("SELECT id FROM qv_ui_run ORDER BY id");
    ASSERT_TRUE(button->isEnabled()); // suspended
    const int rows = grid()->rowCount();
    prompts_.clear();

    // Each test driver keeps a result open beside a catalog read: the tree reloads and the
    // suspended fill goes on where it stopped.
    action("mn_get_tables")->trigger();
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(label("L_msg").contains("中断"));
    EXPECT_EQ(grid()->rowCount(), rows);
    EXPECT_TRUE(services_->db().work().cursorHeld());
    EXPECT_GT(window_->findChild<QTreeWidget*>(QStringLiteral("TreeView1"))->topLevelItemCount(),
              0);
    for (const auto& box : prompts_.boxes())
        EXPECT_NE(box.title, "QUORVANT - ＳＱＬ実行エラー") << box.text.toStdString();
    button->click();
    EXPECT_EQ(grid()->rowCount(), 4096);
    EXPECT_EQ(cell(rows, 1), QString::number(rows + 1));
}

// A statement of the history window asked to run while work runs is refused before anything
// changes: the busy box, the window still open, the input still holding the running statement.
// The button follows the run command, so it is enabled here as a late update would leave it.
TEST_P(WorkbenchRun, HistoryRunDuringWorkIsRefusedAndChangesNothing)
{
    run("SELECT 7 AS seven");
    ShowHist& hist = part<ShowHist>(*window_);
    hist.showWindow();
    auto* list = hist.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
    list->setCurrentItem(list->topLevelItem(0));
    auto* runNow = hist.findChild<QPushButton*>(QStringLiteral("Command2"));
    auto* input = window_->findChild<QPlainTextEdit*>(QStringLiteral("TB_SQL"));
    const QString running = longStatement(GetParam(), 3);
    bool stillShown = false;
    QString inputThen;
    prompts_.clear();
    QTimer::singleShot(300, window_.get(), [&] {
        hist.setRunEnabled(true);
        runNow->click();
        stillShown = hist.isVisible();
        inputThen = input->toPlainText();
        action("mn_sql_stop")->trigger();
    });
    run(running);
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(inputThen, running);
    ASSERT_FALSE(prompts_.boxes().isEmpty());
    EXPECT_EQ(prompts_.boxes()[0].icon, Prompts::Icon::Warning);
    EXPECT_EQ(prompts_.boxes()[0].title, QStringLiteral("QUORVANT - ＳＱＬの実行"));
    EXPECT_EQ(prompts_.boxes()[0].text,
              QStringLiteral("[ODBCComm]他の処理が実行中です。終了してから実行して下さい。"));
}

TEST_P(WorkbenchRun, ClosingTheWindowDuringAStatementCancelsItAndAsksNothingMore)
{
    QTimer::singleShot(500, window_.get(), [this] { window_->close(); });
    QElapsedTimer clock;
    clock.start();
    run(longStatement(GetParam(), 6) + "\n/\nSELECT 1 AS more");
    for (int waited = 0; window_->isVisible() && waited < 5000; waited += 20)
        QTest::qWait(20);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_FALSE(services_->db().DbIsConnected());
    for (const auto& box : prompts_.boxes()) {
        EXPECT_NE(box.title, "SQL連続実行");
        EXPECT_NE(box.buttons, Prompts::Buttons::OkCancel) << box.text.toStdString();
    }
}

TEST_P(WorkbenchRun, GridHeaderSortsAndPopupsCopyToTheInputAreaAndTheClipboard)
{
    createSampleTable();
    run("SELECT id, name, born, amount FROM qv_ui_run ORDER BY id");
    ASSERT_EQ(grid()->rowCount(), 3);
    auto* view = window_->findChild<QTableView*>(QStringLiteral("ListView1"));
    QHeaderView* head = view->horizontalHeader();
    const auto clickHeader = [&](int c) {
        QTest::mouseClick(head->viewport(), Qt::LeftButton, {},
                          QPoint(head->sectionViewportPosition(c) + head->sectionSize(c) / 2,
                                 head->height() / 2));
    };
    const auto centre = [&](int r, int c) {
        return view->visualRect(grid()->index(r, c)).center();
    };
    const auto menu = [&](const char* name) {
        return window_->findChild<QMenu*>(QString::fromLatin1(name));
    };

    // amount: NULL, -12.5, 1234.57 filled out and ordered by value, with the up arrow.
    clickHeader(4);
    EXPECT_EQ(cell(0, 4), "");
    EXPECT_EQ(cell(1, 4), "-0012.50");
    EXPECT_EQ(cell(2, 4), " 1234.57");
    EXPECT_EQ(grid()->headerData(4, Qt::Horizontal, ResultGridModel::SortImageRole).toString(),
              "SortASC");
    clickHeader(4);
    clickHeader(4);
    EXPECT_EQ(cell(0, 0), "     1");
    EXPECT_FALSE(grid()->headerData(4, Qt::Horizontal, ResultGridModel::SortImageRole).isValid());

    auto* sql = window_->findChild<QPlainTextEdit*>(QStringLiteral("TB_SQL"));
    sql->setPlainText("WHERE ");
    sql->moveCursor(QTextCursor::End);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, centre(0, 2));
    ASSERT_TRUE(menu("mn_mouse3")->isVisible());
    EXPECT_EQ(menu("mn_LV_subitem_2")->menuAction()->text(), "⇒ '山田'");
    menu("mn_mouse3")->hide();
    action("mn_LV_subitem_copy_sql_4")->trigger();
    EXPECT_EQ(sql->toPlainText(), "WHERE name = '山田'");
    action("mn_LV_subitem_copy_clip_3")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "name = 山田");

    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, centre(2, 0));
    ASSERT_TRUE(menu("mn_mouse6")->isVisible());
    menu("mn_mouse6")->hide();
    action("mn_LV_subitem_all_copy_clip_1")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "3, 'x', '', NULL");
    action("mn_LV_subitem_all_copy_sql_0")->trigger();
    EXPECT_EQ(sql->toPlainText(), "WHERE name = '山田'id, name, born, amount");
}

// The load window opens from the toolbar with the tables the tree has read. While it loads,
// the commands that use the connection wait (a ROLLBACK would undo rows the counter counts),
// and its Cancel stops the load: every row counted is there.
TEST_P(WorkbenchRun, LoadFromFileIsWorkOnTheConnection)
{
    run("CREATE TABLE qv_ui_run (id INTEGER, name VARCHAR(20))");
    run("COMMIT");
    action("mn_get_tables")->trigger();
    prompts_.clear();
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("rows.csv"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 1; i <= 200000; ++i)
            file.write(QByteArray::number(i) + ",\"name " + QByteArray::number(i) + "\"\r\n");
    }

    toolbarButton("inst")->trigger();
    LoadCSV* load = window_->findChild<LoadCSV*>();
    ASSERT_NE(load, nullptr);
    EXPECT_TRUE(load->isVisible());
    const int entry = load->ImCB_table->findText(QStringLiteral("qv_ui_run"));
    ASSERT_GE(entry, 0);
    load->ImCB_table->setCurrentIndex(entry);
    load->TB_file->setText(path);
    load->VScroll1->setValue(2);

    QStringList enabledDuring;
    bool treeEnabled = true;
    bool stillConnected = false;
    auto* timer = new QTimer(window_.get());
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
        if (!load->L_cnt->text().startsWith(QLatin1Char('0')) && load->L_cnt->text().size() > 0) {
            timer->stop();
            for (const char* name :
                 {"mn_connect", "mn_disconnect", "mn_reconnect", "mn_sql_go", "mn_sql_commit",
                  "mn_sql_rollback", "mn_out_select", "mn_inp_csv", "mn_get_tables", "mn_exit"}) {
                if (action(name)->isEnabled())
                    enabledDuring.append(QString::fromLatin1(name));
            }
            treeEnabled =
                window_->findChild<QTreeWidget*>(QStringLiteral("TreeView1"))->isEnabled();
            part<ConnectionState>(*window_).DisconnectDatabase();
            stillConnected = services_->db().DbIsConnected();
            load->Command2->click();
        }
    });
    timer->start();
    load->Command1->click();
    delete timer;
    EXPECT_EQ(enabledDuring, QStringList{"mn_exit"});
    EXPECT_FALSE(treeEnabled);
    EXPECT_TRUE(stillConnected);
    EXPECT_FALSE(load->isVisible());
    EXPECT_TRUE(action("mn_inp_csv")->isEnabled());
    const QString counted = load->L_cnt->text().section(QLatin1Char('/'), 0, 0);
    ASSERT_FALSE(prompts_.boxes().isEmpty());
    EXPECT_EQ(prompts_.boxes().back().text,
              QStringLiteral("登録が終了しました。（中断）\n\nINSERT行数:") + counted);
    prompts_.clear();
    run("SELECT COUNT(*) FROM qv_ui_run");
    EXPECT_EQ(cell(0, 1), counted);
}

// Closing the main window during a load stops it as its Cancel does: the rows counted are
// committed when the window disconnects, and no line after the close is sent. The close ends
// the program, so no box speaks of the load it cut short.
TEST_P(WorkbenchRun, ClosingTheWindowDuringALoadStopsIt)
{
    run("CREATE TABLE qv_ui_run (id INTEGER, name VARCHAR(20))");
    run("COMMIT");
    prompts_.clear();
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("rows.csv"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 1; i <= 300000; ++i)
            file.write(QByteArray::number(i) + ",\"name " + QByteArray::number(i) + "\"\r\n");
    }
    action("mn_inp_csv")->trigger();
    LoadCSV* load = window_->findChild<LoadCSV*>();
    ASSERT_NE(load, nullptr);
    load->ImCB_table->setEditText(QStringLiteral("qv_ui_run"));
    load->TB_file->setText(path);
    load->VScroll1->setValue(2);
    QTimer::singleShot(300, window_.get(), [this] { window_->close(); });
    load->Command1->click();
    for (int waited = 0; window_->isVisible() && waited < 5000; waited += 20)
        QTest::qWait(20);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_FALSE(services_->db().DbIsConnected());
    const QString counted = load->L_cnt->text().section(QLatin1Char('/'), 0, 0);
    for (const auto& box : prompts_.boxes())
        ADD_FAILURE() << "box: " << box.text.toStdString();
    EXPECT_LT(counted.toInt(), 300000);

    QString uid, pwd, conn = QStringLiteral("DSN=") + QLatin1String(GetParam()) + ";";
    ASSERT_EQ(services_->db().DbConnect(nullptr, QString(), uid, pwd, QString(), conn), 0);
    ASSERT_EQ(services_->db().DbExecute(QStringLiteral("SELECT COUNT(*) FROM qv_ui_run")), 0);
    QVector<QString> values;
    ASSERT_EQ(services_->db().DbFetch(values, true), 0);
    EXPECT_EQ(values.value(0), counted);
    services_->db().DbCloseCursor();
    services_->db().DbExecute(QStringLiteral("DROP TABLE qv_ui_run"));
    services_->db().DbDisconnect();
}

INSTANTIATE_TEST_SUITE_P(Drivers, WorkbenchRun,
                         ::testing::Values(testenv::kSqliteDsn, testenv::kPgDsn, testenv::kMyDsn),
                         dsnDriverName);

} // namespace
