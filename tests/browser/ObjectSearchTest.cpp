#include "browser/ObjectSearch.h"
#include "Backend.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "browser/GeneratedSql.h"
#include "browser/ObjectCommands.h"
#include "browser/ObjectTree.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

QStringList childTexts(const QTreeWidgetItem* node)
{
    QStringList texts;
    for (int i = 0; node != nullptr && i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

QStringList entryTexts(const QTreeWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(0);
    return texts;
}

// The texts of names among the children of node, in the tree's order.
QStringList inTreeOrder(const QTreeWidgetItem* node, const QStringList& names)
{
    QStringList ordered;
    for (const QString& text : childTexts(node))
        if (names.contains(text))
            ordered << text;
    return ordered;
}

// The left column of the main window with its search controls and popups, the object tree over
// a real catalog, and the commands' hooks recording what they hand on.
class BrowserTest : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        window.resize(300, 700);
        tui.TreeView1 = new QTreeWidget(&window);
        tui.LV_Found = new QTreeWidget(&window);
        tui.L_Found = new QLabel(&window);
        tui.Fra_Found = new QFrame(&window);
        tui.TabObjects = new QTabBar(&window);
        for (const char* tab : {"ALL", "TABLE", "VIEW", "SYNONYM"})
            tui.TabObjects->addTab(QString::fromLatin1(tab));
        db = std::make_unique<ODBCComm>(lib, prompts);
        tree = std::make_unique<ObjectTree>(tui, *db, prompts, &window);

        for (const char* name : {"mn_mouse", "mn_mouse2", "mn_mouse4", "mn_mouse7"}) {
            auto* menu = new QMenu(&window);
            menu->setObjectName(QString::fromLatin1(name));
            menus << menu;
        }
        quick = menus[0]->addMenu(QStringLiteral("クイック SQL"));
        for (int i = 0; i < kQuickSqlItems; ++i)
            quick->addAction(QString())->setObjectName(
                QStringLiteral("mn_quick_sqlstmt_%1").arg(i));
        ObjectCommandsUi cui;
        cui.mn_mouse = menus[0];
        cui.mn_mouse2 = menus[1];
        cui.mn_mouse4 = menus[2];
        cui.mn_quick_sql = quick;
        ObjectCommandsHooks hooks;
        hooks.InsertAtCaret = [this](const QString& text) { inserted << text; };
        hooks.replaceSql = [this](const QString& text) { replaced << text; };
        hooks.PostSQL = [this](const QString& text) { posted << text; };
        hooks.showColumnTable = [this](const QStringList& headers, const ColumnKinds&,
                                       const std::vector<QVector<QString>>& rows, int) {
            tables.push_back({headers, rows});
        };
        commands = std::make_unique<ObjectCommands>(cui, std::move(hooks), *tree, *db);

        sui.TabObjects = tui.TabObjects;
        sui.CB_srch_obj = new QComboBox(&window);
        sui.CB_srch_obj->setEditable(true);
        sui.CB_srch_obj->setInsertPolicy(QComboBox::NoInsert);
        sui.CB_srch_obj->addItem(QString());
        sui.Cmd_srch_obj = new QToolButton(&window);
        sui.LV_Found = tui.LV_Found;
        sui.L_Found = tui.L_Found;
        sui.mn_mouse7 = menus[3];
        sui.foundListHeight = [this] { return listHeight; };
        sui.treeHeight = [this] { return 6000.0; };
        sui.setFoundListHeight = [this](double h) { listHeight = h; };
        search = std::make_unique<ObjectSearch>(sui, *tree, *commands);
        window.show();
    }
    void TearDown() override
    {
        if (GetParam().postgres && db->DbIsConnected()) {
            db->DbRollback();
            db->DbExecute(QStringLiteral("DROP SCHEMA IF EXISTS qv_search CASCADE"));
            db->DbCommit();
        }
    }

    // A catalog of its own: a fresh SQLite file, or a schema of the PostgreSQL test database
    // read as the tree's owner, with names kept in their case by quoting.
    void connectWith(const QStringList& tables, const QStringList& views = {})
    {
        ASSERT_TRUE(db->DbInit());
        QString uid;
        QString pwd;
        QString conn;
        if (GetParam().postgres) {
            ASSERT_EQ(db->DbConnect(nullptr, QString::fromLatin1(testenv::kPgDsn), uid, pwd,
                                    QString(), conn),
                      0);
            db->DbExecute(QStringLiteral("DROP SCHEMA IF EXISTS qv_search CASCADE"));
            exec(QStringLiteral("CREATE SCHEMA qv_search"));
            exec(QStringLiteral("SET search_path TO qv_search"));
            tree->setOwnerFilter(QStringLiteral("qv_search"));
        } else {
            conn = QString::fromStdString(testenv::freshSqliteConnStr("search.db"));
            ASSERT_EQ(db->DbConnect(nullptr, QString(), uid, pwd, QString(), conn), 0);
        }
        // Always quoted, so that PostgreSQL keeps the case the tests search for.
        const auto quoted = [](QString name) {
            return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"';
        };
        for (const QString& table : tables)
            exec(QStringLiteral("CREATE TABLE %1 (id INTEGER)").arg(quoted(table)));
        for (const QString& view : views)
            exec(QStringLiteral("CREATE VIEW %1 AS SELECT 1 AS one").arg(quoted(view)));
        tree->loadObjectTree();
        ASSERT_TRUE(prompts.boxes().isEmpty()) << prompts.boxes().first().text.toStdString();
    }
    void exec(const QString& sql)
    {
        ASSERT_EQ(db->DbExecute(sql), 0)
            << sql.toStdString() << " " << db->DbLastErrorText().toStdString();
        db->DbCommit();
    }
    QTreeWidgetItem* root(const char* key) { return tree->root(QLatin1String(key)); }
    QTreeWidgetItem* object(const char* rootKey, const QString& name)
    {
        QTreeWidgetItem* r = root(rootKey);
        for (int i = 0; r != nullptr && i < r->childCount(); ++i)
            if (r->child(i)->text(0) == name)
                return r->child(i);
        ADD_FAILURE() << "no object " << name.toStdString() << " among "
                      << childTexts(r).join(QLatin1Char('|')).toStdString();
        return nullptr;
    }
    void searchFor(const QString& text)
    {
        sui.CB_srch_obj->setEditText(text);
        search->searchAll();
    }
    QStringList history() const
    {
        QStringList texts;
        for (int i = 0; i < sui.CB_srch_obj->count(); ++i)
            texts << sui.CB_srch_obj->itemText(i);
        return texts;
    }
    QTreeWidgetItem* current() const { return tui.TreeView1->currentItem(); }

    QWidget window;
    ObjectTreeUi tui;
    ObjectSearchUi sui;
    QList<QMenu*> menus;
    QMenu* quick = nullptr;
    double listHeight = 0;
    ScriptedPrompts prompts;
    OdbcLib lib;
    std::unique_ptr<ODBCComm> db;
    std::unique_ptr<ObjectTree> tree;
    std::unique_ptr<ObjectCommands> commands;
    std::unique_ptr<ObjectSearch> search;
    QStringList inserted, replaced, posted;
    std::vector<std::pair<QStringList, std::vector<QVector<QString>>>> tables;
};

const QStringList kEmpTables{"EMP", "DEPT_EMP", "EMPLOYEE", "DEPT", "SALES"};

// Search all.

TEST_P(BrowserTest, SearchAllListsMatchesInTreeOrderAndClosesTheRest)
{
    connectWith(kEmpTables);
    QTreeWidgetItem* dept = object("TABLE", "DEPT");
    QTreeWidgetItem* emp = object("TABLE", "EMP");
    ASSERT_NE(dept, nullptr);
    ASSERT_NE(emp, nullptr);
    dept->setExpanded(true);
    emp->setExpanded(true);

    searchFor("emp");
    const QStringList expected = inTreeOrder(root("TABLE"), {"EMP", "DEPT_EMP", "EMPLOYEE"});
    ASSERT_EQ(expected.size(), 3);
    EXPECT_EQ(entryTexts(tui.LV_Found), expected);
    EXPECT_EQ(tui.L_Found->text(), QStringLiteral("検出(3)：emp"));
    EXPECT_EQ(search->results().size(), 3);
    EXPECT_EQ(current()->text(0), expected.first());
    EXPECT_EQ(commands->popupNode(), current());
    // The first entry carries the object's image; the columns of a closed object stay loaded.
    EXPECT_FALSE(tui.LV_Found->topLevelItem(0)->icon(0).isNull());
    EXPECT_FALSE(dept->isExpanded());
    EXPECT_EQ(childTexts(dept), QStringList{"id"});
    EXPECT_TRUE(emp->isExpanded());
    EXPECT_EQ(listHeight, 1800); // a list shown for the first time opens under a tall tree
    EXPECT_EQ(history(), (QStringList{"emp", ""}));

    // Shift held on the button: the next search appends and counts only its own results.
    QTest::keyPress(sui.Cmd_srch_obj, Qt::Key_Shift);
    EXPECT_TRUE(search->appendFlag());
    searchFor("SAL");
    EXPECT_FALSE(search->appendFlag());
    EXPECT_EQ(entryTexts(tui.LV_Found), expected + QStringList{"SALES"});
    EXPECT_EQ(tui.L_Found->text(), QStringLiteral("検出(1)：SAL"));
    EXPECT_EQ(current()->text(0), QStringLiteral("SALES"));

    // Without Shift the list starts over; a release on the button clears the flag unused.
    QTest::keyPress(sui.Cmd_srch_obj, Qt::Key_Shift);
    QTest::keyRelease(sui.Cmd_srch_obj, Qt::Key_Shift);
    searchFor("dept");
    EXPECT_EQ(entryTexts(tui.LV_Found), inTreeOrder(root("TABLE"), {"DEPT", "DEPT_EMP"}));

    // Choosing an entry selects its object and makes it the popup node.
    search->foundEntryChosen(1);
    EXPECT_EQ(current()->text(0), entryTexts(tui.LV_Found)[1]);
    EXPECT_EQ(commands->popupNode(), current());
    // The right button opens the list's popup also below its entries, for the entry chosen.
    QTest::mouseRelease(tui.LV_Found->viewport(), Qt::RightButton, {},
                        QPoint(5, tui.LV_Found->viewport()->height() - 2));
    EXPECT_TRUE(menus[3]->isVisible());
    menus[3]->hide();
    EXPECT_EQ(commands->popupNode(), current());
}

TEST_P(BrowserTest, SearchWithoutResultOrTextFindsNothingAndEmptyTextClosesNothing)
{
    connectWith(kEmpTables);
    searchFor("emp");
    ASSERT_EQ(listHeight, 1800);

    QTreeWidgetItem* dept = object("TABLE", "DEPT");
    dept->setExpanded(true);
    searchFor("");
    EXPECT_EQ(tui.L_Found->text(), QStringLiteral("検出(0)："));
    EXPECT_EQ(tui.LV_Found->topLevelItemCount(), 0);
    EXPECT_TRUE(dept->isExpanded());
    EXPECT_EQ(listHeight, 0);

    searchFor("nothing-like-this");
    EXPECT_EQ(tui.L_Found->text(), QStringLiteral("検出(0)：nothing-like-this"));
    EXPECT_EQ(tui.LV_Found->topLevelItemCount(), 0);
    EXPECT_EQ(listHeight, 0);
    EXPECT_FALSE(dept->isExpanded());

    // A search text of 10,000 characters is just a text that matches nothing.
    const QString longText(10000, QLatin1Char('e'));
    searchFor(longText);
    EXPECT_EQ(tui.L_Found->text(), QStringLiteral("検出(0)：") + longText);

    // A search text used before is not kept twice, but EMP and emp are two entries.
    searchFor("emp");
    searchFor("EMP");
    searchFor("emp");
    EXPECT_EQ(history().first(), QStringLiteral("EMP"));
    EXPECT_EQ(history().count("emp"), 1);
    EXPECT_EQ(history().count("EMP"), 1);
    EXPECT_EQ(sui.CB_srch_obj->currentText(), QStringLiteral("emp"));
}

TEST_P(BrowserTest, SearchIsBlindToWidthCaseAndKana)
{
    connectWith({"EMP", "ＥＭＰ２", "シャイン一覧", "ｶﾞｲﾖｳ"});
    searchFor(QStringLiteral("ｅｍｐ"));
    EXPECT_EQ(entryTexts(tui.LV_Found), inTreeOrder(root("TABLE"), {"EMP", "ＥＭＰ２"}));
    searchFor(QStringLiteral("しゃいん"));
    EXPECT_EQ(entryTexts(tui.LV_Found), QStringList{"シャイン一覧"});
    searchFor(QStringLiteral("ｼｬｲﾝ"));
    EXPECT_EQ(entryTexts(tui.LV_Found), QStringList{"シャイン一覧"});
    searchFor(QStringLiteral("がいよう"));
    EXPECT_EQ(entryTexts(tui.LV_Found), QStringList{"ｶﾞｲﾖｳ"});
}

TEST_P(BrowserTest, TabsOpenOneGroupAndAReloadDropsResultsAndPopupNode)
{
    connectWith({"EMP"}, {"V_EMP"});
    EXPECT_EQ(tui.TabObjects->tabToolTip(0), QStringLiteral("全て表示します"));
    EXPECT_EQ(tui.TabObjects->tabToolTip(3), QStringLiteral("シノニムを表示します"));
    search->tabClicked(2);
    EXPECT_TRUE(root("VIEW")->isExpanded());
    EXPECT_FALSE(root("TABLE")->isExpanded());
    EXPECT_EQ(current(), root("VIEW"));
    search->tabClicked(0);
    EXPECT_TRUE(root("TABLE")->isExpanded() && root("VIEW")->isExpanded() &&
                root("SYNONYM")->isExpanded());
    EXPECT_EQ(current(), root("TABLE"));

    searchFor("emp");
    ASSERT_EQ(search->results().size(), 2);
    ASSERT_NE(commands->popupNode(), nullptr);
    tree->loadObjectTree();
    EXPECT_TRUE(search->results().isEmpty());
    EXPECT_EQ(commands->popupNode(), nullptr);
    commands->objCopySqlCommand();
    search->foundEntryChosen(0);
    EXPECT_TRUE(inserted.isEmpty());
}

// F3 and Shift+F3.

TEST_P(BrowserTest, FindNextStaysInOneRootAndChecksAnUnvisitedStartNode)
{
    connectWith(kEmpTables, {"V_EMP"});
    const QStringList tables = childTexts(root("TABLE"));
    const QStringList matches = inTreeOrder(root("TABLE"), {"EMP", "DEPT_EMP", "EMPLOYEE"});
    const QString text = QStringLiteral("emp");

    // From the root: its first object is checked too.
    QTreeWidgetItem* found = FindNextObject(root("TABLE"), text, false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(0), matches[0]);
    // From an object: never itself, then the next ones, and not past the last table.
    found = FindNextObject(found, text, false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(0), matches[1]);
    found = FindNextObject(found, text, false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(0), matches[2]);
    EXPECT_EQ(FindNextObject(object("TABLE", tables.last()), text, false), nullptr);
    // Backward from the last match comes back to the one before.
    found = FindNextObject(found, text, true);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(0), matches[1]);

    // The view root holds only V_EMP: its one object is found, though it is the last one.
    found = FindNextObject(root("VIEW"), text, false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(0), QStringLiteral("V_EMP"));
    EXPECT_EQ(FindNextObject(found, text, false), nullptr);
    EXPECT_EQ(FindNextObject(found, text, true), nullptr);
    // No synonyms: nothing to find, nothing read.
    EXPECT_EQ(FindNextObject(root("SYNONYM"), text, false), nullptr);
    EXPECT_EQ(FindNextObject(root("SYNONYM"), text, true), nullptr);

    // From a column: its own object comes first.
    QTreeWidgetItem* emp = object("TABLE", "EMP");
    emp->setExpanded(true);
    ASSERT_EQ(emp->childCount(), 1);
    found = FindNextObject(emp->child(0)->child(0), text, false);
    EXPECT_EQ(found, emp);
    EXPECT_EQ(FindNextObject(emp, QString(), false), nullptr);
}

TEST_P(BrowserTest, F3KeysMoveTheSelectionAndRecordTheText)
{
    connectWith(kEmpTables);
    const QStringList matches = inTreeOrder(root("TABLE"), {"EMP", "DEPT_EMP", "EMPLOYEE"});
    sui.CB_srch_obj->setEditText(QStringLiteral("emp"));
    tui.TreeView1->setCurrentItem(root("TABLE"));

    // F3 in the text box goes to the tree.
    QTest::keyClick(sui.CB_srch_obj->lineEdit(), Qt::Key_F3);
    ASSERT_NE(current(), nullptr);
    EXPECT_EQ(current()->text(0), matches[0]);
    EXPECT_EQ(history().first(), QStringLiteral("emp"));
    QTest::keyClick(tui.TreeView1, Qt::Key_F3);
    EXPECT_EQ(current()->text(0), matches[1]);
    QTest::keyClick(tui.TreeView1, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(current()->text(0), matches[0]);
    QTest::keyClick(tui.TreeView1, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(current()->text(0), matches[0]); // nothing before it: the selection stays

    // Enter in the text box hands the focus to the button, whose Enter searches.
    window.activateWindow();
    sui.CB_srch_obj->setFocus();
    QTest::keyClick(sui.CB_srch_obj->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(sui.Cmd_srch_obj->hasFocus());
    QTest::keyClick(sui.Cmd_srch_obj, Qt::Key_Return);
    EXPECT_EQ(tui.LV_Found->topLevelItemCount(), 3);
}

// Generated statements and copies.

TEST_P(BrowserTest, QuickStatementsQuoteNamesAndRunAsValidSql)
{
    connectWith({"EMP", "ORDER ITEMS", "A\"B C", "R&D"});
    QTreeWidgetItem* items = object("TABLE", "ORDER ITEMS");
    ASSERT_NE(items, nullptr);
    ASSERT_EQ(commands->popupFor(items), menus[0]);
    const QList<QAction*> entries = quick->actions();
    EXPECT_EQ(entries[0]->text(), QStringLiteral("SELECT * FROM \"ORDER ITEMS\"　⇒　即実行"));
    EXPECT_TRUE(entries[1]->isSeparator());
    EXPECT_EQ(entries[3]->text(), QStringLiteral("SELECT * FROM \"ORDER ITEMS\" \nWHERE ? = ?"));
    EXPECT_EQ(entries[6]->text(), QStringLiteral("DELETE FROM \"ORDER ITEMS\" \nWHERE ? = ?"));

    commands->setPopupNode(items);
    commands->quickSqlCommand(0);
    commands->quickSqlCommand(4);
    commands->quickSqlCommand(5);
    commands->quickSqlCommand(1);
    EXPECT_EQ(posted, QStringList{"SELECT * FROM \"ORDER ITEMS\""});
    EXPECT_EQ(replaced, (QStringList{"UPDATE \"ORDER ITEMS\" SET ? = ? \nWHERE ? = ?",
                                     "INSERT INTO \"ORDER ITEMS\" \nVALUES(?)"}));

    // A quote inside a name is doubled: the statement reads the table it names.
    QTreeWidgetItem* quoted = object("TABLE", "A\"B C");
    ASSERT_NE(quoted, nullptr);
    commands->setPopupNode(quoted);
    commands->quickSqlCommand(2);
    ASSERT_EQ(replaced.last(), QStringLiteral("SELECT * FROM \"A\"\"B C\""));
    EXPECT_EQ(db->DbExecute(replaced.last()), 0) << db->DbLastErrorText().toStdString();
    db->DbCloseCursor();

    // A long Japanese name with a space reads back whole and still selects: 301 bytes, beyond
    // the 254 of a fetched value. PostgreSQL cuts names at 63 bytes, so there the name is one
    // it can keep.
    const QString longTable = GetParam().postgres
                                  ? QStringLiteral("長い 名前")
                                  : QString(50, QChar(u'表')) + u' ' + QString(50, QChar(u'表'));
    ASSERT_EQ(longTable.toUtf8().size(), GetParam().postgres ? 13 : 301);
    exec(QStringLiteral("CREATE TABLE \"%1\" (id INTEGER)").arg(longTable));
    tree->loadObjectTree();
    QTreeWidgetItem* longNode = object("TABLE", longTable);
    ASSERT_NE(longNode, nullptr);
    commands->setPopupNode(longNode);
    commands->quickSqlCommand(2);
    EXPECT_EQ(replaced.last(), QStringLiteral("SELECT * FROM \"%1\"").arg(longTable));
    EXPECT_EQ(db->DbExecute(replaced.last()), 0) << db->DbLastErrorText().toStdString();
    db->DbCloseCursor();

    // A "&" stays in the statement but is no mnemonic in the caption.
    QTreeWidgetItem* rd = object("TABLE", "R&D");
    ASSERT_NE(rd, nullptr);
    commands->popupFor(rd);
    EXPECT_EQ(entries[2]->text(), QStringLiteral("SELECT * FROM R&&D"));
    EXPECT_EQ(entries[2]->data().toString(), QStringLiteral("SELECT * FROM R&D"));
}

TEST_P(BrowserTest, CopiesQuoteForTheInputAreaAndNotForTheClipboard)
{
    connectWith({"EMP OLD", "EMP"});
    exec(QStringLiteral("CREATE TABLE \"O'Neil x\" (\"C D\" INTEGER NOT NULL, a INTEGER, "
                        "\"q\"\"t\" VARCHAR(10))"));
    tree->loadObjectTree();
    QClipboard* clipboard = QGuiApplication::clipboard();

    QTreeWidgetItem* old = object("TABLE", "EMP OLD");
    commands->setPopupNode(old);
    commands->copySqlCommand();
    commands->copyClipCommand();
    EXPECT_EQ(clipboard->text(), QStringLiteral("EMP OLD"));
    // The search list's insert quotes as the tree does; its clipboard copy does not.
    commands->objCopySqlCommand();
    clipboard->setText(QStringLiteral("before"));
    commands->objCopyClipCommand();
    EXPECT_EQ(clipboard->text(), QStringLiteral("EMP OLD"));
    EXPECT_EQ(inserted, (QStringList{"\"EMP OLD\"", "\"EMP OLD\""}));

    // The all-columns list reads the catalog afresh and is a valid select list.
    QTreeWidgetItem* oneil = object("TABLE", "O'Neil x");
    ASSERT_NE(oneil, nullptr);
    commands->setPopupNode(oneil);
    inserted.clear();
    commands->copyAllColumnsCommand(true);
    const QString list = QStringLiteral("\"C D\", a, \"q\"\"t\"");
    EXPECT_EQ(inserted, QStringList{list});
    commands->copyAllColumnsCommand(false);
    EXPECT_EQ(clipboard->text(), list);
    EXPECT_EQ(db->DbExecute(QStringLiteral("SELECT ") + list + " FROM \"O'Neil x\""), 0)
        << db->DbLastErrorText().toStdString();
    db->DbCloseCursor();
    EXPECT_EQ(oneil->childCount(), 1); // the tree's own nodes are not touched

    // Column popup: a column name is quoted for the input area; a type text is no name.
    oneil->setExpanded(true);
    ASSERT_EQ(oneil->childCount(), 3);
    QTreeWidgetItem* cd = oneil->child(0);
    EXPECT_EQ(commands->popupFor(cd), menus[2]);
    EXPECT_EQ(commands->popupFor(cd->child(0)), menus[2]);
    commands->setPopupNode(cd);
    inserted.clear();
    commands->colCopySqlCommand();
    commands->colCopyClipCommand();
    EXPECT_EQ(clipboard->text(), QStringLiteral("C D"));
    commands->setPopupNode(cd->child(0));
    commands->colCopySqlCommand();
    commands->colCopyClipCommand();
    EXPECT_EQ(inserted, QStringList{"\"C D\""});
    EXPECT_EQ(clipboard->text(), cd->child(0)->text(0));
    EXPECT_TRUE(clipboard->text().contains(QStringLiteral("NOT NULL")));

    // Disconnected: the clipboard and insert commands still work, the list and the root popup
    // do not.
    db->DbDisconnect();
    commands->setPopupNode(oneil);
    clipboard->setText(QStringLiteral("unchanged"));
    commands->copyAllColumnsCommand(false);
    EXPECT_EQ(clipboard->text(), QStringLiteral("unchanged"));
    commands->copyClipCommand();
    EXPECT_EQ(clipboard->text(), QStringLiteral("O'Neil x"));
    EXPECT_EQ(commands->popupFor(root("TABLE")), nullptr);
    EXPECT_EQ(commands->popupFor(oneil), menus[0]);
}

TEST_P(BrowserTest, AttributeViewRowsInBothModes)
{
    connectWith({"other"});
    exec(QStringLiteral("CREATE TABLE attrs (k INTEGER NOT NULL, \"名前 列\" VARCHAR(20), "
                        "n INTEGER)"));
    exec(QStringLiteral("CREATE UNIQUE INDEX attrs_ux ON attrs (n, k)"));
    tree->loadObjectTree();
    QTreeWidgetItem* attrs = object("TABLE", "attrs");
    commands->setPopupNode(attrs);

    commands->showColumnAttributes(false);
    EXPECT_FALSE(commands->attributeMode());
    // The grid is emptied first, then shows the columns.
    ASSERT_EQ(tables.size(), 2);
    EXPECT_TRUE(tables[0].first.isEmpty());
    EXPECT_EQ(tables[1].first, (QStringList{"No.", "列名"}));
    ASSERT_EQ(tables[1].second.size(), 3);
    EXPECT_EQ(tables[1].second[1], QVector<QString>{"名前 列"});

    commands->showColumnAttributes(true);
    EXPECT_TRUE(commands->attributeMode());
    ASSERT_EQ(tables.size(), 4);
    EXPECT_EQ(tables[3].first,
              (QStringList{"No.", "列名", "属性・桁数", "NOT NULL", "Primary Key"}));
    const auto& rows = tables[3].second;
    ASSERT_EQ(rows.size(), 3);
    // The type without its "NOT NULL" (trailing blank kept), then YES; key positions by index.
    ASSERT_EQ(rows[0].size(), 4);
    const std::optional<CatalogRead::Columns> read = tree->readColumns(attrs);
    ASSERT_TRUE(read.has_value());
    const QString type = read->typeTexts.value(0);
    EXPECT_EQ(rows[0][1], type.left(type.indexOf("NOT NULL")));
    EXPECT_TRUE(rows[0][1].endsWith(QLatin1Char(' ')));
    EXPECT_EQ(rows[0][2], QStringLiteral("YES"));
    EXPECT_EQ(rows[0][3], QStringLiteral("2"));
    EXPECT_EQ(rows[1][2], QString());
    EXPECT_EQ(rows[1][3], QString());
    EXPECT_EQ(rows[2][3], QStringLiteral("1"));
}

INSTANTIATE_TEST_SUITE_P(Drivers, BrowserTest,
                         testing::Values(Backend{"SQLite", false}, Backend{"PostgreSQL", true}),
                         [](const testing::TestParamInfo<Backend>& info) {
                             return info.param.name;
                         });

// Rules without a catalog.

TEST(GeneratedSqlTest, AttributeTableSplitsNotNullOnlyWhereItStands)
{
    const ColumnTable table = ColumnAttributeTable(
        {"a", "b", "c"}, {"INTEGER NOT NULL", "VARCHAR(10)", "CHAR(3) not null"}, {0, 3}, true);
    ASSERT_EQ(table.rows.size(), 3);
    EXPECT_EQ(table.rows[0], (QVector<QString>{"a", "INTEGER ", "YES", ""}));
    EXPECT_EQ(table.rows[1], (QVector<QString>{"b", "VARCHAR(10)", "", "3"}));
    // Only the exact upper-case text counts; a shorter key array counts as no key.
    EXPECT_EQ(table.rows[2], (QVector<QString>{"c", "CHAR(3) not null", "", ""}));
    EXPECT_EQ(AllColumnsText({}), QString());
    EXPECT_EQ(AllColumnsText({"A", "B", "C D"}), QStringLiteral("A, B, \"C D\""));
}

TEST(GeneratedSqlTest, FoundListHeightRule)
{
    struct Case {
        int entries;
        double list, tree, expected;
    } cases[] = {{0, 1800, 6000, 0},  {3, 0, 6000, 1800}, {3, 99, 3001, 1800},
                 {3, 100, 6000, 100}, {3, 50, 3000, 50},  {1, 2500, 6000, 2500}};
    for (const Case& c : cases)
        EXPECT_EQ(FoundListHeight(c.entries, c.list, c.tree), c.expected)
            << c.entries << " " << c.list << " " << c.tree;
}

} // namespace

// In the main window the controllers are children of the window created after its widgets, so
// the widgets die first while the filters are still installed; events then reaching the filter
// must not touch a widget already gone (the sanitizer build fails on such a call).
TEST(ObjectSearchLifetime, WindowDestroyedWithTheControllersOutlivingTheirWidgets)
{
    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm db(lib, prompts);
    auto* window = new QWidget;
    auto* client = new QWidget(window);
    ObjectTreeUi tui;
    tui.TreeView1 = new QTreeWidget(client);
    tui.LV_Found = new QTreeWidget(client);
    tui.L_Found = new QLabel(client);
    tui.TabObjects = new QTabBar(client);
    ObjectSearchUi sui;
    sui.LV_Found = tui.LV_Found;
    sui.L_Found = tui.L_Found;
    sui.TabObjects = tui.TabObjects;
    sui.CB_srch_obj = new QComboBox(client);
    sui.CB_srch_obj->setEditable(true);
    sui.Cmd_srch_obj = new QToolButton(client);
    auto* tree = new ObjectTree(tui, db, prompts, window, window);
    auto* commands = new ObjectCommands({}, {}, *tree, db, window);
    auto* search = new ObjectSearch(sui, *tree, *commands, window);
    window->show();
    QTest::keyClick(sui.CB_srch_obj->lineEdit(), Qt::Key_A);
    QTest::keyClick(tui.TreeView1, Qt::Key_F3);
    EXPECT_EQ(sui.CB_srch_obj->currentText(), QStringLiteral("a"));
    bool searchGone = false;
    QObject::connect(search, &QObject::destroyed, [&searchGone] { searchGone = true; });
    // The box goes first; the tree and the list still get events without it.
    delete sui.CB_srch_obj;
    QTest::keyClick(tui.TreeView1, Qt::Key_F3);
    QTest::mouseClick(tui.LV_Found->viewport(), Qt::LeftButton);
    delete window;
    EXPECT_TRUE(searchGone);
}
