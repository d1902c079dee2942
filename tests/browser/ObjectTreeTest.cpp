#include "browser/ObjectTree.h"
#include "CatalogCases.h"
#include "CommSession.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "browser/TreeImages.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <ostream>

using Answer = Prompts::Answer;

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QString kRetryTail = QStringLiteral("\nテーブルオーナー無視で、再取得しますか？");

QStringList childTexts(const QTreeWidgetItem* node)
{
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

QTreeWidgetItem* childNamed(QTreeWidgetItem* node, const QString& text)
{
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == text)
            return node->child(i);
    ADD_FAILURE() << "no node " << text.toStdString() << " under " << node->text(0).toStdString();
    return nullptr;
}

// The left column of the main window, an own ODBC layer and scripted boxes per test.
class TreeTest : public testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 600);
        ui.TreeView1 = new QTreeWidget(&window);
        ui.LV_Found = new QTreeWidget(&window);
        ui.L_Found = new QLabel(QStringLiteral("検出(1)：x"), &window);
        ui.Fra_Found = new QFrame(&window);
        ui.TabObjects = new QTabBar(&window);
        for (const char* tab : {"ALL", "TABLE", "VIEW", "SYNONYM"})
            ui.TabObjects->addTab(QString::fromLatin1(tab));
        ui.moveSearchHeaderToBottom = [this] { ++layoutCalls; };
        new QTreeWidgetItem(ui.LV_Found, QStringList{QStringLiteral("old result")});
        db = std::make_unique<ODBCComm>(lib, prompts);
        tree = std::make_unique<ObjectTree>(ui, *db, prompts, &window);
        window.show();
    }

    void connectTo(const QString& dsn, const QString& connStr = QString())
    {
        connectComm(*db, dsn, connStr);
    }
    void exec(const QString& sql) { execCommitted(*db, sql); }
    QTreeWidgetItem* root(const char* key) { return tree->root(QLatin1String(key)); }
    QTreeWidgetItem* expand(const char* rootKey, const QString& name)
    {
        QTreeWidgetItem* node = childNamed(root(rootKey), name);
        if (node != nullptr)
            node->setExpanded(true);
        return node;
    }
    QStringList topTexts() const
    {
        QStringList texts;
        for (int i = 0; i < ui.TreeView1->topLevelItemCount(); ++i)
            texts << ui.TreeView1->topLevelItem(i)->text(0);
        return texts;
    }

    QWidget window;
    ObjectTreeUi ui;
    int layoutCalls = 0;
    ScriptedPrompts prompts;
    OdbcLib lib;
    std::unique_ptr<ODBCComm> db;
    std::unique_ptr<ObjectTree> tree;
};

// The nodes made of a real catalog.

class CatalogLoad : public TreeTest, public testing::WithParamInterface<CatalogCase> {};

TEST_P(CatalogLoad, FillsRootsAndObjectsAndOpensTheTables)
{
    const CatalogCase& c = GetParam();
    connectTo(QString::fromLatin1(c.dsn));
    tree->setOwnerFilter(c.owner);
    tree->loadObjectTree();

    EXPECT_TRUE(prompts.boxes().isEmpty());
    EXPECT_EQ(topTexts(),
              (QStringList{QStringLiteral("TABLE(%1)").arg(c.tables),
                           QStringLiteral("VIEW(%1)").arg(c.views), QStringLiteral("SYNONYM(0)")}));
    const QStringList keys{"TABLE", "VIEW", "SYNONYM"}, tags{"tables", "views", "synonyms"},
        objectTags{"table", "view", "synonym"};
    for (int r = 0; r < 3; ++r) {
        QTreeWidgetItem* node = ui.TreeView1->topLevelItem(r);
        EXPECT_EQ(ObjectTree::keyOf(node), keys[r]);
        EXPECT_EQ(ObjectTree::tagOf(node), tags[r]);
        EXPECT_EQ(ObjectTree::imageOf(node), QStringLiteral("tables"));
        EXPECT_EQ(node->isExpanded(), r == 0) << r;
        for (int i = 0; i < node->childCount(); ++i) {
            QTreeWidgetItem* object = node->child(i);
            EXPECT_EQ(ObjectTree::tagOf(object), objectTags[r]);
            EXPECT_EQ(ObjectTree::imageOf(object), objectTags[r]);
            EXPECT_EQ(childTexts(object), QStringList{QStringLiteral("Columns 取得中...")});
            EXPECT_EQ(ObjectTree::tagOf(object->child(0)), QStringLiteral("dummy"));
        }
    }
    EXPECT_EQ(childTexts(root("TABLE")), tree->tableNames());
    EXPECT_EQ(childTexts(root("VIEW")), tree->viewNames());
    EXPECT_EQ(tree->tableCount(), c.tables);
    EXPECT_TRUE(tree->tableNames().contains(c.someTable));
    if (!c.someView.isEmpty()) {
        EXPECT_TRUE(tree->viewNames().contains(c.someView));
    }
    EXPECT_EQ(ui.TreeView1->currentItem(), root("TABLE"));
    EXPECT_EQ(ui.TabObjects->tabText(ui.TabObjects->currentIndex()), QStringLiteral("TABLE"));
    EXPECT_EQ(ui.LV_Found->topLevelItemCount(), 0);
    EXPECT_EQ(ui.L_Found->text(), QStringLiteral("検出："));
    EXPECT_EQ(layoutCalls, 1);
    EXPECT_EQ(tree->ownerFilter(), c.owner);

    // A second load replaces every node instead of adding to them.
    tree->loadObjectTree();
    EXPECT_EQ(ui.TreeView1->topLevelItemCount(), 3);
    EXPECT_EQ(root("TABLE")->childCount(), c.tables);
}

// The lists of each driver are CatalogReadTest's; here the nodes made of them.
INSTANTIATE_TEST_SUITE_P(Drivers, CatalogLoad,
                         testing::ValuesIn(catalogCases({"SqliteDemo", "PgChinookPublic"})),
                         catalogCaseName);

// The owner question, its retry, and reads that fail.

TEST_F(TreeTest, OwnerMatchingNothingAsksAndYesReadsEveryOwnerFromThenOn)
{
    connectTo(QString::fromLatin1(testenv::kPgChinookDsn));
    tree->setOwnerFilter(QStringLiteral("nobody"));
    prompts.queueAnswer(Answer::Yes);
    tree->loadObjectTree();

    ASSERT_EQ(prompts.boxes().size(), 1);
    const ScriptedPrompts::Box& box = prompts.boxes().first();
    EXPECT_EQ(box.title, QStringLiteral("TABLE/VIEW/SYNONYMの取得"));
    EXPECT_EQ(box.text, QStringLiteral("TABLE/VIEW/SYNONYMが取得できませんでした。") + kRetryTail);
    EXPECT_EQ(box.buttons, Prompts::Buttons::YesNo);
    EXPECT_EQ(box.icon, Prompts::Icon::Question);
    EXPECT_EQ(root("TABLE")->text(0), QStringLiteral("TABLE(11)"));
    EXPECT_EQ(tree->ownerFilter(), std::nullopt);

    // Columns are read without the owner as well, else "nobody" would find none.
    QTreeWidgetItem* album = expand("TABLE", QStringLiteral("album"));
    ASSERT_NE(album, nullptr);
    EXPECT_EQ(childTexts(album), (QStringList{"album_id", "title", "artist_id"}));
}

TEST_F(TreeTest, OwnerMatchingNothingAndNoLeavesBareRoots)
{
    connectTo(QString::fromLatin1(testenv::kPgChinookDsn));
    tree->setOwnerFilter(QStringLiteral("nobody"));
    prompts.queueAnswer(Answer::No);
    tree->loadObjectTree();

    EXPECT_EQ(prompts.boxes().size(), 1);
    EXPECT_EQ(topTexts(), (QStringList{"TABLE", "VIEW", "SYNONYM"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ui.TreeView1->topLevelItem(i)->childCount(), 0);
    EXPECT_EQ(tree->ownerFilter(), QStringLiteral("nobody"));
    EXPECT_EQ(tree->tableCount(), 0);
}

TEST_F(TreeTest, FailedReadAsksThenReportsTheFailedRetry)
{
    connectTo(QString::fromLatin1(testenv::kPgChinookDsn));
    tree->setOwnerFilter(QStringLiteral("public"));
    ASSERT_TRUE(testenv::pgStop());
    prompts.queueAnswer(Answer::Yes);
    tree->loadObjectTree();
    const bool restarted = testenv::pgStart();

    ASSERT_EQ(prompts.boxes().size(), 2);
    EXPECT_EQ(prompts.boxes()[0].text,
              QStringLiteral("TABLE/VIEW/SYNONYMの取得に失敗しました。") + kRetryTail);
    EXPECT_EQ(prompts.boxes()[1].title, QStringLiteral("TABLE/VIEW/SYNONYMの取得"));
    EXPECT_EQ(prompts.boxes()[1].text, QStringLiteral("TABLE/VIEW/SYNONYMが取得できません。"));
    EXPECT_EQ(prompts.boxes()[1].buttons, Prompts::Buttons::Ok);
    EXPECT_EQ(topTexts(), (QStringList{"TABLE", "VIEW", "SYNONYM"}));
    EXPECT_EQ(tree->ownerFilter(), QStringLiteral("public"));
    EXPECT_TRUE(restarted);
}

// Columns read on opening an object.

// The columns and keys each driver gives are CatalogReadTest's; here the nodes made of them.
class ColumnLoad : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        connectTo(QString(),
                  QString::fromStdString(testenv::freshSqliteConnStr("tree_columns.db")));
        exec(QStringLiteral("CREATE TABLE qv_tree_t (a INTEGER, b VARCHAR(20), c INTEGER, d "
                            "INTEGER)"));
        exec(QStringLiteral("CREATE UNIQUE INDEX qv_tree_ux ON qv_tree_t (c, b)"));
        exec(QStringLiteral("CREATE VIEW qv_tree_v AS SELECT a, b FROM qv_tree_t"));
        tree->loadObjectTree();
    }
};

TEST_F(ColumnLoad, TableShowsTypesAndIndexPositions)
{
    QTreeWidgetItem* table = expand("TABLE", QStringLiteral("qv_tree_t"));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(childTexts(table), (QStringList{"a", "b", "c", "d"}));
    const QStringList keys{QString(), "Primary Key #2", "Primary Key #1", QString()};
    for (int i = 0; i < 4; ++i) {
        QTreeWidgetItem* column = table->child(i);
        EXPECT_EQ(ObjectTree::tagOf(column), QStringLiteral("colname"));
        EXPECT_EQ(ObjectTree::imageOf(column), QStringLiteral("col"));
        ASSERT_EQ(column->childCount(), keys[i].isEmpty() ? 1 : 2) << i;
        EXPECT_EQ(ObjectTree::tagOf(column->child(0)), QStringLiteral("coltype"));
        EXPECT_EQ(ObjectTree::imageOf(column->child(0)), QStringLiteral("desc"));
        if (!keys[i].isEmpty()) {
            EXPECT_EQ(column->child(1)->text(0), keys[i]);
            EXPECT_EQ(ObjectTree::tagOf(column->child(1)), QStringLiteral("pkey"));
            EXPECT_EQ(ObjectTree::imageOf(column->child(1)), QStringLiteral("desc"));
        }
    }
    EXPECT_TRUE(
        table->child(1)->child(0)->text(0).contains(QStringLiteral("char"), Qt::CaseInsensitive));
    EXPECT_TRUE(
        table->child(0)->child(0)->text(0).startsWith(QStringLiteral("int"), Qt::CaseInsensitive));
    EXPECT_TRUE(ui.TreeView1->isEnabled());
}

TEST_F(ColumnLoad, ViewShowsViewColumnsWithoutKeys)
{
    QTreeWidgetItem* view = expand("VIEW", QStringLiteral("qv_tree_v"));
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(childTexts(view), (QStringList{"a", "b"}));
    for (int i = 0; i < view->childCount(); ++i) {
        EXPECT_EQ(ObjectTree::imageOf(view->child(i)), QStringLiteral("col_v"));
        EXPECT_EQ(view->child(i)->childCount(), 1);
    }
}

TEST_F(ColumnLoad, SecondOpeningNeverReadsAgain)
{
    QTreeWidgetItem* table = expand("TABLE", QStringLiteral("qv_tree_t"));
    ASSERT_NE(table, nullptr);
    table->setExpanded(false);
    exec(QStringLiteral("ALTER TABLE qv_tree_t ADD COLUMN e INTEGER"));
    table->setExpanded(true);
    EXPECT_EQ(table->childCount(), 4);
}

// Disconnected: no reload, and a column read that fails leaves the object empty for good.
TEST_F(TreeTest, DisconnectedTreeStaysAndFailedColumnReadIsFinal)
{
    connectTo(QString::fromLatin1(testenv::kChinookDsn));
    tree->loadObjectTree();
    db->DbDisconnect();
    tree->getTablesCommand();
    EXPECT_EQ(root("TABLE")->text(0), QStringLiteral("TABLE(11)"));
    QTreeWidgetItem* album = expand("TABLE", QStringLiteral("Album"));
    ASSERT_NE(album, nullptr);
    EXPECT_EQ(album->childCount(), 0);
    EXPECT_TRUE(ui.TreeView1->isEnabled());

    connectTo(QString::fromLatin1(testenv::kChinookDsn));
    album->setExpanded(false);
    album->setExpanded(true);
    EXPECT_EQ(album->childCount(), 0);
    EXPECT_TRUE(prompts.boxes().isEmpty());
}

TEST_F(TreeTest, TreeIsDisabledWhileColumnsAreRead)
{
    connectTo(QString::fromLatin1(testenv::kChinookDsn));
    tree->loadObjectTree();
    std::optional<bool> enabledDuringRead;
    QTimer::singleShot(0, [&] { enabledDuringRead = ui.TreeView1->isEnabled(); });
    QTreeWidgetItem* album = expand("TABLE", QStringLiteral("Album"));
    ASSERT_NE(album, nullptr);
    EXPECT_EQ(enabledDuringRead, false);
    EXPECT_TRUE(ui.TreeView1->isEnabled());
    EXPECT_EQ(childTexts(album), (QStringList{"AlbumId", "Title", "ArtistId"}));
    EXPECT_EQ(childTexts(album->child(0)).value(1), QStringLiteral("Primary Key #1"));
}

// A tree command that arrives while other work runs on the connection is refused whole, with
// the connection's one busy box: the tree stays as it was, and an object whose read was refused
// keeps its placeholder, so that opening it after the work reads it.
TEST_F(TreeTest, CommandsDuringOtherWorkAreRefusedWithTheBusyBox)
{
    connectTo(QString::fromLatin1(testenv::kChinookDsn));
    tree->loadObjectTree();
    const QString loadTitle = QStringLiteral("TABLE/VIEW/SYNONYMの取得");
    const QString columnsTitle = QStringLiteral("QUORVANT");
    QTreeWidgetItem* album = childNamed(root("TABLE"), QStringLiteral("Album"));
    QTreeWidgetItem* artist = childNamed(root("TABLE"), QStringLiteral("Artist"));
    ASSERT_TRUE(album != nullptr && artist != nullptr);
    const QStringList tables = childTexts(root("TABLE"));
    struct Row {
        const char* command;
        std::function<void()> run;
        QString title;
    };
    const Row rows[] = {
        {"reload", [&] { tree->getTablesCommand(); }, loadTitle},
        {"open an object", [&] { album->setExpanded(true); }, columnsTitle},
        {"read the columns for a popup command",
         [&] { EXPECT_FALSE(tree->readColumns(album).has_value()); }, columnsTitle},
    };
    for (const Row& row : rows) {
        prompts.clear();
        {
            const ConnectionWork::Scope work(db->work(), ConnectionWork::Kind::Execute);
            row.run();
        }
        ASSERT_EQ(prompts.boxes().size(), 1) << row.command;
        EXPECT_EQ(prompts.boxes()[0].title, row.title) << row.command;
        EXPECT_EQ(prompts.boxes()[0].text, ConnectionWork::busyText()) << row.command;
        EXPECT_EQ(prompts.boxes()[0].icon, Prompts::Icon::Warning) << row.command;
        EXPECT_EQ(childTexts(root("TABLE")), tables) << row.command;
        EXPECT_EQ(childTexts(album), QStringList{QStringLiteral("Columns 取得中...")})
            << row.command;
        EXPECT_FALSE(album->isExpanded()) << row.command;
    }

    // A reload reached from the events of a column read (real work on the connection's
    // thread) is refused the same way, and the read ends whole.
    prompts.clear();
    bool busyDuringRead = false;
    QTimer::singleShot(0, [&] {
        busyDuringRead = db->work().busy();
        tree->loadObjectTree();
    });
    artist->setExpanded(true);
    EXPECT_TRUE(busyDuringRead);
    ASSERT_EQ(prompts.boxes().size(), 1);
    EXPECT_EQ(prompts.boxes()[0].title, loadTitle);
    EXPECT_EQ(childTexts(artist), (QStringList{"ArtistId", "Name"}));
    EXPECT_EQ(root("TABLE"), ui.TreeView1->topLevelItem(0));

    // After the work the refused object opens as any other.
    album->setExpanded(true);
    EXPECT_EQ(childTexts(album), (QStringList{"AlbumId", "Title", "ArtistId"}));
    EXPECT_TRUE(ui.TreeView1->isEnabled());
    EXPECT_EQ(prompts.boxes().size(), 1);
}

// The image list's own drawings must survive linking from a static library.
TEST(TreeImagesTest, OwnImagesAreLinkedIn)
{
    EXPECT_EQ(TreeImages::keys(),
              (QStringList{"tables", "desc", "col", "col_v", "synonym", "table", "view"}));
    for (const char* key : {"col_v", "desc"})
        EXPECT_FALSE(TreeImages::icon(QLatin1String(key)).pixmap(16, 16).isNull()) << key;
}

} // namespace

// In the main window the controller is a child of the window created after the tree, so the
// tree dies first while its viewport, deleted as the tree's child, still gets events. The
// filter must not touch the half-destroyed tree then (the sanitizer build fails on such a
// call).
TEST(ObjectTreeLifetime, WindowDestroyedWithTheControllerOutlivingTheTree)
{
    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm db(lib, prompts);
    auto* window = new QWidget;
    ObjectTreeUi ui;
    ui.TreeView1 = new QTreeWidget(window);
    ui.LV_Found = new QTreeWidget(window);
    ui.L_Found = new QLabel(window);
    ui.Fra_Found = new QFrame(window);
    ui.TabObjects = new QTabBar(window);
    auto* tree = new ObjectTree(ui, db, prompts, window, window);
    window->show();
    QTest::mousePress(ui.TreeView1->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(tree->lastMouseButton(), Qt::RightButton);
    bool controllerGone = false;
    QObject::connect(tree, &QObject::destroyed, [&controllerGone] { controllerGone = true; });
    delete window;
    EXPECT_TRUE(controllerGone);
}
