// Edits made in the grid applied to the database: the rows they land in, NULL against an empty
// text, exact Japanese text, the database's own values read back, conflicts, undo, read-only.
#include "sqlexec/BatchRun.h"
#include "sqlexec/GridEditStatements.h"
#include "sqlexec/GridEditor.h"
#include "sqlexec/ResultEditability.h"

#include "EditTables.h"

namespace {

class GridEditing : public testing::TestWithParam<Backend> {};

const QString kRows = QStringLiteral(
    "SELECT shop, no, price, made, name_ja, note, CASE WHEN note IS NULL THEN 1 ELSE 0 END"
    " FROM qv_ge_t ORDER BY shop, no");
const QString kText = QStringLiteral("〜 − — José ①㈱ ｶﾀｶﾅ");

// The grid's rows of the table, editable, and what an apply of them needs.
struct EditedGrid {
    explicit EditedGrid(ODBCComm& db) : run(db, prompts, nullptr)
    {
        run.runBatch(QStringLiteral("SELECT * FROM qv_ge_t"));
        const Editability e = ResultEditability(db).decide(run.gridSql(), run.gridInfo());
        editable = e.editable;
        run.model().setEditableColumns(e.columnEditable);
        target = editTargetOf(e, run.gridInfo(), db.DbDialect());
    }
    // The row views show now whose key cells are shop and no.
    int row(const char* shop, const char* no) const
    {
        const ResultGridModel& m = run.model();
        for (int r = 0; r < m.rowCount(); ++r)
            if (m.cellText(r, 1) == QLatin1String(shop) &&
                m.cellText(r, 2).trimmed() == QLatin1String(no))
                return r;
        return -1;
    }
    bool set(int row, int column, const QString& text)
    {
        ResultGridModel& m = run.model();
        return m.setData(m.index(row, column), text, Qt::EditRole);
    }
    BatchRun::EditOutcome apply(bool checkOriginals)
    {
        statements = editStatements(run.model(), target, checkOriginals);
        BatchRun::EditOutcome outcome = run.applyEdits(statements, rereadStatement(target));
        return outcome;
    }

    ScriptedPrompts prompts;
    BatchRun run;
    bool editable = false;
    EditTarget target;
    std::vector<EditStatement> statements;
};

} // namespace

TEST_P(GridEditing, EditsWhileSortedAndFilteredLandInTheirRowsAndUndoTakesThemBack)
{
    const Backend& b = GetParam();
    CommSession s(scratchConnStr(b, "gridedit.db"));
    ASSERT_TRUE(s.connected);
    makeGridEditTable(s.comm, b);
    const QString before = tableText(s.comm, kRows);

    EditedGrid grid(s.comm);
    ASSERT_TRUE(grid.editable);
    ResultGridModel& m = grid.run.model();
    // Sorted by price, highest first, and filtered to shop S1 and the one row added.
    m.sortByColumn(3, Qt::DescendingOrder);
    m.setFilter(1, QStringLiteral("s1"));
    ASSERT_EQ(m.rowCount(), 2);
    const int s12 = grid.row("S1", "2");
    ASSERT_EQ(s12, 1);
    EXPECT_TRUE(grid.set(s12, 6, kText));
    EXPECT_TRUE(grid.set(s12, 7, QString(""))); // 'note' becomes an empty text, not NULL
    EXPECT_TRUE(grid.set(s12, 3, QStringLiteral("4.126")));
    EXPECT_TRUE(grid.set(grid.row("S1", "1"), 4, QString())); // made becomes NULL
    const std::size_t added = m.addRow();
    EXPECT_TRUE(m.setCell(added, 0, QStringLiteral("S3")));
    EXPECT_TRUE(m.setCell(added, 1, QStringLiteral("3")));
    EXPECT_TRUE(m.setCell(added, 5, QStringLiteral("新規")));
    m.setFilter(1, QString());
    m.deleteRows({m.rowPosition(grid.row("S2", "1"))});
    EXPECT_EQ(m.editCounts().changed, 2);
    EXPECT_EQ(m.editCounts().added, 1);
    EXPECT_EQ(m.editCounts().deleted, 1);

    const BatchRun::EditOutcome outcome = grid.apply(false);
    ASSERT_TRUE(outcome.applied) << outcome.problem.toStdString();
    ASSERT_EQ(grid.statements.size(), 4u);
    EXPECT_EQ(s.comm.pending().statements(), 4);
    // The rows read again show what the database made of them: SQLite keeps a NUMERIC's digits
    // as given, the others round to the column's scale.
    const bool rounds = b.postgres || b.mariadb;
    const QString price = rounds ? QStringLiteral("4.13") : QStringLiteral("4.126");
    const auto changed =
        std::find_if(grid.statements.begin(), grid.statements.end(),
                     [](const EditStatement& st) { return st.values.size() == 5; });
    ASSERT_NE(changed, grid.statements.end());
    const auto& reread =
        outcome.reread[static_cast<std::size_t>(changed - grid.statements.begin())];
    ASSERT_TRUE(reread.has_value());
    EXPECT_EQ((*reread)[2].value_or("NULL"), price.toStdString());
    EXPECT_EQ((*reread)[5].value_or("NULL"), kText.toStdString());
    EXPECT_EQ((*reread)[6].value_or("NULL"), "");

    // Undo takes the whole apply back; applied again, the table holds the edits.
    ASSERT_TRUE(grid.run.undoAvailable());
    grid.run.undoLast();
    EXPECT_EQ(tableText(s.comm, kRows).toStdString(), before.toStdString());
    EXPECT_EQ(s.comm.pending().statements(), 0);
    ASSERT_TRUE(grid.run.applyEdits(grid.statements, rereadStatement(grid.target)).applied);
    QString expected = QStringLiteral("S1|1|%1||品名||1\n").arg(rounds ? "10.50" : "10.5");
    expected += QStringLiteral("S1|2|%1|2023-12-01|%2||0\n").arg(price, kText);
    expected += QStringLiteral("S2|2|%1|2020-02-29|x|y|0\n").arg(rounds ? "1.00" : "1");
    expected += QStringLiteral("S3|3|||新規||1\n");
    EXPECT_EQ(tableText(s.comm, kRows).toStdString(), expected.toStdString());
}

TEST_P(GridEditing, RowChangedOrDeletedElsewhereStopsTheApplyWithNothingApplied)
{
    const Backend& b = GetParam();
    const std::string conn = scratchConnStr(b, "gridconflict.db");
    CommSession s(conn);
    CommSession other(conn);
    ASSERT_TRUE(s.connected && other.connected);
    makeGridEditTable(s.comm, b);
    const QString before = tableText(s.comm, kRows);

    EditedGrid grid(s.comm);
    ASSERT_TRUE(grid.editable);
    // Nothing of this connection's reads holds the rows the other changes.
    ASSERT_EQ(s.comm.DbCommit(), 0);
    EXPECT_TRUE(grid.set(grid.row("S1", "1"), 6, QStringLiteral("先に反映")));
    EXPECT_TRUE(grid.set(grid.row("S2", "2"), 3, QStringLiteral("2.00")));
    ASSERT_EQ(other.comm.DbExecute(
                  QStringLiteral("UPDATE qv_ge_t SET price = 9 WHERE shop = 'S2' AND no = 2")),
              0);
    ASSERT_EQ(other.comm.DbCommit(), 0);
    const QString changedElsewhere = tableText(other.comm, kRows);
    ASSERT_EQ(other.comm.DbCommit(), 0);

    // Checked against what it was read with, the changed price is caught.
    BatchRun::EditOutcome outcome = grid.apply(true);
    EXPECT_FALSE(outcome.applied);
    EXPECT_EQ(outcome.failed, 1);
    EXPECT_TRUE(outcome.problem.contains(QStringLiteral("見つかりません")))
        << outcome.problem.toStdString();
    EXPECT_EQ(tableText(s.comm, kRows).toStdString(), changedElsewhere.toStdString());
    EXPECT_EQ(s.comm.pending().statements(), 0);
    ASSERT_EQ(s.comm.DbCommit(), 0);

    // By the key alone a changed row is found, a deleted one is not.
    ASSERT_EQ(
        other.comm.DbExecute(QStringLiteral("DELETE FROM qv_ge_t WHERE shop = 'S2' AND no = 2")),
        0);
    ASSERT_EQ(other.comm.DbCommit(), 0);
    outcome = grid.apply(false);
    EXPECT_FALSE(outcome.applied);
    EXPECT_EQ(outcome.failed, 1);
    ASSERT_EQ(s.comm.DbCommit(), 0);
    EXPECT_NE(tableText(s.comm, kRows), before);
    EXPECT_FALSE(tableText(s.comm, kRows).contains(QStringLiteral("先に反映")));

    // A statement the database refuses (a NULL key) stops it too, with the database's words.
    grid.run.model().discardEdits();
    EXPECT_TRUE(grid.set(grid.row("S1", "1"), 2, QString()));
    outcome = grid.apply(false);
    EXPECT_FALSE(outcome.applied);
    EXPECT_EQ(outcome.failed, 0);
    EXPECT_FALSE(outcome.problem.isEmpty());
    EXPECT_FALSE(outcome.problem.contains(QStringLiteral("対象の行")));

    // A value the column rounds to what it holds changes nothing, and is no conflict (MariaDB
    // counts it as 0 rows changed).
    grid.run.model().discardEdits();
    EXPECT_TRUE(grid.set(grid.row("S1", "1"), 3, QStringLiteral("10.501")));
    outcome = grid.apply(true);
    EXPECT_TRUE(outcome.applied) << outcome.problem.toStdString();
}

TEST_P(GridEditing, ProductionSourceAsksOncePerResultAndReadOnlyOneRefuses)
{
    const Backend& b = GetParam();
    const std::string conn = scratchConnStr(b, "gridro.db");
    {
        // Production: asked at the first try of each result, the answer kept for that result.
        CommSession w(conn);
        ASSERT_TRUE(w.connected);
        makeGridEditTable(w.comm, b);
        BatchRun run(w.comm, w.prompts, nullptr);
        GridEditor editor(w.comm, w.prompts, run, GridEditorUi{});
        editor.setProductionCheck([] { return true; });
        run.runBatch(QStringLiteral("SELECT * FROM qv_ge_t"));
        w.prompts.clear();
        w.prompts.queueAnswer(Prompts::Answer::No);
        EXPECT_FALSE(editor.offerEditing());
        EXPECT_FALSE(editor.offerEditing());
        ASSERT_EQ(w.prompts.boxes().size(), 1);
        EXPECT_EQ(w.prompts.boxes()[0].text,
                  QStringLiteral("本番のデータソースです。この結果を編集しますか？"));
        run.runBatch(QStringLiteral("SELECT * FROM qv_ge_t"));
        w.prompts.queueAnswer(Prompts::Answer::Yes);
        EXPECT_TRUE(editor.offerEditing());
        EXPECT_TRUE(run.model().editing());
    }
    CommSession s(conn);
    ASSERT_TRUE(s.connected);
    ASSERT_EQ(s.comm.DbSetReadOnly(nullptr, false), 0);
    const QString before = tableText(s.comm, kRows);
    ScriptedPrompts prompts;
    BatchRun run(s.comm, prompts, nullptr);
    run.runBatch(QStringLiteral("SELECT * FROM qv_ge_t"));
    const Editability e = ResultEditability(s.comm).decide(run.gridSql(), run.gridInfo());
    EXPECT_FALSE(e.editable);
    EXPECT_EQ(e.reason.toStdString(), "編集不可：読取専用の接続です");
    // Statements made anyway are refused by the session.
    EditStatement update;
    update.sql = "UPDATE qv_ge_t SET name_ja = ? WHERE shop = ? AND no = ?";
    update.values = {std::string("x"), std::string("S1"), std::string("1")};
    update.types = {0, 0, 4};
    const BatchRun::EditOutcome outcome = run.applyEdits({update}, {});
    EXPECT_FALSE(outcome.applied);
    EXPECT_EQ(tableText(s.comm, kRows).toStdString(), before.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Drivers, GridEditing, testing::ValuesIn(kBackends), backendName);
