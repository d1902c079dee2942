#include "sqlexec/ResultGridCommands.h"
#include "Backend.h"
#include "SqlRunnerHarness.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QTest>

#include <memory>

using namespace sqltest;

namespace {

using GridBackend = Backend;

// Images of one plain colour each, so a test can find where the header drew them.
QIcon solidIcon(QColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// A grid filled by a real driver, with the popups as the main window builds them (named
// submenus with their two copy items) and the sort images.
class GridCommandsTest : public testing::TestWithParam<GridBackend> {
protected:
    void SetUp() override
    {
        s = std::make_unique<Session>(GetParam().postgres ? pgConnStr()
                                                          : sqliteScratch("gridcmd.db"));
        ASSERT_TRUE(s->connected());
        s->db->DbExecute(QStringLiteral("DROP TABLE IF EXISTS qv_gc_t"));
        // The other-kind column holds a text in both: SQLite keeps any value in a BLOB
        // column, PostgreSQL's driver reports UUID as a kind of its own.
        const bool pg = GetParam().postgres;
        s->exec(QStringLiteral("CREATE TABLE qv_gc_t (id INTEGER, name VARCHAR(20), "
                               "\"FIRST NAME\" VARCHAR(20), amount NUMERIC(10,1), code %1)")
                    .arg(pg ? "UUID" : "BLOB"));
        const QString code = pg ? QStringLiteral("'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'")
                                : QStringLiteral("'O''Neil'");
        s->exec(QStringLiteral("INSERT INTO qv_gc_t VALUES (7, 'Bob', 'Ann B', 5, %1)").arg(code));
        s->exec("INSERT INTO qv_gc_t VALUES (8, 'O''Neil', NULL, 12.5, NULL)");
        s->exec("INSERT INTO qv_gc_t VALUES (9, 'A&B', 'x', -3, NULL)");
        s->exec("INSERT INTO qv_gc_t VALUES (10, 'bob', 'y', NULL, NULL)");
        s->exec("INSERT INTO qv_gc_t VALUES (11, 'ann', 'z', -12, NULL)");
        ASSERT_EQ(s->db->DbCommit(), 0);

        buildMenus();
        ResultGridUi ui;
        ui.ListView1 = s->w.ListView1;
        ui.mn_mouse3 = mouse3;
        ui.mn_mouse6 = mouse6;
        ui.imlSort.insert(QStringLiteral("SortASC"), solidIcon(Qt::red));
        ui.imlSort.insert(QStringLiteral("SortDESC"), solidIcon(Qt::blue));
        ResultGridHooks hooks;
        hooks.InsertAtCaret = [this](const QString& text) { s->w.TB_SQL->insertPlainText(text); };
        grid = std::make_unique<ResultGridCommands>(s->runner->model(), ui, hooks);

        s->run("SELECT id, name, \"FIRST NAME\", amount, code FROM qv_gc_t ORDER BY id");
        ASSERT_EQ(s->runner->model().rowCount(), 5);
        s->prompts.clear();
        s->w.ListView1->resize(900, 300);
    }
    void TearDown() override
    {
        grid.reset();
        delete mouse3;
        delete mouse6;
    }

    void buildMenus()
    {
        const auto submenu = [](QMenu* menu, const QString& name, const QString& sql,
                                const QString& clip) {
            QMenu* sub = menu->addMenu(name);
            sub->setObjectName(name);
            sub->addAction(QStringLiteral("→ SQL入力エリア"))->setObjectName(sql);
            sub->addAction(QStringLiteral("→ クリップボード"))->setObjectName(clip);
        };
        mouse3 = new QMenu;
        mouse6 = new QMenu;
        for (int i = 0; i < 5; ++i)
            submenu(mouse3, QStringLiteral("mn_LV_subitem_%1").arg(i),
                    QStringLiteral("mn_LV_subitem_copy_sql_%1").arg(i),
                    QStringLiteral("mn_LV_subitem_copy_clip_%1").arg(i));
        for (int i = 0; i < 2; ++i)
            submenu(mouse6, QStringLiteral("mn_LV_subitem_all_%1").arg(i),
                    QStringLiteral("mn_LV_subitem_all_copy_sql_%1").arg(i),
                    QStringLiteral("mn_LV_subitem_all_copy_clip_%1").arg(i));
    }

    const ResultGridModel& model() const { return s->runner->model(); }
    QHeaderView* header() const { return s->w.ListView1->horizontalHeader(); }
    // Clicks the header of a grid column as a user does.
    void clickHeader(int column)
    {
        const int x = header()->sectionViewportPosition(column) + header()->sectionSize(column) / 2;
        QTest::mouseClick(header()->viewport(), Qt::LeftButton, {},
                          QPoint(x, header()->height() / 2));
    }
    QPoint cellCentre(int row, int column) const
    {
        return s->w.ListView1->visualRect(model().index(row, column)).center();
    }
    void rightClick(QPoint at)
    {
        QTest::mouseClick(s->w.ListView1->viewport(), Qt::RightButton, {}, at);
    }
    QString caption(QMenu* menu, int index, bool all = false) const
    {
        const QString name = all ? QStringLiteral("mn_LV_subitem_all_%1").arg(index)
                                 : QStringLiteral("mn_LV_subitem_%1").arg(index);
        return menu->findChild<QMenu*>(name)->menuAction()->text();
    }
    // The grid's column `column` from top to bottom.
    QStringList column(int column) const
    {
        QStringList texts;
        for (int r = 0; r < model().rowCount(); ++r)
            texts.append(model().data(model().index(r, column)).toString());
        return texts;
    }
    QStringList arrows() const
    {
        QStringList keys;
        for (int c = 0; c < model().columnCount(); ++c)
            keys.append(
                model().headerData(c, Qt::Horizontal, ResultGridModel::SortImageRole).toString());
        return keys;
    }

    std::unique_ptr<Session> s;
    QMenu* mouse3 = nullptr;
    QMenu* mouse6 = nullptr;
    std::unique_ptr<ResultGridCommands> grid;
};

TEST_P(GridCommandsTest, HeaderClicksCycleAscendingDescendingAndFetchOrder)
{
    const QStringList fetchOrder = column(0);
    clickHeader(2); // name
    EXPECT_EQ(column(2), (QStringList{"A&B", "ann", "Bob", "bob", "O'Neil"}))
        << "case-blind, equal texts in fetch order";
    EXPECT_EQ(arrows(), (QStringList{"", "", "SortASC", "", "", "", ""}));
    clickHeader(2);
    EXPECT_EQ(column(2), (QStringList{"O'Neil", "Bob", "bob", "ann", "A&B"}))
        << "equal texts keep fetch order descending too";
    EXPECT_EQ(arrows(), (QStringList{"", "", "SortDESC", "", "", "", ""}));
    clickHeader(2);
    EXPECT_EQ(column(0), fetchOrder);
    EXPECT_EQ(arrows(), QStringList(7, QString())) << "fetch order shows no arrow";

    // Fetch order is the row-number column ascending, so its header turns it round at once;
    // a third click is fetch order again.
    clickHeader(0);
    EXPECT_EQ(column(1), (QStringList{"11", "10", "9", "8", "7"}));
    EXPECT_EQ(arrows().at(0), QStringLiteral("SortDESC"));
    clickHeader(0);
    EXPECT_EQ(column(0), fetchOrder);
    EXPECT_EQ(arrows(), QStringList(7, QString()));
    // From another sort column the row numbers give ascending order without an arrow.
    clickHeader(3);
    ASSERT_NE(column(0), fetchOrder);
    clickHeader(0);
    EXPECT_EQ(column(0), fetchOrder);
    EXPECT_EQ(arrows(), QStringList(7, QString()));
    clickHeader(0);

    // The closing "<" column does nothing.
    clickHeader(6);
    EXPECT_EQ(column(1), (QStringList{"11", "10", "9", "8", "7"}));
    EXPECT_EQ(arrows().at(0), QStringLiteral("SortDESC"));
}

TEST_P(GridCommandsTest, NumberColumnIsFilledOutAndSortedByValue)
{
    const QStringList names{"行No.", "id", "name", "FIRST NAME", "amount", "code", "<"};
    for (int c = 0; c < names.size(); ++c)
        ASSERT_EQ(model().headerText(c), names.at(c));
    ASSERT_EQ(model().kind(3), ColumnKind::Number);
    // SQLite writes 5, 12.5, -3, -12, PostgreSQL 5.0, 12.5, -3.0, -12.0: both fill out to
    // four places before the point (three digits and a sign) and one after it.
    clickHeader(4);
    EXPECT_EQ(column(4), (QStringList{"", "-012.0", "-003.0", "   5.0", "  12.5"}));
    EXPECT_EQ(column(1), (QStringList{"10", "11", "9", "7", "8"}))
        << "by value: -12 before -3, not by text";
    EXPECT_EQ(arrows().at(4), QStringLiteral("SortASC"));
    // The filled texts stay: descending, then fetch order, keep them.
    clickHeader(4);
    EXPECT_EQ(column(1), (QStringList{"8", "7", "9", "11", "10"}));
    clickHeader(4);
    EXPECT_EQ(column(1), (QStringList{"7", "8", "9", "10", "11"}));
    EXPECT_EQ(column(4).at(3), QString()) << "NULL is never filled";
    for (const QString& text : column(4))
        EXPECT_TRUE(text.isEmpty() || text.size() == column(4).at(0).size()) << text.toStdString();
    // The widened column holds its filled texts.
    const QFontMetrics fm(s->w.ListView1->font());
    EXPECT_GE(header()->sectionSize(4), fm.horizontalAdvance(column(4).at(0)));

    // The other-kind column holds a text: it is neither filled nor taken for a number.
    clickHeader(5);
    const QStringList codes = column(5);
    EXPECT_EQ(codes.mid(0, 4), QStringList(4, QString())) << "empty first";
    EXPECT_TRUE(codes.at(4) == QStringLiteral("O'Neil") ||
                codes.at(4).compare(QStringLiteral("a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"),
                                    Qt::CaseInsensitive) == 0)
        << codes.at(4).toStdString();
}

TEST_P(GridCommandsTest, RightClickOnACellOffersItsCopyTexts)
{
    // Row of O'Neil (id 8), column name.
    rightClick(cellCentre(1, 2));
    EXPECT_TRUE(mouse3->isVisible());
    EXPECT_FALSE(mouse6->isVisible());
    EXPECT_EQ(caption(mouse3, 0), QStringLiteral("name"));
    EXPECT_EQ(caption(mouse3, 1), QStringLiteral("⇒ O'Neil"));
    EXPECT_EQ(caption(mouse3, 2), QStringLiteral("⇒ 'O''Neil'"));
    EXPECT_EQ(caption(mouse3, 3), QStringLiteral("⇒ name = O'Neil"));
    EXPECT_EQ(caption(mouse3, 4), QStringLiteral("⇒ name = 'O''Neil'"));
    mouse3->hide();

    // The copy commands: the input area at its caret, the clipboard as plain text.
    s->w.TB_SQL->setPlainText(QStringLiteral("SELECT * FROM t WHERE "));
    s->w.TB_SQL->moveCursor(QTextCursor::End);
    grid->copyToInputArea(4);
    EXPECT_EQ(s->w.TB_SQL->toPlainText(), QStringLiteral("SELECT * FROM t WHERE name = 'O''Neil'"));
    grid->copyToClipboard(2);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("'O''Neil'"));
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(clip, nullptr);
    EXPECT_FALSE(clip->hasHtml());

    // A name with a space is quoted; an "&" shows as itself in the caption.
    rightClick(cellCentre(0, 3));
    EXPECT_EQ(grid->grid_copy_texts[0], QStringLiteral("\"FIRST NAME\""));
    EXPECT_EQ(grid->grid_copy_texts[3], QStringLiteral("\"FIRST NAME\" = Ann B"));
    rightClick(cellCentre(2, 2));
    EXPECT_EQ(caption(mouse3, 1), QStringLiteral("⇒ A&&B"));
    EXPECT_EQ(grid->grid_copy_texts[1], QStringLiteral("A&B"));
    // An empty (NULL) cell.
    rightClick(cellCentre(1, 3));
    EXPECT_EQ(grid->grid_copy_texts[1], QString());
    EXPECT_EQ(grid->grid_copy_texts[4], QStringLiteral("\"FIRST NAME\" = ''"));
    mouse3->hide();
}

TEST_P(GridCommandsTest, RightClickOnTheRowNumberOffersNamesAndValues)
{
    rightClick(cellCentre(0, 0));
    EXPECT_TRUE(mouse6->isVisible());
    EXPECT_FALSE(mouse3->isVisible());
    EXPECT_EQ(grid->grid_copy_texts[0], QStringLiteral("id, name, \"FIRST NAME\", amount, code"));
    // SQLite writes NUMERIC 5 as "5", PostgreSQL as "5.0"; either goes in bare.
    const QString amount = model().cellText(0, 4);
    const QString code = GetParam().postgres
                             ? QStringLiteral("'") + model().cellText(0, 5) + QStringLiteral("'")
                             : QStringLiteral("'O''Neil'");
    EXPECT_EQ(grid->grid_copy_texts[1],
              QStringLiteral("7, 'Bob', 'Ann B', %1, %2").arg(amount, code))
        << "an other-kind text is quoted like a string";
    mouse6->hide();

    // NULLs: NULL for a number-kind column, '' for a string column.
    rightClick(cellCentre(1, 0));
    EXPECT_EQ(grid->grid_copy_texts[1],
              QStringLiteral("8, 'O''Neil', '', %1, NULL").arg(model().cellText(1, 4)));
    mouse6->hide();
    grid->copyToClipboard(0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("id, name, \"FIRST NAME\", amount, code"));

    // Filled-out numbers go in as shown.
    clickHeader(4);
    const int row = 3; // id 7 after sorting by amount
    ASSERT_EQ(model().cellText(row, 1), QStringLiteral("7"));
    rightClick(cellCentre(row, 0));
    EXPECT_TRUE(grid->grid_copy_texts[1].startsWith(
        QStringLiteral("7, 'Bob', 'Ann B', ") + model().cellText(row, 4) + QStringLiteral(", ")));
    EXPECT_TRUE(model().cellText(row, 4).startsWith(QLatin1Char(' ')));
    mouse6->hide();
}

TEST_P(GridCommandsTest, NoMenuOnTheClosingColumnOrBelowTheLastRow)
{
    grid->grid_copy_texts[0] = QStringLiteral("before");
    rightClick(cellCentre(0, 6));
    const QRect last = s->w.ListView1->visualRect(model().index(4, 1));
    rightClick(QPoint(last.center().x(), last.bottom() + 10));
    EXPECT_FALSE(mouse3->isVisible());
    EXPECT_FALSE(mouse6->isVisible());
    EXPECT_EQ(grid->grid_copy_texts[0], QStringLiteral("before"));

    // Presses: a data cell is what a drag carries; the row number and "<" carry nothing.
    QTest::mousePress(s->w.ListView1->viewport(), Qt::LeftButton, {}, cellCentre(0, 2));
    QTest::mouseRelease(s->w.ListView1->viewport(), Qt::LeftButton, {}, cellCentre(0, 2));
    std::unique_ptr<QMimeData> data(grid->dragData());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("Bob"));
    for (int c : {0, 6}) {
        QTest::mousePress(s->w.ListView1->viewport(), Qt::LeftButton, {}, cellCentre(0, c));
        QTest::mouseRelease(s->w.ListView1->viewport(), Qt::LeftButton, {}, cellCentre(0, c));
        EXPECT_EQ(grid->pressed_cell_text, QString());
        EXPECT_EQ(grid->dragData(), nullptr);
    }
}

TEST_P(GridCommandsTest, ANewLayoutEndsSortingAndCopiesReadTheGridAsShown)
{
    clickHeader(4);
    ASSERT_TRUE(model().numbersFilled(4));
    // An UPDATE leaves the grid as it is: the copy texts still read its columns.
    s->run("UPDATE qv_gc_t SET name = 'z' WHERE id = 7");
    ASSERT_EQ(s->runner->model().resultColumnCount(), 5);
    rightClick(cellCentre(0, 0));
    EXPECT_TRUE(grid->grid_copy_texts[1].startsWith(QStringLiteral("10, 'bob', 'y', ")))
        << grid->grid_copy_texts[1].toStdString();
    mouse6->hide();

    // Another view fills the grid with three columns (as the column attribute view does).
    ResultGridModel& m = s->runner->model();
    m.setColumns({"列名", "型", "NULL"}, ColumnKinds(3, ColumnKind::Text));
    m.appendRow(1, QVector<QString>{"ID", "INTEGER", "NO"});
    m.flush();
    EXPECT_FALSE(m.isSorted());
    EXPECT_FALSE(m.numbersFilled(4));
    EXPECT_EQ(arrows(), QStringList(5, QString()));
    rightClick(cellCentre(0, 0));
    EXPECT_EQ(grid->grid_copy_texts[0], QStringLiteral("列名, 型, NULL"));
    EXPECT_EQ(grid->grid_copy_texts[1], QStringLiteral("'ID', 'INTEGER', 'NO'"));
    mouse6->hide();
    rightClick(cellCentre(0, 4)); // the "<" column of the three
    EXPECT_FALSE(mouse3->isVisible());
}

TEST_P(GridCommandsTest, SortImageIsDrawnRightOfTheCaption)
{
    s->w.ListView1->resize(900, 300);
    header()->resizeSection(2, 200);
    clickHeader(2);
    const QImage shot = header()->grab().toImage();
    const int left = header()->sectionViewportPosition(2);
    int red = -1;
    for (int x = left; x < left + 200 && red < 0; ++x)
        if (shot.pixelColor(x, header()->height() / 2) == QColor(Qt::red))
            red = x;
    ASSERT_GE(red, 0) << "no SortASC image in the name header";
    EXPECT_GT(red, left + QFontMetrics(header()->font()).horizontalAdvance(QStringLiteral("name")))
        << "the image stands right of the caption";
    clickHeader(2);
    const QImage desc = header()->grab().toImage();
    bool blue = false;
    for (int x = left; x < left + 200; ++x)
        blue |= desc.pixelColor(x, header()->height() / 2) == QColor(Qt::blue);
    EXPECT_TRUE(blue);

    // A column just wide enough for its caption makes room for the image beside it.
    header()->resizeSection(4, header()->sectionSizeHint(4));
    clickHeader(4);
    EXPECT_GE(header()->sectionSize(4),
              QFontMetrics(header()->font()).horizontalAdvance(QStringLiteral("amount")) + 16);
}

INSTANTIATE_TEST_SUITE_P(Drivers, GridCommandsTest,
                         testing::Values(GridBackend{"SQLite", false},
                                         GridBackend{"PostgreSQL", true}),
                         [](const testing::TestParamInfo<GridBackend>& i) { return i.param.name; });

// A resume while the grid is sorted first returns to fetch order, so the rows that arrive
// follow the rows fetched before.
TEST(GridResumeTest, ResumeWhileSortedContinuesInFetchOrder)
{
    // PostgreSQL, whose cursor computes rows as they are fetched (SQLite's driver computes the
    // whole result at execute): with a pause per row, blocks keep coming after the suspension
    // however busy the machine is.
    Session s(pgConnStr());
    s.db->DbExecute(QStringLiteral("DROP TABLE IF EXISTS qv_gr_t"));
    s.exec("CREATE TABLE qv_gr_t (id INTEGER PRIMARY KEY, v INTEGER)");
    s.exec("INSERT INTO qv_gr_t SELECT i, 3000 - i FROM generate_series(1, 3000) AS g(i)");
    ASSERT_EQ(s.db->DbCommit(), 0);
    ResultGridUi ui;
    ui.ListView1 = s.w.ListView1;
    ResultGridCommands grid(s.runner->model(), ui);
    {
        DuringFill suspend([&] { return fetched(*s.runner) >= 500; },
                           [&] { s.w.Cmd_start_stop->click(); }, 1);
        s.run("SELECT id, v FROM qv_gr_t WHERE pg_sleep(0.0002) IS NOT NULL ORDER BY id");
        ASSERT_TRUE(suspend.done());
    }
    const int suspendedAt = fetched(*s.runner);
    ASSERT_LT(suspendedAt, 3000);
    grid.ColumnClick(2); // v ascending: the last fetched row first
    const auto& m = s.runner->model();
    ASSERT_EQ(m.rows().front().number, suspendedAt);
    s.w.Cmd_start_stop->click();
    ASSERT_EQ(m.rowCount(), 3000);
    EXPECT_FALSE(m.isSorted());
    for (int r = 0; r < m.rowCount(); ++r)
        ASSERT_EQ(m.rows()[static_cast<std::size_t>(r)].number, r + 1) << "row " << r;
    EXPECT_EQ(m.cellText(2999, 1), QStringLiteral("3000"));
    // The column filled before the resume holds the new rows at the same width.
    EXPECT_TRUE(m.numbersFilled(2));
    EXPECT_EQ(m.cellText(2999, 2).size(), m.cellText(0, 2).size());
    s.exec("DROP TABLE qv_gr_t");
    s.db->DbCommit();
}

} // namespace
