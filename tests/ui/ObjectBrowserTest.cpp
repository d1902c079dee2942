#include "AppFolderForTesting.h"
#include "ConnectedWindow.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "WindowPart.h"
#include "app/AppServices.h"
#include "app/QUORVANT.h"
#include "base/Settings.h"
#include "browser/ObjectCommands.h"
#include "browser/ObjectTree.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/SqlRunner.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

// The browser's commands as a user reaches them in the real main window, connected to a real
// data source through its connect dialog.
class ObjectBrowserTest : public ConnectedWindow {
protected:
    void SetUp() override
    {
        openAndConnect();
        if (HasFatalFailure())
            return;
        dropTables();
        run("CREATE TABLE \"qvob items\" (id INTEGER NOT NULL, \"item name\" VARCHAR(20), "
            "qty INTEGER, PRIMARY KEY (id))");
        run("INSERT INTO \"qvob items\" VALUES (1, 'a', 10)");
        run("INSERT INTO \"qvob items\" VALUES (2, 'b', 20)");
        run("CREATE TABLE qvob_numbers (id INTEGER)");
        run("INSERT INTO qvob_numbers (id) VALUES (1)");
        for (int i = 0; i < 12; ++i)
            run("INSERT INTO qvob_numbers (id) SELECT id + (SELECT COUNT(*) FROM "
                "qvob_numbers) FROM qvob_numbers");
        run("COMMIT");
        action("mn_get_tables")->trigger();
        prompts_.clear();
    }
    void TearDown() override
    {
        closeWindow({"DROP TABLE IF EXISTS \"qvob items\"", "DROP TABLE IF EXISTS qvob_numbers"});
    }
    void dropTables()
    {
        run("DROP TABLE IF EXISTS \"qvob items\"");
        run("DROP TABLE IF EXISTS qvob_numbers");
        run("COMMIT");
    }

    template <class T> T* child(const char* name) const
    {
        auto* w = window_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QStringList headers() const
    {
        QStringList texts;
        for (int c = 0; c < grid()->columnCount(); ++c)
            texts << grid()->headerData(c, Qt::Horizontal).toString();
        return texts;
    }
    QTreeWidget* tree() const { return child<QTreeWidget>("TreeView1"); }
    QTreeWidgetItem* table(const QString& name) const
    {
        QTreeWidgetItem* root = part<ObjectTree>(*window_).root(QStringLiteral("TABLE"));
        for (int i = 0; root != nullptr && i < root->childCount(); ++i)
            if (root->child(i)->text(0) == name)
                return root->child(i);
        ADD_FAILURE() << "no table " << name.toStdString();
        return nullptr;
    }
    // A right click on a node, as the user makes it: the node's popup opens at the pointer.
    QMenu* rightClick(QTreeWidgetItem* node)
    {
        tree()->scrollToItem(node);
        const QPoint at = tree()->visualItemRect(node).center();
        // The offscreen platform makes no context-menu event of a right click: it is sent as
        // the window system would send it.
        QTest::mouseClick(tree()->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree()->viewport(), &event);
        for (const char* name : {"mn_mouse", "mn_mouse2", "mn_mouse4"}) {
            auto* menu = child<QMenu>(name);
            if (menu->isVisible())
                return menu;
        }
        return nullptr;
    }
    void closeMenus()
    {
        for (const char* name : {"mn_mouse", "mn_mouse2", "mn_mouse4", "mn_mouse7"})
            child<QMenu>(name)->hide();
    }
    // Suspends the next fill once its first rows have arrived.
    void suspendOnceFetching()
    {
        auto* timer = new QTimer(window_.get());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer] {
            const SqlRunner& runner = part<SqlRunner>(*window_);
            if (services_->db().work().call() != ConnectionWork::Kind::Fetch ||
                runner.model().rows().empty())
                return;
            timer->stop();
            timer->deleteLater();
            child<QToolButton>("Cmd_start_stop")->click();
        });
        timer->start();
    }
};

TEST_P(ObjectBrowserTest, ObjectPopupCaptionsAndEnabledStatesFollowTheConnection)
{
    QTreeWidgetItem* items = table("qvob items");
    ASSERT_NE(items, nullptr);
    QMenu* menu = rightClick(items);
    ASSERT_EQ(menu, child<QMenu>("mn_mouse"));
    EXPECT_EQ(tree()->currentItem(), items);
    EXPECT_EQ(part<ObjectCommands>(*window_).popupNode(), items);
    EXPECT_EQ(action("mn_quick_sqlstmt_0")->text(),
              QStringLiteral("SELECT * FROM \"qvob items\"　⇒　即実行"));
    EXPECT_EQ(action("mn_quick_sqlstmt_4")->text(),
              QStringLiteral("UPDATE \"qvob items\" SET ? = ? \nWHERE ? = ?"));
    for (const char* name : {"mn_quick_sqlstmt_0", "mn_copy_allcols", "mn_disp_cols"})
        EXPECT_TRUE(action(name)->isEnabled()) << name;
    closeMenus();

    // A column's popup; a root's while connected.
    items->setExpanded(true);
    ASSERT_GT(items->childCount(), 0);
    EXPECT_EQ(rightClick(items->child(1)), child<QMenu>("mn_mouse4"));
    closeMenus();
    QTreeWidgetItem* root = part<ObjectTree>(*window_).root(QStringLiteral("TABLE"));
    EXPECT_EQ(rightClick(root), child<QMenu>("mn_mouse2"));
    closeMenus();

    action("mn_disconnect")->trigger();
    ASSERT_FALSE(services_->db().DbIsConnected());
    EXPECT_EQ(rightClick(root), nullptr);
    ASSERT_EQ(rightClick(items), child<QMenu>("mn_mouse"));
    for (const char* name : {"mn_quick_sqlstmt_0", "mn_copy_allcols", "mn_disp_cols"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    for (const char* name : {"mn_quick_sqlstmt_2", "mn_quick_sqlstmt_6", "mn_copy_sql",
                             "mn_copy_clip", "mn_disp_cols_all"})
        EXPECT_TRUE(action(name)->isEnabled()) << name;
    action("mn_copy_clip")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("qvob items"));
    closeMenus();
}

TEST_P(ObjectBrowserTest, QuickStatementsReplaceTheInputAndItemZeroRunsAtOnce)
{
    auto* input = child<QPlainTextEdit>("TB_SQL");
    ASSERT_EQ(rightClick(table("qvob items")), child<QMenu>("mn_mouse"));
    input->setPlainText(QStringLiteral("earlier text"));
    action("mn_quick_sqlstmt_4")->trigger();
    EXPECT_EQ(input->toPlainText(),
              QStringLiteral("UPDATE \"qvob items\" SET ? = ? \nWHERE ? = ?"));
    EXPECT_EQ(input->textCursor().position(), 0);
    EXPECT_TRUE(prompts_.boxes().isEmpty()); // nothing ran

    action("mn_quick_sqlstmt_0")->trigger();
    EXPECT_EQ(input->toPlainText(), QStringLiteral("SELECT * FROM \"qvob items\""));
    ASSERT_FALSE(prompts_.boxes().isEmpty());
    EXPECT_EQ(prompts_.boxes().back().title, QStringLiteral("QUORVANT - ＳＱＬ正常終了"));
    EXPECT_EQ(grid()->rowCount(), 2);
    EXPECT_EQ(headers().value(2), QStringLiteral("item name"));
    closeMenus();
}

TEST_P(ObjectBrowserTest, AttributeViewFillsTheGridInBothModes)
{
    run("SELECT id, id, id, id, id, id, id, id FROM qvob_numbers WHERE id < 3");
    ASSERT_EQ(grid()->columnCount(), 10);
    prompts_.clear();

    ASSERT_EQ(rightClick(table("qvob items")), child<QMenu>("mn_mouse"));
    action("mn_disp_cols_name")->trigger();
    EXPECT_EQ(headers(), (QStringList{"No.", "列名", "<"}));
    ASSERT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(cell(0, 0), QStringLiteral("  1"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("item name"));
    // Copies and exports read the grid as shown, not the SELECT before it.
    EXPECT_EQ(part<SqlRunner>(*window_).model().resultColumnCount(), 1);
    EXPECT_EQ(child<QLabel>("status")->text(), QStringLiteral("SQLCode:"));
    EXPECT_EQ(child<QLabel>("cnt")->text(), QStringLiteral("行数:"));
    EXPECT_EQ(child<QLabel>("time")->text(), QStringLiteral("実行時間："));
    EXPECT_EQ(child<QLabel>("L_cols")->text(), QString());
    EXPECT_TRUE(prompts_.boxes().isEmpty());

    action("mn_disp_cols_all")->trigger();
    EXPECT_EQ(headers(),
              (QStringList{"No.", "列名", "属性・桁数", "NOT NULL", "Primary Key", "<"}));
    ASSERT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(cell(0, 3), QStringLiteral("YES"));
    EXPECT_EQ(cell(0, 4), QStringLiteral("1"));
    EXPECT_EQ(cell(1, 3), QString());
    EXPECT_EQ(cell(2, 4), QString());
    EXPECT_TRUE(child<QTableView>("ListView1")->isVisible());

    // A result afterwards is numbered as results are.
    run("SELECT id FROM qvob_numbers WHERE id = 1");
    EXPECT_EQ(headers().first(), QStringLiteral("行No."));
    EXPECT_EQ(cell(0, 0), QStringLiteral("     1"));
    closeMenus();
}

// Reading the catalog needs the cursor a suspended fill holds: the fill ends first, keeps its
// rows, and nothing can be resumed into the freed cursor afterwards.
TEST_P(ObjectBrowserTest, CatalogReadsKeepASuspendedFillUnlessTheGridIsTaken)
{
    // Each test driver keeps a result open beside a catalog read: copying the column list
    // leaves the suspended fill resumable; the column attribute view takes the grid, and so
    // ends the fill, its rows replaced.
    auto* button = child<QToolButton>("Cmd_start_stop");
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const char* command : {"mn_copy_allcols_clip", "mn_disp_cols_name"}) {
        const bool takesGrid = QLatin1String(command) == QLatin1String("mn_disp_cols_name");
        suspendOnceFetching();
        run("SELECT id FROM qvob_numbers ORDER BY id");
        ASSERT_TRUE(button->isEnabled()) << command; // suspended
        ASSERT_TRUE(services_->db().work().cursorHeld());
        const int rows = grid()->rowCount();
        ASSERT_LT(rows, 4096);
        prompts_.clear();
        clipboard->setText(QStringLiteral("before"));

        ASSERT_EQ(rightClick(table("qvob items")), child<QMenu>("mn_mouse"));
        action(command)->trigger();
        closeMenus();
        EXPECT_EQ(services_->db().work().cursorHeld(), !takesGrid) << command;
        EXPECT_EQ(button->isEnabled(), !takesGrid) << command;
        EXPECT_EQ(child<QLabel>("L_msg")->text().contains(QStringLiteral("中断")), !takesGrid);
        for (const auto& box : prompts_.boxes())
            ADD_FAILURE() << command << ": " << box.title.toStdString() << " "
                          << box.text.toStdString();
        button->click(); // resumes the fill, or nothing once it has ended
        EXPECT_EQ(prompts_.boxes().size(), takesGrid ? 0 : 1) << command;
        if (!takesGrid) {
            EXPECT_EQ(grid()->rowCount(), 4096);
            EXPECT_EQ(cell(rows, 1), QString::number(rows + 1));
            EXPECT_EQ(clipboard->text(), QStringLiteral("id, \"item name\", qty"));
        } else {
            EXPECT_EQ(grid()->rowCount(), 3);
            EXPECT_EQ(headers().size(), 3);
        }
    }
    // The connection is still fit for work.
    run("SELECT COUNT(*) FROM qvob_numbers");
    EXPECT_EQ(cell(0, 1), QStringLiteral("4096"));
}

TEST_P(ObjectBrowserTest, SearchListFromTheKeyboardAndItsPopupInsertsAQuotedName)
{
    auto* box = child<QComboBox>("CB_srch_obj");
    auto* found = child<QTreeWidget>("LV_Found");
    auto* input = child<QPlainTextEdit>("TB_SQL");
    QApplication::setActiveWindow(window_.get());
    box->setFocus();
    box->setEditText(QStringLiteral("QVOB"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(child<QToolButton>("Cmd_srch_obj")->hasFocus());
    QTest::keyClick(child<QToolButton>("Cmd_srch_obj"), Qt::Key_Return);

    ASSERT_EQ(found->topLevelItemCount(), 2);
    EXPECT_EQ(child<QLabel>("L_Found")->text(), QStringLiteral("検出(2)：QVOB"));
    // The list opened under the tree, which gave it the room.
    EXPECT_GT(found->height(), 50);
    EXPECT_LE(tree()->geometry().bottom(), found->geometry().top());
    EXPECT_TRUE(tree()->hasFocus());

    int entry = 0;
    while (entry < 2 && found->topLevelItem(entry)->text(0) != QStringLiteral("qvob items"))
        ++entry;
    ASSERT_LT(entry, 2);
    const QPoint at = found->visualItemRect(found->topLevelItem(entry)).center();
    QTest::mouseClick(found->viewport(), Qt::RightButton, {}, at);
    EXPECT_TRUE(child<QMenu>("mn_mouse7")->isVisible());
    EXPECT_EQ(tree()->currentItem(), table("qvob items"));
    input->setPlainText(QStringLiteral("SELECT * FROM "));
    input->moveCursor(QTextCursor::End);
    action("mn_objcopy_sql")->trigger();
    EXPECT_EQ(input->toPlainText(), QStringLiteral("SELECT * FROM \"qvob items\""));
    action("mn_objcopy_clip")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("qvob items"));
    closeMenus();

    // Nothing found: the list closes again.
    box->setEditText(QStringLiteral("no such object"));
    child<QToolButton>("Cmd_srch_obj")->click();
    EXPECT_EQ(found->topLevelItemCount(), 0);
    EXPECT_EQ(found->height(), 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, ObjectBrowserTest,
                         ::testing::Values(testenv::kSqliteDsn, testenv::kPgDsn), dsnDriverName);

} // namespace
