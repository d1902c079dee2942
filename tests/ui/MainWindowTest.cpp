#include "AppFolderForTesting.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "app/AppServices.h"
#include "app/FrmVersion.h"
#include "app/QUORVANT.h"
#include "base/AppFolder.h"
#include "base/INIfile_IO.h"
#include "base/Settings.h"
#include "base/SqlHighlight.h"
#include "base/Twips.h"
#include "editor/SqlInputArea.h"
#include "history/ShowHist.h"
#include "history/ShowTemp.h"

#include "../app/UrlRecorder.h"
#include "WindowPart.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

namespace {

// Every test runs in its own program folder with its own settings file and scripted boxes.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        setAppFolderForTesting(dir_.path());
    }
    void TearDown() override
    {
        windows_.clear();
        services_.clear();
        setAppFolderForTesting(QString());
    }

    QUORVANT& openWindow(bool folderUnusable = false)
    {
        auto services = std::make_unique<AppServices>(prompts_, settings::settingsPath());
        services->connectAtStart = false;
        services->startDetached = [this](const QString& program) {
            started_ << program;
            return false;
        };
        if (folderUnusable)
            services->ini().refuseWrites();
        auto window = std::make_unique<QUORVANT>(*services);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        services_.push_back(std::move(services));
        windows_.push_back(std::move(window));
        return *windows_.back();
    }

    QString iniValue(const char* section, const char* key) const
    {
        return INIfile_IO(settings::settingsPath())
            .ReadIniValue(QLatin1String(section), QLatin1String(key));
    }
    void setIni(const char* section, const char* key, const QString& value)
    {
        INIfile_IO(settings::settingsPath())
            .WriteIniValue(QLatin1String(section), QLatin1String(key), value);
    }

    template <typename T> static T* child(QWidget& w, const char* name)
    {
        T* c = w.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }

    static void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                      : type == QEvent::MouseMove        ? Qt::LeftButton
                                                                         : button;
        QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    QStringList started_; // programs the window started
    std::vector<std::unique_ptr<AppServices>> services_;
    std::vector<std::unique_ptr<QUORVANT>> windows_;
};

struct MenuItem {
    const char* name;
    const char* caption; // nullptr: separator
    const char* shortcut;
    bool enabled;
};

struct MenuDef {
    const char* name;
    const char* caption;
    std::vector<MenuItem> items;
};

const std::vector<MenuDef>& commandMap()
{
    static const std::vector<MenuDef> menus = {
        {"mn_file",
         "ﾌｧｲﾙ(&F)",
         {{"mn_new_window", "新規の接続(&N)", "Ctrl+N", true},
          {"mn_sp0", nullptr, "", true},
          {"mn_connect", "DB接続(&C)", "", true},
          {"mn_disconnect", "DB切断(&D)", "", false},
          {"mn_reconnect", "DB再接続(&R)", "", false},
          {"mn_sp1", nullptr, "", true},
          {"mn_open_file", "SQLの読込(&O)", "Ctrl+O", true},
          {"mn_sp2", nullptr, "", true},
          {"mn_exit", "終了(&X)", "", true}}},
        {"mn_sql",
         "SQL(&S)",
         {{"mn_sql_go", "SQL実行(&I)", "Ctrl+I", false},
          {"mn_sql_stop", "SQL中断(&B)", "Ctrl+B", false},
          {"mn_sql_commit", "COMMIT(&C)", "", false},
          {"mn_sql_rollback", "ROLLBACK(&R)", "", false},
          {"mn_sql_undo", "直前のSQLを取り消す(&U)", "", false},
          {"mn_sql_askpending", "切断・終了時に未確定の変更を確認する(&A)", "", true},
          {"mn_sql_sp1", nullptr, "", true},
          {"mn_sql_temp", "SQLﾃﾝﾌﾟﾚｰﾄ(&T)...", "", true},
          {"mn_sql_history", "SQL入力履歴(&H)...", "", true},
          {"mn_sql_sp", nullptr, "", true},
          {"mn_sql_edit", "SQL編集(&E)", "Ctrl+E", true},
          {"mn_kwd_edit", "ｷｰﾜｰﾄﾞリスト編集(&K)", "", true}}},
        {"mn_grid",
         "結果編集(&G)",
         {{"mn_grid_edit", "セルを編集(&E)", "F2", true},
          {"mn_grid_null", "NULLにする(&N)", "Ctrl+0", true},
          {"mn_grid_add", "行を追加(&A)", "Ctrl+Ins", true},
          {"mn_grid_delete", "行を削除(&D)", "Ctrl+Del", true},
          {"mn_grid_sp", nullptr, "", true},
          {"mn_grid_apply", "変更を反映(&S)", "Ctrl+S", false},
          {"mn_grid_discard", "変更を破棄(&R)", "", false},
          {"mn_grid_sp2", nullptr, "", true},
          {"mn_grid_preview", "反映する文を先に表示する(&P)", "", true},
          {"mn_grid_original", "読んだ時の値から変わっていないことも確かめる(&O)", "", true}}},
        {"mn_display",
         "表示(&V)",
         {{"mn_disp_toolbar", "ツールバー(&T)", "", true},
          {"mn_disp_statusbar", "ステータスバー(&S)", "", true},
          {"mn_disp_sp", nullptr, "", true},
          {"mn_disp_kwdlist", "ｷｰﾜｰﾄﾞリスト(&K)", "", true},
          {"mn_disp_gridfilter", "SELECT結果のフィルター行(&F)", "", true},
          {"mn_disp_highlight", "SQLの色分け(&H)", "", true},
          {"mn_disp_sp2", nullptr, "", true},
          {"mn_disp_con2title", "接続情報をタイトルに表示(&C)", "", true}}},
        {"mn_tool",
         "ﾂｰﾙ(&T)",
         {{"mn_out_csv", "SELECT結果の保存(&S)...", "", true},
          {"mn_out_select", "SELECT実行＆保存(&W)...", "", false},
          {"mn_out_rest", "残りをファイルに保存...", "", false},
          {"mn_inp_csv", "ﾌｧｲﾙからTABLEへ登録(&L)...", "", false},
          {"mn_tool_sp", nullptr, "", true},
          {"mn_set_editor", "外部エディタの設定(&E)...", "", true},
          {"mn_kick_dsnadmin", "データソース アドミニストレータ(&D)...", "", true}}},
        {"mn_help",
         "ﾍﾙﾌﾟ(&H)",
         {{"mn_help_quorvant", "QUORVANTのヘルプ", "F1", true},
          {"mn_help_sp3", nullptr, "", true},
          {"mn_version", "バーション情報(&A)...", "", true}}},
    };
    return menus;
}

} // namespace

TEST_F(MainWindowTest, MenuBarHoldsTheCommandMapInOrder)
{
    QUORVANT& w = openWindow();
    const QList<QAction*> bar = w.menuBar()->actions();
    ASSERT_EQ(bar.size(), static_cast<qsizetype>(commandMap().size()));
    for (size_t m = 0; m < commandMap().size(); ++m) {
        const MenuDef& menuDef = commandMap()[m];
        QMenu* menu = bar[static_cast<qsizetype>(m)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), menuDef.name);
        EXPECT_EQ(menu->title(), QString::fromUtf8(menuDef.caption));
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(menuDef.items.size())) << menuDef.name;
        for (size_t i = 0; i < menuDef.items.size(); ++i) {
            const MenuItem& expected = menuDef.items[i];
            const QAction* a = items[static_cast<qsizetype>(i)];
            SCOPED_TRACE(expected.name);
            EXPECT_EQ(a->objectName(), expected.name);
            if (expected.caption == nullptr) {
                EXPECT_TRUE(a->isSeparator());
                continue;
            }
            EXPECT_EQ(a->text(), QString::fromUtf8(expected.caption));
            EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(expected.shortcut)));
            EXPECT_EQ(a->isEnabled(), expected.enabled);
        }
    }
}

TEST_F(MainWindowTest, PopupMenusAreBuiltButNotOnTheMenuBar)
{
    QUORVANT& w = openWindow();
    struct Popup {
        const char* name;
        const char* caption;
        std::vector<const char*> items;
    };
    const Popup popups[] = {
        {"mn_mouse",
         "mouse action",
         {"mn_copy_sql", "mn_copy_clip", "mn_copy_allcols_sql", "mn_copy_allcols_clip",
          "mn_disp_cols_all", "mn_disp_cols_name", "mn_quick_sqlstmt_0", "mn_quick_sqlstmt_6"}},
        {"mn_mouse2", "mouse action2", {"mn_get_tables"}},
        {"mn_mouse3",
         "mouse action3",
         {"mn_LV_subitem_copy_sql_0", "mn_LV_subitem_copy_clip_4", "mn_LV_sp", "mn_LV_out_rest"}},
        {"mn_mouse4", "mouse action4", {"mn_colcopy_sql", "mn_colcopy_clip"}},
        {"mn_mouse5", "mouse action5", {"mn_kwdcopy_sql", "mn_kwdcopy_clip"}},
        {"mn_mouse6",
         "mouse action6",
         {"mn_LV_subitem_all_copy_sql_0", "mn_LV_subitem_all_copy_clip_1"}},
        {"mn_mouse7", "mouse action5", {"mn_objcopy_sql", "mn_objcopy_clip"}},
    };
    const QList<QAction*> bar = w.menuBar()->actions();
    for (const Popup& p : popups) {
        SCOPED_TRACE(p.name);
        auto* menu = child<QMenu>(w, p.name);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->title(), QString::fromUtf8(p.caption));
        EXPECT_FALSE(menu->isVisible());
        EXPECT_FALSE(bar.contains(menu->menuAction()));
        for (const char* item : p.items)
            EXPECT_NE(menu->findChild<QAction*>(QString::fromLatin1(item)), nullptr) << item;
    }
    auto* quick = child<QMenu>(w, "mn_quick_sql");
    EXPECT_EQ(quick->actions().size(), 7);
    EXPECT_EQ(child<QMenu>(w, "mn_LV_subitem_2")->title(), "' 列データ '");
    EXPECT_EQ(child<QMenu>(w, "mn_LV_subitem_all_1")->title(), "全列データ（１行分）");
    EXPECT_EQ(child<QMenu>(w, "mn_disp_cols")->title(), "列属性 → SELECT結果ペイン");
    // Popup commands of later features do nothing yet, and say nothing.
    child<QAction>(w, "mn_copy_sql")->trigger();
    EXPECT_TRUE(prompts_.boxes().isEmpty());
}

TEST_F(MainWindowTest, ToolbarButtonsHaveKeysTooltipsAndImagesAroundThePlaceholder)
{
    QUORVANT& w = openWindow();
    auto* toolbar = child<QToolBar>(w, "Toolbar1");
    ASSERT_NE(toolbar, nullptr);
    const std::vector<std::pair<const char*, const char*>> buttons = {
        {"connect", "DB接続"},
        {"discon", "DB切断"},
        {"go", "SQL実行"},
        {"stop", "SQL中断"},
        {"ok", "COMMIT"},
        {"ng", "ROLLBACK"},
        {"undo", "直前のSQLを取り消す"},
        {"temp", "SQLﾃﾝﾌﾟﾚｰﾄ"},
        {"hist", "SQL入力履歴"},
        {"save", "SELECT結果の保存"},
        {"inst", "ファイルからTABLEへ登録"}};
    QStringList keysInOrder;
    int placeholderPosition = -1;
    int position = 0;
    for (QAction* a : toolbar->actions()) {
        if (a->isSeparator())
            continue;
        ++position;
        if (a->objectName() == "tb_placeholder")
            placeholderPosition = position;
        else
            keysInOrder << a->property("key").toString();
    }
    EXPECT_EQ(placeholderPosition, 3);
    ASSERT_EQ(keysInOrder.size(), static_cast<qsizetype>(buttons.size()));
    for (size_t i = 0; i < buttons.size(); ++i) {
        const QString key = QString::fromLatin1(buttons[i].first);
        SCOPED_TRACE(buttons[i].first);
        EXPECT_EQ(keysInOrder[static_cast<qsizetype>(i)], key);
        auto* a = toolbar->findChild<QAction*>(QStringLiteral("tb_") + key);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->toolTip(), QString::fromUtf8(buttons[i].second));
        EXPECT_FALSE(a->icon().isNull());
    }
    auto* placeholder = child<QWidget>(w, "tb_placeholder");
    EXPECT_EQ(placeholder->width(), twips::toPixels(4000));
    EXPECT_EQ(child<QWidget>(w, "Pict_db")->parentWidget(), placeholder);
    EXPECT_EQ(child<QLabel>(w, "Label2")->text(), "DB:");

    // Before the first connect only the connect button works.
    EXPECT_TRUE(toolbar->findChild<QAction*>("tb_connect")->isEnabled());
    for (const char* off : {"tb_discon", "tb_go", "tb_stop", "tb_ok", "tb_ng", "tb_inst"})
        EXPECT_FALSE(toolbar->findChild<QAction*>(off)->isEnabled()) << off;
    // An unknown key does nothing.
    w.toolbarCommand(QStringLiteral("nothing"));
    EXPECT_TRUE(prompts_.boxes().isEmpty());
}

TEST_F(MainWindowTest, EveryPaneIsThereWithItsCaptions)
{
    QUORVANT& w = openWindow();
    for (const char* name :
         {"Toolbar1",    "Pict_db",        "Label2",    "TB_DSN",      "Img_slide", "Cmd_srch_obj",
          "CB_srch_obj", "TabObjects",     "TreeView1", "Fra_Found",   "L_Found",   "LV_Found",
          "L_split",     "TabStrip1",      "Frm_q",     "Cmd_srch_wd", "Lst_kwd",   "TB_SQL",
          "Fra_SqlInfo", "Cmd_start_stop", "L_cols",    "L_rows",      "L_sec",     "L_msg",
          "ListView1",   "StatusBar1"})
        EXPECT_NE(w.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;

    auto tabs = [](QTabBar* bar) {
        QStringList t;
        for (int i = 0; i < bar->count(); ++i)
            t << bar->tabText(i);
        return t;
    };
    auto* objects = child<QTabBar>(w, "TabObjects");
    EXPECT_EQ(tabs(objects), QStringList({"ALL", "TABLE", "VIEW", "SYNONYM"}));
    EXPECT_EQ(objects->shape(), QTabBar::RoundedWest);
    EXPECT_EQ(tabs(child<QTabBar>(w, "TabStrip1")), QStringList({"SQL入力", "履 歴 ", "ﾃﾝﾌﾟﾚｰﾄ"}));
    EXPECT_EQ(child<QLabel>(w, "L_Found")->text(), "検出：");
    EXPECT_EQ(child<QToolButton>(w, "Cmd_srch_wd")->text(), "？");
    EXPECT_FALSE(child<QToolButton>(w, "Cmd_start_stop")->isEnabled());
    EXPECT_EQ(child<QComboBox>(w, "CB_srch_obj")->count(), 1);
    EXPECT_EQ(child<QWidget>(w, "LV_Found")->height(), 0);

    auto* status = child<QStatusBar>(w, "StatusBar1");
    const std::pair<const char*, const char*> panels[] = {
        {"status", "SQLCode:"}, {"cnt", "行数:"}, {"time", "実行時間："}, {"msg", ""}};
    for (const auto& [key, text] : panels)
        EXPECT_EQ(status->findChild<QLabel*>(QString::fromLatin1(key))->text(),
                  QString::fromUtf8(text))
            << key;
}

TEST_F(MainWindowTest, FirstStartShowsNoOptionalPanes)
{
    QUORVANT& w = openWindow();
    for (const char* option : {"mn_disp_toolbar", "mn_disp_statusbar", "mn_disp_kwdlist",
                               "mn_disp_gridfilter", "mn_disp_con2title"}) {
        auto* a = child<QAction>(w, option);
        EXPECT_TRUE(a->isCheckable()) << option;
        EXPECT_FALSE(a->isChecked()) << option;
    }
    EXPECT_FALSE(child<QWidget>(w, "Toolbar1")->isVisible());
    EXPECT_FALSE(child<QWidget>(w, "StatusBar1")->isVisible());
    EXPECT_FALSE(child<QWidget>(w, "Lst_kwd")->isVisible());
    EXPECT_FALSE(child<QWidget>(w, "Fra_filter")->isVisible());
    // The colouring alone is on from the start.
    EXPECT_TRUE(child<QAction>(w, "mn_disp_highlight")->isChecked());
    EXPECT_TRUE(part<SqlInputArea>(w).highlighter().isOn());
    EXPECT_EQ(w.windowTitle(), "QUORVANT");
    EXPECT_EQ(child<QWidget>(w, "TabStrip1")->y(), 0);
    EXPECT_EQ(child<QWidget>(w, "Cmd_srch_obj")->y(), 0);
}

TEST_F(MainWindowTest, DisplayOptionsSurviveARestart)
{
    {
        QUORVANT& first = openWindow();
        child<QAction>(first, "mn_disp_toolbar")->trigger();
        child<QAction>(first, "mn_disp_kwdlist")->trigger();
        child<QAction>(first, "mn_disp_gridfilter")->trigger();
        child<QAction>(first, "mn_disp_con2title")->trigger();
        child<QAction>(first, "mn_disp_highlight")->trigger();
        // Nothing is written before the window closes.
        EXPECT_TRUE(iniValue("WINDOW", "ToolBar").isEmpty());
        first.close();
    }
    EXPECT_EQ(iniValue("WINDOW", "ToolBar"), "ON");
    EXPECT_EQ(iniValue("WINDOW", "StatusBar"), "OFF");
    EXPECT_EQ(iniValue("WINDOW", "KwdList"), "ON");
    EXPECT_EQ(iniValue("WINDOW", "GridFilter"), "ON");
    EXPECT_EQ(iniValue("WINDOW", "Con2Title"), "ON");
    EXPECT_EQ(iniValue("WINDOW", "Highlight"), "OFF");
    EXPECT_FALSE(iniValue("WINDOW", "MAIN").isEmpty());

    QUORVANT& second = openWindow();
    EXPECT_TRUE(child<QAction>(second, "mn_disp_toolbar")->isChecked());
    EXPECT_FALSE(child<QAction>(second, "mn_disp_statusbar")->isChecked());
    EXPECT_TRUE(child<QAction>(second, "mn_disp_kwdlist")->isChecked());
    EXPECT_TRUE(child<QAction>(second, "mn_disp_con2title")->isChecked());
    EXPECT_FALSE(child<QAction>(second, "mn_disp_highlight")->isChecked());
    EXPECT_FALSE(part<SqlInputArea>(second).highlighter().isOn());
    EXPECT_FALSE(part<ShowHist>(second).highlighter().isOn());
    EXPECT_FALSE(part<ShowTemp>(second).highlighter().isOn());
    EXPECT_TRUE(child<QWidget>(second, "Toolbar1")->isVisible());
    EXPECT_TRUE(child<QWidget>(second, "Pict_db")->isVisible());
    EXPECT_TRUE(child<QWidget>(second, "Lst_kwd")->isVisible());
    // The filter row stands on the grid, which starts below it.
    const QWidget* filter = child<QWidget>(second, "Fra_filter");
    EXPECT_TRUE(filter->isVisible());
    EXPECT_EQ(child<QWidget>(second, "ListView1")->y(), filter->geometry().bottom() + 1);
    EXPECT_FALSE(child<QWidget>(second, "StatusBar1")->isVisible());
    // Connected information is only shown while connected.
    EXPECT_EQ(second.windowTitle(), "QUORVANT");
}

TEST_F(MainWindowTest, OnlyUpperCaseOnCountsAndOffIsWrittenBack)
{
    setIni("WINDOW", "ToolBar", QStringLiteral("on"));
    setIni("WINDOW", "StatusBar", QStringLiteral("ON"));
    setIni("WINDOW", "KwdList", QStringLiteral("yes"));
    QUORVANT& w = openWindow();
    EXPECT_FALSE(child<QAction>(w, "mn_disp_toolbar")->isChecked());
    EXPECT_FALSE(child<QWidget>(w, "Toolbar1")->isVisible());
    EXPECT_TRUE(child<QAction>(w, "mn_disp_statusbar")->isChecked());
    EXPECT_TRUE(child<QWidget>(w, "StatusBar1")->isVisible());
    EXPECT_FALSE(child<QAction>(w, "mn_disp_kwdlist")->isChecked());
    w.close();
    EXPECT_EQ(iniValue("WINDOW", "ToolBar"), "OFF");
    EXPECT_EQ(iniValue("WINDOW", "StatusBar"), "ON");
    EXPECT_EQ(iniValue("WINDOW", "KwdList"), "OFF");
}

TEST_F(MainWindowTest, OptionCommandsMoveThePanes)
{
    QUORVANT& w = openWindow();
    auto* tabStrip = child<QWidget>(w, "TabStrip1");
    auto* sql = child<QWidget>(w, "TB_SQL");
    auto* grid = child<QWidget>(w, "ListView1");
    const int gridBottom = grid->geometry().bottom();

    child<QAction>(w, "mn_disp_toolbar")->trigger();
    EXPECT_TRUE(child<QWidget>(w, "Toolbar1")->isVisible());
    EXPECT_EQ(tabStrip->y(), child<QWidget>(w, "Toolbar1")->height());

    child<QAction>(w, "mn_disp_statusbar")->trigger();
    auto* status = child<QWidget>(w, "StatusBar1");
    EXPECT_TRUE(status->isVisible());
    EXPECT_LE(grid->geometry().bottom(), status->y());
    EXPECT_LT(grid->geometry().bottom(), gridBottom);

    const QRect before = sql->geometry();
    child<QAction>(w, "mn_disp_kwdlist")->trigger();
    auto* kwd = child<QWidget>(w, "Lst_kwd");
    EXPECT_TRUE(kwd->isVisible());
    EXPECT_EQ(kwd->x(), before.x());
    EXPECT_EQ(sql->x(), before.x() + kwd->width());
    EXPECT_NEAR(sql->width(), before.width() - kwd->width(), 1);
    // An empty keyword list is 400 wide.
    EXPECT_EQ(kwd->width(), twips::toPixels(400));

    child<QAction>(w, "mn_disp_kwdlist")->trigger();
    EXPECT_FALSE(kwd->isVisible());
    EXPECT_EQ(sql->geometry(), before);

    child<QAction>(w, "mn_disp_con2title")->trigger();
    EXPECT_EQ(w.windowTitle(), "QUORVANT");
}

TEST_F(MainWindowTest, DragBarsMoveTheBordersWithinTheirBounds)
{
    QUORVANT& w = openWindow();
    w.resize(780, 560);
    QApplication::processEvents();
    auto* split = child<QWidget>(w, "L_split");
    auto* tree = child<QWidget>(w, "TreeView1");
    auto* sql = child<QWidget>(w, "TB_SQL");
    const int treeWidth = tree->width();
    const int sqlLeft = sql->x();

    mouse(split, QEvent::MouseButtonPress, {1, 50}, Qt::LeftButton);
    mouse(split, QEvent::MouseMove, {41, 50}, Qt::NoButton);
    mouse(split, QEvent::MouseButtonRelease, {41, 50}, Qt::LeftButton);
    EXPECT_EQ(tree->width(), treeWidth + 40);
    EXPECT_EQ(sql->x(), sqlLeft + 40);
    EXPECT_EQ(split->x() + split->width(), sql->x());

    // Too close to the left edge: ignored.
    mouse(split, QEvent::MouseButtonPress, {1, 50}, Qt::LeftButton);
    mouse(split, QEvent::MouseMove, {1 - split->x() + 10, 50}, Qt::NoButton);
    mouse(split, QEvent::MouseButtonRelease, {0, 50}, Qt::LeftButton);
    EXPECT_EQ(tree->width(), treeWidth + 40);

    // A move without a press does nothing.
    mouse(split, QEvent::MouseMove, {100, 50}, Qt::NoButton);
    EXPECT_EQ(tree->width(), treeWidth + 40);

    auto* info = child<QWidget>(w, "Fra_SqlInfo");
    const int sqlHeight = sql->height();
    mouse(info, QEvent::MouseButtonPress, {200, 5}, Qt::LeftButton);
    mouse(info, QEvent::MouseMove, {200, 65}, Qt::NoButton);
    mouse(info, QEvent::MouseButtonRelease, {200, 65}, Qt::LeftButton);
    EXPECT_EQ(sql->height(), sqlHeight + 60);
    EXPECT_EQ(info->y(), sql->geometry().bottom() + 1);
    EXPECT_EQ(child<QWidget>(w, "ListView1")->y(), info->geometry().bottom() + 1);

    // The input area never gets lower than 500 twips.
    mouse(info, QEvent::MouseButtonPress, {200, 5}, Qt::LeftButton);
    mouse(info, QEvent::MouseMove, {200, -sqlHeight - 50}, Qt::NoButton);
    mouse(info, QEvent::MouseButtonRelease, {200, 0}, Qt::LeftButton);
    EXPECT_EQ(sql->height(), sqlHeight + 60);

    auto* found = child<QWidget>(w, "L_Found");
    auto* list = child<QWidget>(w, "LV_Found");
    const int treeHeight = tree->height();
    mouse(found, QEvent::MouseButtonPress, {10, 2}, Qt::LeftButton);
    mouse(found, QEvent::MouseMove, {10, -98}, Qt::NoButton);
    mouse(found, QEvent::MouseButtonRelease, {10, -98}, Qt::LeftButton);
    EXPECT_EQ(tree->height(), treeHeight - 100);
    EXPECT_EQ(list->height(), 100);

    auto* slide = child<QWidget>(w, "Img_slide");
    auto* dsn = child<QWidget>(w, "TB_DSN");
    const int dsnWidth = dsn->width();
    mouse(slide, QEvent::MouseButtonPress, {3, 5}, Qt::LeftButton);
    mouse(slide, QEvent::MouseMove, {33, 5}, Qt::NoButton);
    mouse(slide, QEvent::MouseButtonRelease, {33, 5}, Qt::LeftButton);
    EXPECT_EQ(dsn->width(), dsnWidth + 30);
    EXPECT_EQ(child<QWidget>(w, "tb_placeholder")->width(), twips::toPixels(4000 + 450));
}

TEST_F(MainWindowTest, BadPlacementsLeaveTheWindowOnTheScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* placement :
         {"abc", "0,0,-500,3000", "-900,-900,999999,999999", "1,2", "99999,99999,9000,6000"}) {
        SCOPED_TRACE(placement);
        setIni("WINDOW", "MAIN", QString::fromLatin1(placement));
        QUORVANT& w = openWindow();
        EXPECT_GE(w.width(), 200);
        EXPECT_GE(w.height(), 150);
        EXPECT_TRUE(screen.contains(w.geometry()))
            << w.geometry().x() << "," << w.geometry().y() << " " << w.width() << "x" << w.height();
        w.close();
    }
}

TEST_F(MainWindowTest, PlacementIsSavedButNotWhileMinimised)
{
    setIni("WINDOW", "MAIN", QStringLiteral("150,300,9000,6000"));
    {
        QUORVANT& w = openWindow();
        EXPECT_EQ(w.width(), 600);
        EXPECT_EQ(w.height(), 400);
        w.resize(640, 420);
        w.close();
    }
    const QStringList saved = iniValue("WINDOW", "MAIN").split(',');
    ASSERT_EQ(saved.size(), 4);
    EXPECT_EQ(saved[2], "9600");
    EXPECT_EQ(saved[3], "6300");

    setIni("WINDOW", "MAIN", QStringLiteral("150,300,9000,6000"));
    QUORVANT& w = openWindow();
    w.showMinimized();
    QApplication::processEvents();
    if (!w.isMinimized())
        GTEST_SKIP() << "the platform does not minimise windows";
    w.close();
    EXPECT_EQ(iniValue("WINDOW", "MAIN"), "150,300,9000,6000");
}

TEST_F(MainWindowTest, HelpOpensTheConfiguredAddressElseTheLocalPage)
{
    UrlRecorder opener{"file", "https"};
    QDir(dir_.path()).mkpath(QStringLiteral("HELP"));
    QFile page(dir_.path() + QStringLiteral("/HELP/index.htm"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();

    {
        QUORVANT& w = openWindow();
        child<QAction>(w, "mn_help_quorvant")->trigger();
        w.close();
    }
    setIni("HELP", "URL", QStringLiteral("https://example.invalid/quorvant/help"));
    QUORVANT& w = openWindow();
    child<QAction>(w, "mn_help_quorvant")->trigger();

    ASSERT_EQ(opener.opened.size(), 2);
    EXPECT_EQ(opener.opened[0], QUrl::fromLocalFile(AppFolder() + "HELP/index.htm"));
    EXPECT_EQ(opener.opened[1], QUrl("https://example.invalid/quorvant/help"));
    EXPECT_TRUE(prompts_.boxes().isEmpty());
}

TEST_F(MainWindowTest, DataSourceAdministratorFallsBackToTheUserFile)
{
    if (QFileInfo::exists(QStringLiteral("/usr/bin/ODBCManageDataSourcesQ5")))
        GTEST_SKIP() << "the graphical administrator is installed";
    UrlRecorder opener{"file"};
    const QByteArray saved = qgetenv("ODBCINI");
    const QString userFile = dir_.path() + QStringLiteral("/user-odbc.ini");
    qputenv("ODBCINI", userFile.toLocal8Bit());
    QUORVANT& w = openWindow();
    child<QAction>(w, "mn_kick_dsnadmin")->trigger();
    qputenv("ODBCINI", saved);

    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(opener.opened[0], QUrl::fromLocalFile(userFile));
    // A new file is private: it will hold passwords.
    EXPECT_EQ(QFile::permissions(userFile) & 0x0077, QFileDevice::Permissions());
}

// The new instance is the running executable, wherever the program folder is; a failed start
// says nothing.
TEST_F(MainWindowTest, NewInstanceStartsThisExecutableAndIsSilentWhenItCannot)
{
    QUORVANT& w = openWindow();
    child<QAction>(w, "mn_new_window")->trigger();
    ASSERT_EQ(started_.size(), 1);
    EXPECT_EQ(QFileInfo(started_[0]).canonicalFilePath(),
              QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    EXPECT_TRUE(prompts_.boxes().isEmpty());
    EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindowTest, AboutWindowShowsTitleVersionAndAuthor)
{
    QUORVANT& w = openWindow();
    child<QAction>(w, "mn_version")->trigger();
    auto* about = child<FrmVersion>(w, "FrmVersion");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle(), "バージョン情報");
    EXPECT_EQ(about->findChild<QLabel*>("L_title_0")->text(), "QUORVANT");
    const QStringList lines = about->findChild<QLabel*>("L_title_1")->text().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "Ver.2.5.27");
    EXPECT_TRUE(lines[1].endsWith("）"));
    EXPECT_TRUE(lines[1].contains("（"));

    auto* ok = about->findChild<QPushButton*>("Command1");
    EXPECT_EQ(ok->text(), "OK");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about->isVisible());
}

// A settings file that is there but cannot be read (here: a folder of that name) keeps what it
// holds; the user is told once, however many settings the exit would save.
TEST_F(MainWindowTest, UnreadableSettingsFileIsKeptAndReportedOnce)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("QUORVANT.INI")));
    QUORVANT& w = openWindow();
    w.close();
    int reports = 0;
    for (const auto& box : prompts_.boxes())
        reports += box.text.contains(QStringLiteral("QUORVANT.INI")) ? 1 : 0;
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(QFileInfo(settings::settingsPath()).isDir());
}

// A program folder that could not be made (a file in its place): the window still starts, the
// user is told once which folder it is, and the file stays as it was.
TEST_F(MainWindowTest, UnusableProgramFolderIsReportedOnceAndTouchesNothing)
{
    const QString blocker = dir_.path() + QStringLiteral("/quorvant");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();
    setAppFolderForTesting(blocker);
    QUORVANT& w = openWindow(true);
    EXPECT_TRUE(w.isVisible());
    child<QAction>(w, "mn_exit")->trigger();
    int reports = 0;
    for (const auto& box : prompts_.boxes())
        reports += box.text.contains(blocker) ? 1 : 0;
    EXPECT_EQ(reports, 1);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "keep");
}

TEST_F(MainWindowTest, ExitRunsTheUnloadAndClosesOwnedWindows)
{
    QUORVANT& w = openWindow();
    child<QAction>(w, "mn_version")->trigger();
    auto* about = child<QWidget>(w, "FrmVersion");
    child<QAction>(w, "mn_exit")->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(iniValue("WINDOW", "ToolBar"), "OFF");
    // The connection history was saved too.
    EXPECT_EQ(iniValue("CONNHIST", "SAVE"), "OFF");
}

TEST_F(MainWindowTest, ConnectionCommandsDriveTheWindowState)
{
    setIni("WINDOW", "Con2Title", QStringLiteral("ON"));
    setIni("DataSource QV_DEMO", "Production", QStringLiteral("ON"));
    setIni("DataSource QV_DEMO", "ReadOnly", QStringLiteral("ON"));
    QUORVANT& w = openWindow();
    QTimer::singleShot(0, &w, [&w] {
        auto* dialog = w.findChild<QDialog*>(QStringLiteral("ConnectDS"));
        ASSERT_NE(dialog, nullptr);
        auto* sources = dialog->findChild<QComboBox*>(QStringLiteral("Combo1"));
        const int index =
            sources->findText(QString::fromLatin1(testenv::kDemoDsn) + "(", Qt::MatchStartsWith);
        if (index < 0) {
            // Never leave the modal dialog open: the test would hang instead of failing.
            dialog->reject();
            FAIL() << "data source missing; is the test environment started?";
        }
        sources->setCurrentIndex(index);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Cmd_OK")),
                          Qt::LeftButton);
    });
    auto* toolbar = child<QToolBar>(w, "Toolbar1");
    auto* tbConnect = toolbar->findChild<QAction*>("tb_connect");
    tbConnect->trigger();

    ASSERT_TRUE(child<QAction>(w, "mn_disconnect")->isEnabled()) << prompts_.boxes().size();
    EXPECT_FALSE(child<QAction>(w, "mn_connect")->isEnabled());
    EXPECT_TRUE(child<QAction>(w, "mn_sql_go")->isEnabled());
    EXPECT_TRUE(child<QAction>(w, "mn_inp_csv")->isEnabled());
    EXPECT_TRUE(tbConnect->isChecked());
    EXPECT_FALSE(tbConnect->isEnabled());
    EXPECT_TRUE(toolbar->findChild<QAction*>("tb_inst")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(w, "TB_DSN")->text().startsWith("DSN=QV_DEMO;"));
    EXPECT_TRUE(w.windowTitle().startsWith("【本番】【読取専用】QUORVANT - DSN=QV_DEMO;"))
        << w.windowTitle().toStdString();
    // A production and read-only source frames the input area: red sides, blue top.
    auto* sql = child<QPlainTextEdit>(w, "TB_SQL");
    const auto edgeColour = [sql](bool top = false) {
        const QImage image = sql->grab().toImage();
        return top ? image.pixelColor(image.width() / 2, 1)
                   : image.pixelColor(1, image.height() / 2);
    };
    EXPECT_EQ(edgeColour(), QColor(220, 0, 0));
    EXPECT_EQ(edgeColour(true), QColor(0, 90, 220));
    // The connect filled the object tree from the demo database.
    auto* tree = child<QTreeWidget>(w, "TreeView1");
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "TABLE(7)");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "VIEW(1)");
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());

    // The title option follows its check mark while connected.
    child<QAction>(w, "mn_disp_con2title")->trigger();
    EXPECT_EQ(w.windowTitle(), "【本番】【読取専用】QUORVANT");
    child<QAction>(w, "mn_disp_con2title")->trigger();
    EXPECT_NE(w.windowTitle(), "QUORVANT");

    w.toolbarCommand(QStringLiteral("discon"));
    EXPECT_FALSE(services_.back()->db().DbIsConnected());
    EXPECT_TRUE(child<QAction>(w, "mn_reconnect")->isEnabled());
    EXPECT_TRUE(toolbar->findChild<QAction*>("tb_discon")->isChecked());
    EXPECT_EQ(w.windowTitle(), "QUORVANT");
    EXPECT_NE(edgeColour(), QColor(220, 0, 0));

    child<QAction>(w, "mn_reconnect")->trigger();
    EXPECT_TRUE(services_.back()->db().DbIsConnected());
    // Closing the window disconnects (committing) before the program ends.
    w.close();
    EXPECT_FALSE(services_.back()->db().DbIsConnected());
    EXPECT_TRUE(prompts_.boxes().isEmpty());
}
