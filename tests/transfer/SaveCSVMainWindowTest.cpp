// The export window as the main window wires it: the grid it reads, the suspended fetch it
// ends, and the commands that wait while it works on the connection.
#include "AppFolderForTesting.h"
#include "ConnectedWindow.h"
#include "ExportTestFiles.h"
#include "OnceWhen.h"
#include "RecordingDialog.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "WindowPart.h"
#include "app/AppServices.h"
#include "app/QUORVANT.h"
#include "base/GetFile.h"
#include "base/Settings.h"
#include "history/HistoryLog.h"
#include "history/ShowHist.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/ResultGridCommands.h"
#include "sqlexec/SqlRunner.h"
#include "transfer/LoadCSV.h"
#include "transfer/SaveCSV.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

namespace {

class ExportFromWorkbench : public ConnectedWindow {
protected:
    void SetUp() override
    {
        FileDialogBackend::install(&dialog_);
        openAndConnect();
        if (HasFatalFailure())
            return;
        run("DROP TABLE IF EXISTS qv_export_run");
        run("COMMIT");
        prompts_.clear();
    }
    void TearDown() override
    {
        closeWindow({"DROP TABLE IF EXISTS qv_export_run"});
        FileDialogBackend::install(nullptr);
    }
    QString file(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // A table of 2^n numbers.
    void createNumbers(int doublings)
    {
        run("CREATE TABLE qv_export_run (id INTEGER)");
        run("INSERT INTO qv_export_run (id) VALUES (1)");
        for (int i = 0; i < doublings; ++i)
            run("INSERT INTO qv_export_run (id) SELECT id + (SELECT COUNT(*) FROM "
                "qv_export_run) FROM qv_export_run");
        run("COMMIT");
        prompts_.clear();
    }

    bool transferring() const
    {
        return services_->db().work().kind() == ConnectionWork::Kind::Transfer;
    }

    RecordingDialog dialog_;
};

// The grid is saved as it shows its rows: result columns only, date/time texts as shown.
TEST_P(ExportFromWorkbench, SavingTheGridWritesTheRowsShown)
{
    run("CREATE TABLE qv_export_run (id INTEGER, name VARCHAR(20), born TIMESTAMP)");
    run("INSERT INTO qv_export_run VALUES (1, 'O''Brien', '2006-04-01 00:00:00')");
    run("INSERT INTO qv_export_run VALUES (2, NULL, '2006-04-01 13:05:00')");
    run("INSERT INTO qv_export_run VALUES (3, 'Brown', '2006-04-02 13:05:00')");
    run("SELECT id, name, born FROM qv_export_run ORDER BY id");
    ASSERT_EQ(grid()->rowCount(), 3);
    dialog_.answer = dir_.filePath(QStringLiteral("grid.csv"));
    prompts_.clear();
    action("mn_out_csv")->trigger();
    SaveCSV& save = part<SaveCSV>(*window_);
    ASSERT_TRUE(save.isVisible());
    EXPECT_EQ(save.windowTitle(), QStringLiteral("SELECT結果の保存"));
    save.Chk_head->setChecked(true);
    save.CB_kakomi->setCurrentIndex(1); // '
    save.Command1->click();
    EXPECT_EQ(file(dialog_.answer), QStringLiteral("\"id\",\"name\",\"born\"\r\n"
                                                   "1,'O''Brien','2006-04-01'\r\n"
                                                   "2,'','2006-04-01 13:05:00'\r\n"
                                                   "3,'Brown','2006-04-02 13:05:00'\r\n"));

    // With the filter row on, sorting, copying and saving see the rows it keeps.
    action("mn_disp_gridfilter")->trigger();
    auto* box = window_->findChild<QLineEdit*>(QStringLiteral("TB_filter_3"));
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->isVisible());
    QTest::keyClicks(box, QStringLiteral("13:05"));
    ASSERT_EQ(grid()->rowCount(), 2);
    const auto* rows = window_->findChild<QLabel*>(QStringLiteral("L_rows"));
    EXPECT_EQ(rows->text(), QStringLiteral("2 / 3"));
    ResultGridCommands& gridCommands = part<ResultGridCommands>(*window_);
    gridCommands.ColumnClick(2);
    gridCommands.ColumnClick(2); // name descending
    EXPECT_EQ(cell(0, 0).trimmed(), QStringLiteral("3")) << "the row keeps its number";
    auto* view = window_->findChild<QTableView*>(QStringLiteral("ListView1"));
    const QPoint rowNumber = view->visualRect(grid()->index(1, 0)).center();
    gridCommands.rightClickAt(rowNumber, view->viewport()->mapToGlobal(rowNumber));
    EXPECT_TRUE(gridCommands.grid_copy_texts[1].startsWith(QStringLiteral("2, '', ")))
        << gridCommands.grid_copy_texts[1].toStdString();
    for (auto* menu : window_->findChildren<QMenu*>())
        menu->hide();
    dialog_.answer = dir_.filePath(QStringLiteral("filtered.csv"));
    action("mn_out_csv")->trigger();
    save.Command1->click();
    EXPECT_EQ(file(dialog_.answer), QStringLiteral("\"id\",\"name\",\"born\"\r\n"
                                                   "3,'Brown','2006-04-02 13:05:00'\r\n"
                                                   "2,'','2006-04-01 13:05:00'\r\n"));
    // The row off, the grid shows every row again.
    action("mn_disp_gridfilter")->trigger();
    EXPECT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(rows->text(), QStringLiteral("3"));

    // An empty grid is not saved.
    run("SELECT id FROM qv_export_run WHERE id < 0");
    prompts_.clear();
    action("mn_out_csv")->trigger();
    EXPECT_FALSE(save.isVisible());
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_EQ(prompts_.boxes()[0].text, QStringLiteral("SELECT結果はありません。"));
}

// A header click while the grid's rows go to the file would reorder them under the export: the
// sort waits, and the file holds the rows in the order the export began with.
TEST_P(ExportFromWorkbench, SortClickDuringAGridExportWaits)
{
    createNumbers(13); // 8,192 rows
    run("SELECT id FROM qv_export_run ORDER BY id");
    ASSERT_EQ(grid()->rowCount(), 8192);
    dialog_.answer = dir_.filePath(QStringLiteral("sorted.csv"));
    action("mn_out_csv")->trigger();
    SaveCSV& save = part<SaveCSV>(*window_);
    bool clicked = false;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!transferring() || save.L_cnt->text().toInt() < 1)
            return;
        poll.stop();
        clicked = true;
        part<ResultGridCommands>(*window_).ColumnClick(1);
    });
    poll.start();
    save.Command1->click();
    ASSERT_TRUE(clicked) << "the export ended before the click";
    QStringList lines = file(dialog_.answer).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8192);
    EXPECT_EQ(lines.first(), QStringLiteral("1"));
    EXPECT_EQ(lines.last(), QStringLiteral("8192"));
    // Once the export has ended the header sorts again.
    part<ResultGridCommands>(*window_).ColumnClick(1);
    EXPECT_EQ(grid()->index(0, 1).data().toString().trimmed(), QStringLiteral("1"));
    part<ResultGridCommands>(*window_).ColumnClick(1);
    EXPECT_EQ(grid()->index(0, 1).data().toString().trimmed(), QStringLiteral("8192"));
}

// Execute-and-save takes the cursor: a suspended grid fetch is ended first, so resume can
// never continue on the export's result under the grid's headers.
TEST_P(ExportFromWorkbench, ExecuteAndSaveEndsASuspendedGridFetch)
{
    createNumbers(14);
    auto* button = window_->findChild<QToolButton*>(QStringLiteral("Cmd_start_stop"));
    auto* timer = new QTimer(window_.get());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, button] {
        if (services_->db().work().call() != ConnectionWork::Kind::Fetch ||
            part<SqlRunner>(*window_).model().rows().empty())
            return;
        timer->stop();
        button->click();
    });
    timer->start();
    run("SELECT id FROM qv_export_run ORDER BY id");
    const int shown = grid()->rowCount();
    ASSERT_TRUE(button->isEnabled()); // suspended
    ASSERT_LT(shown, 10000);

    dialog_.answer = dir_.filePath(QStringLiteral("one.csv"));
    window_->findChild<QPlainTextEdit*>(QStringLiteral("TB_SQL"))
        ->setPlainText(QStringLiteral("SELECT 42 AS answer"));
    action("mn_out_select")->trigger();
    SaveCSV& save = part<SaveCSV>(*window_);
    ASSERT_TRUE(save.isVisible());
    EXPECT_EQ(save.windowTitle(), QStringLiteral("SELECT実行＆保存"));
    save.Command1->click();
    EXPECT_EQ(file(dialog_.answer), QStringLiteral("42\r\n"));
    // The statement went to the SQL history without a question.
    ASSERT_FALSE(part<ShowHist>(*window_).log().entries().isEmpty());
    EXPECT_EQ(part<ShowHist>(*window_).log().entries().last().SQLstmt,
              QStringLiteral("SELECT 42 AS answer"));
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(services_->db().work().cursorHeld());
    EXPECT_FALSE(window_->findChild<QLabel*>(QStringLiteral("L_msg"))
                     ->text()
                     .endsWith(QStringLiteral("（中断されました）")));
    EXPECT_EQ(grid()->rowCount(), shown);
}

// While rows stream into the file, every command that would use the connection or refill the
// grid waits. "SQL中断" stops the export, and so does closing the main window; each time the
// rows written are kept as <name>.partial. After the stop the box says so; the close ends the
// program, so no box is shown and the window closes.
TEST_P(ExportFromWorkbench, CommandsWaitDuringExecuteAndSaveAndStopOrCloseEndsItAsPartial)
{
    const QString big =
        QString::fromLatin1(GetParam()) == QLatin1String(testenv::kPgDsn)
            ? QStringLiteral("SELECT i, 'value ' || i FROM generate_series(1, 1000000) AS g(i)")
            : QStringLiteral("SELECT * FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT "
                             "i + 1 FROM n WHERE i < 1000000) SELECT i, 'value ' || i FROM n)");
    dialog_.answer = dir_.filePath(QStringLiteral("big.csv"));
    const QString partial = dialog_.answer + QStringLiteral(".partial");
    window_->findChild<QPlainTextEdit*>(QStringLiteral("TB_SQL"))->setPlainText(big);
    SaveCSV& save = part<SaveCSV>(*window_);
    const auto stoppedExport = [&](const std::function<void()>& stop, bool ending) {
        prompts_.clear();
        action("mn_out_select")->trigger();
        const OnceWhen once([&] { return transferring() && save.L_cnt->text().toInt() >= 1000; },
                            stop, 5);
        save.Command1->click();
        ASSERT_TRUE(once.done());
        const int written = save.L_cnt->text().toInt();
        EXPECT_LT(written, 1000000);
        EXPECT_FALSE(QFile::exists(dialog_.answer));
        EXPECT_EQ(file(partial).count(QStringLiteral("\r\n")), written);
        if (ending) {
            EXPECT_TRUE(prompts_.boxes().isEmpty());
            return;
        }
        ASSERT_EQ(prompts_.boxes().size(), 1);
        EXPECT_EQ(prompts_.boxes()[0].text,
                  QStringLiteral("出力を中断しました。\n%1行を%2に出力しました。")
                      .arg(written)
                      .arg(partial));
    };

    QStringList enabledDuring;
    bool treeEnabled = true;
    stoppedExport(
        [&] {
            for (const char* name :
                 {"mn_sql_go", "mn_sql_commit", "mn_sql_rollback", "mn_disconnect", "mn_get_tables",
                  "mn_out_csv", "mn_out_select", "mn_inp_csv"}) {
                if (action(name)->isEnabled())
                    enabledDuring << QString::fromLatin1(name);
            }
            treeEnabled =
                window_->findChild<QTreeWidget*>(QStringLiteral("TreeView1"))->isEnabled();
            action("mn_sql_stop")->trigger();
        },
        false);
    EXPECT_TRUE(enabledDuring.isEmpty()) << enabledDuring.join(' ').toStdString();
    EXPECT_FALSE(treeEnabled);
    EXPECT_TRUE(services_->db().DbIsConnected());

    stoppedExport([&] { window_->close(); }, true);
    for (int waited = 0; window_->isVisible() && waited < 5000; waited += 20)
        QTest::qWait(20);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_FALSE(services_->db().DbIsConnected());
}

// The export window stays open beside the main window; its OK pressed while a grid fill runs is
// refused, so the fill keeps its cursor and no file is written.
TEST_P(ExportFromWorkbench, OkDuringAGridFillIsRefused)
{
    createNumbers(14);
    dialog_.answer = dir_.filePath(QStringLiteral("never.csv"));
    window_->findChild<QPlainTextEdit*>(QStringLiteral("TB_SQL"))
        ->setPlainText(QStringLiteral("SELECT 1 AS one"));
    action("mn_out_select")->trigger();
    SaveCSV& save = part<SaveCSV>(*window_);
    ASSERT_TRUE(save.isVisible());
    bool clicked = false;
    auto* timer = new QTimer(window_.get());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
        if (services_->db().work().call() != ConnectionWork::Kind::Fetch ||
            part<SqlRunner>(*window_).model().rows().empty())
            return;
        timer->stop();
        clicked = true;
        save.Command1->click();
    });
    timer->start();
    run("SELECT id FROM qv_export_run ORDER BY id");
    ASSERT_TRUE(clicked);
    EXPECT_EQ(grid()->rowCount(), 10000);
    EXPECT_FALSE(QFile::exists(dialog_.answer));
    bool refused = false;
    for (const auto& box : prompts_.boxes())
        refused = refused || box.text.contains(QStringLiteral("他の処理が実行中です"));
    EXPECT_TRUE(refused);
    EXPECT_TRUE(save.isVisible()); // nothing ran: the window waits for another OK
    save.Command2->click();
}

// Ending the program while a load runs (SIGTERM calls closeWithoutQuestions) stops the load at
// its next line and then closes the window, without any box or question: at a log-out nobody
// is there to answer.
TEST_P(ExportFromWorkbench, EndingDuringALoadStopsItWithoutABox)
{
    run("CREATE TABLE qv_export_run (id INTEGER)");
    run("COMMIT");
    const int total = 200000;
    const QString path = dir_.filePath(QStringLiteral("load.csv"));
    {
        QFile lines(path);
        ASSERT_TRUE(lines.open(QIODevice::WriteOnly));
        for (int i = 1; i <= total; ++i)
            lines.write(QByteArray::number(i) + "\r\n");
    }
    action("mn_inp_csv")->trigger();
    LoadCSV* load = window_->findChild<LoadCSV*>();
    ASSERT_NE(load, nullptr);
    ASSERT_TRUE(load->isVisible());
    load->TB_file->setText(path);
    load->ImCB_table->setEditText(QStringLiteral("qv_export_run"));
    load->VScroll1->setValue(2);
    const auto inserted = [load] { return load->L_cnt->text().section('/', 0, 0).toLongLong(); };
    prompts_.clear();
    bool ended = false;
    const OnceWhen once([&] { return transferring() && inserted() >= 1000; },
                        [&] { ended = window_->closeWithoutQuestions(); }, 5);
    load->Command1->click();
    ASSERT_TRUE(once.done());
    EXPECT_TRUE(ended);
    EXPECT_LT(inserted(), total);
    for (int waited = 0; window_->isVisible() && waited < 5000; waited += 20)
        QTest::qWait(20);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_FALSE(load->isVisible());
    EXPECT_FALSE(services_->db().DbIsConnected());
    for (const auto& box : prompts_.boxes())
        ADD_FAILURE() << "box: " << box.title.toStdString() << ": " << box.text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Drivers, ExportFromWorkbench,
                         ::testing::Values(testenv::kSqliteDsn, testenv::kPgDsn), dsnDriverName);

// The rest of a capped grid result goes on from its open cursor: a sequence counts the rows the
// statement made, so that running it again would show.
class RestToFile : public ExportFromWorkbench {
protected:
    void TearDown() override
    {
        if (sqlite())
            closeWindow({"DROP TABLE IF EXISTS qv_export_run"});
        else
            closeWindow({"DROP SEQUENCE IF EXISTS qv_export_seq"});
        FileDialogBackend::install(nullptr);
    }
    bool sqlite() const { return QLatin1String(GetParam()) == QLatin1String(testenv::kSqliteDsn); }
    bool postgres() const { return QLatin1String(GetParam()) == QLatin1String(testenv::kPgDsn); }
    // Saves the rest into name; stopAt > 0 presses Cancel once that many rows are written.
    void saveRest(const QString& name, int stopAt = 0, int output = SaveCSV::TextFile)
    {
        ASSERT_TRUE(action("mn_out_rest")->isEnabled());
        EXPECT_TRUE(action("mn_LV_out_rest")->isEnabled());
        dialog_.answer = dir_.filePath(name);
        prompts_.clear();
        action("mn_out_rest")->trigger();
        SaveCSV& save = part<SaveCSV>(*window_);
        ASSERT_TRUE(save.isVisible());
        EXPECT_EQ(save.windowTitle(), QStringLiteral("残りをファイルに保存"));
        EXPECT_FALSE(save.Opt_out[SaveCSV::Clipboard]->isVisible());
        save.Opt_out[output]->click();
        QTimer poll;
        poll.setInterval(1);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (stopAt > 0 && save.L_cnt->text().toInt() >= stopAt) {
                poll.stop();
                save.Command2->click();
            }
        });
        poll.start();
        save.Command1->click();
    }
    QStringList lines(const QString& path) const
    {
        return file(path).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
};

TEST_P(RestToFile, RestOfACappedResultRunsTheStatementOnce)
{
    QString select;
    if (sqlite()) {
        createNumbers(14);
        select = QStringLiteral("SELECT id FROM qv_export_run ORDER BY id");
    } else {
        run("DROP SEQUENCE IF EXISTS qv_export_seq");
        run("CREATE SEQUENCE qv_export_seq");
        select = postgres() ? QStringLiteral("SELECT nextval('qv_export_seq') AS v "
                                             "FROM generate_series(1, 25000)")
                            : QStringLiteral("WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT "
                                             "n + 1 FROM s WHERE n < 25000) "
                                             "SELECT NEXTVAL(qv_export_seq) AS v FROM s");
    }
    run(select);
    ASSERT_EQ(grid()->rowCount(), 10000);
    saveRest(QStringLiteral("rest.csv"));
    if (sqlite()) {
        // SQLite ODBC read only the capped rows at execute: nothing is written.
        EXPECT_FALSE(QFile::exists(dialog_.answer));
        ASSERT_EQ(prompts_.boxes().size(), 1);
        EXPECT_EQ(
            prompts_.boxes()[0].text,
            QStringLiteral("この結果の残りは読み出せません。SELECT実行＆保存を使って下さい。"));
        return;
    }
    const QStringList all = lines(dialog_.answer);
    ASSERT_EQ(all.size(), 25000);
    int outOfPlace = 0;
    for (int i = 0; i < all.size(); ++i)
        outOfPlace += all[i] != QString::number(i + 1);
    EXPECT_EQ(outOfPlace, 0);
    // The result has ended with the export; the grid keeps its rows.
    EXPECT_FALSE(services_->db().work().cursorHeld());
    EXPECT_FALSE(action("mn_out_rest")->isEnabled());
    EXPECT_EQ(grid()->rowCount(), 10000);
    run(postgres() ? "SELECT currval('qv_export_seq')" : "SELECT LASTVAL(qv_export_seq)");
    EXPECT_EQ(cell(0, 1).trimmed(), QStringLiteral("25000")) << "the statement ran again";

    // Cancelled, the rows so far stay as <name>.partial and the box counts them.
    run(select);
    saveRest(QStringLiteral("stopped.csv"), 1);
    const QString partial = dialog_.answer + QStringLiteral(".partial");
    const QStringList kept = lines(partial);
    EXPECT_GE(kept.size(), 1);
    EXPECT_LT(kept.size(), 25000);
    EXPECT_FALSE(QFile::exists(dialog_.answer));
    ASSERT_FALSE(prompts_.boxes().isEmpty());
    EXPECT_TRUE(prompts_.boxes().last().text.endsWith(
        QStringLiteral("%1行を%2に出力しました。").arg(kept.size()).arg(partial)))
        << prompts_.boxes().last().text.toStdString();
    EXPECT_FALSE(services_->db().work().cursorHeld());

    // A workbook goes on in a new sheet, under the header again, when a sheet is full; the
    // sheets hold every row once and in order. The limit is lowered from 1,048,575 here.
    run(select);
    SaveCSV& save = part<SaveCSV>(*window_);
    save.sheetRows = 7000;
    save.Chk_head->setChecked(true);
    saveRest(QStringLiteral("rest.xlsx"), 0, SaveCSV::Spreadsheet);
    save.Chk_head->setChecked(false);
    EXPECT_EQ(dialog_.last.initialName, QStringLiteral("SELECT.xlsx"));
    ASSERT_FALSE(prompts_.boxes().isEmpty());
    EXPECT_EQ(prompts_.boxes().last().text, dialog_.answer + QStringLiteral("\nに出力しました。"));
    QStringList sheets = zipEntryNames(dialog_.answer).filter(QStringLiteral("worksheets/sheet"));
    sheets.sort();
    EXPECT_EQ(sheets, QStringList({QStringLiteral("xl/worksheets/sheet1.xml"),
                                   QStringLiteral("xl/worksheets/sheet2.xml"),
                                   QStringLiteral("xl/worksheets/sheet3.xml"),
                                   QStringLiteral("xl/worksheets/sheet4.xml")}));
    const QRegularExpression number(QStringLiteral("<c r=\"A(\\d+)\"><v>(\\d+)</v></c>"));
    QList<qint64> values;
    for (int sheet = 1; sheet <= sheets.size(); ++sheet) {
        const QString xml = unzipSheet(dialog_.answer, sheet);
        EXPECT_TRUE(
            xml.contains(QStringLiteral("<c r=\"A1\" t=\"inlineStr\"><is><t>v</t></is></c>")))
            << sheet;
        int onSheet = 0;
        for (auto m = number.globalMatch(xml); m.hasNext(); ++onSheet) {
            const QRegularExpressionMatch cell = m.next();
            EXPECT_EQ(cell.captured(1).toInt(), onSheet + 2) << sheet;
            values << cell.captured(2).toLongLong();
        }
        EXPECT_EQ(onSheet, sheet < 4 ? 7000 : 4000) << sheet;
    }
    ASSERT_EQ(values.size(), 25000);
    int outOfOrder = 0;
    for (qsizetype i = 0; i < values.size(); ++i)
        outOfOrder += values[i] != values[0] + i;
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_FALSE(services_->db().work().cursorHeld());

    // A write that fails part way into the rest (as on a full disk) keeps the whole lines
    // written as <name>.partial, and the box gives the system's reason and their count. The
    // rows are widened so that the failure comes after the buffered grid rows are written.
    run(QString(select).replace(QStringLiteral(" AS v "),
                                QStringLiteral(" AS v, REPEAT('x', 100) AS pad ")));
    ASSERT_EQ(grid()->rowCount(), 10000);
    {
        const FileSizeLimit limit(1500000);
        saveRest(QStringLiteral("full.csv"));
    }
    const QString cut = dialog_.answer + QStringLiteral(".partial");
    const QStringList whole = lines(cut);
    EXPECT_GT(whole.size(), 10000) << "the grid's rows fit";
    EXPECT_LT(whole.size(), 25000);
    EXPECT_TRUE(file(cut).endsWith(QStringLiteral("\r\n")));
    EXPECT_FALSE(QFile::exists(dialog_.answer));
    ASSERT_EQ(prompts_.boxes().size(), 1);
    EXPECT_EQ(prompts_.boxes()[0].icon, Prompts::Icon::Critical);
    EXPECT_EQ(prompts_.boxes()[0].text,
              QStringLiteral("書込みに失敗しました。\nError:%1 %2\n%3行を%4に出力しました。")
                  .arg(EFBIG)
                  .arg(QString::fromLocal8Bit(std::strerror(EFBIG)))
                  .arg(whole.size())
                  .arg(cut));
    EXPECT_FALSE(services_->db().work().cursorHeld());

    // The file holds the result, not the grid's view of it: with a filter and a descending
    // sort on, it has every row the statement gave, in the order the database gave them.
    run(select);
    part<SqlRunner>(*window_).model().setFilter(1, QStringLiteral("7"));
    part<ResultGridCommands>(*window_).ColumnClick(1);
    part<ResultGridCommands>(*window_).ColumnClick(1);
    ASSERT_LT(grid()->rowCount(), 10000);
    ASSERT_GT(cell(0, 1).toLongLong(), cell(1, 1).toLongLong());
    saveRest(QStringLiteral("fetched.csv"));
    const QStringList fetched = lines(dialog_.answer);
    run(postgres() ? "SELECT currval('qv_export_seq')" : "SELECT LASTVAL(qv_export_seq)");
    const qint64 last = cell(0, 1).trimmed().toLongLong();
    ASSERT_EQ(fetched.size(), 25000);
    int misplaced = 0;
    for (int i = 0; i < fetched.size(); ++i)
        misplaced += fetched[i].toLongLong() != last - 24999 + i;
    EXPECT_EQ(misplaced, 0) << fetched.first().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Drivers, RestToFile,
                         ::testing::Values(testenv::kSqliteDsn, testenv::kPgDsn, testenv::kMyDsn),
                         dsnDriverName);

} // namespace
