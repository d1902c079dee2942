#pragma once

#include "app/MainLayout.h"
#include "browser/ObjectCommands.h"
#include "browser/ObjectSearch.h"
#include "browser/ObjectTree.h"
#include "connect/ConnectionState.h"
#include "editor/KeywordList.h"
#include "editor/SqlInputArea.h"
#include "sqlexec/GridEditor.h"
#include "sqlexec/ResultGridCommands.h"
#include "sqlexec/SqlRunner.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class GridFilterRow;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QMenu;
class QObject;
class QPlainTextEdit;
class QStatusBar;
class QTabBar;
class QTableView;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QWidget;

// The widgets, actions, menus, popup menus and toolbar of the main window, built in code. The
// window keeps its lifecycle, layout and dragging; the controllers get their part of the widgets
// as their ...Ui structs from here. Members carry the control names the window always had.
//
// Commands: every menu and popup item carries the property "command", its objectName (the
// items of "クイック SQL" share "mn_quick_sqlstmt" and carry their "index"); every toolbar
// button carries its key in "key" and in "command" the menu command it stands for. action() finds
// either by name, so a toolbar key leads to its button and the button to its command in one step.
class MainWindowUi {
public:
    // One entry of the "表示" menu: the settings key it is stored under, its check item, the
    // panes it shows and hides, and the layout flag it sets (null when it only changes the
    // title).
    struct DisplayOption {
        const char* settingsKey = nullptr;
        QAction* item = nullptr;
        QList<QWidget*> panes;
        bool MainLayout::*layoutFlag = nullptr;
        bool onWhenMissing = false;
    };

    // Builds every pane as a child of client, the menus on window's menu bar and the popup
    // menus as window's children. Presses on the drag bars go to dragFilter. The window's font
    // must be set before, since row heights and the fetch strip are measured in it.
    void setupUi(QMainWindow* window, QWidget* client, QObject* dragFilter);

    // A menu or popup item by objectName, or a toolbar button by key; null when there is none.
    QAction* action(const QString& name) const;
    // Every menu and popup item that runs a command (not the toolbar buttons).
    const QList<QAction*>& commandItems() const { return commandItems_; }
    const std::vector<DisplayOption>& displayOptions() const { return displayOptions_; }
    // Items 1 to 6 of "クイック SQL", added at load as the control array grows; returned so that
    // the window can wire them.
    QList<QAction*> addQuickSqlItems();

    // The controllers' widgets. owner is the window that owns their boxes.
    ConnectionUi connectionUi(QWidget* owner) const;
    ObjectTreeUi objectTreeUi(std::function<void()> moveSearchHeaderToBottom) const;
    // The layout hooks (LV_Found's height) are the window's to fill.
    ObjectSearchUi objectSearchUi() const;
    ObjectCommandsUi objectCommandsUi() const;
    SqlRunnerUi sqlRunnerUi(QWidget* owner) const;
    GridEditorUi gridEditorUi(QWidget* owner) const;
    SqlInputAreaUi sqlInputAreaUi(QWidget* owner) const;
    ResultGridUi resultGridUi() const;
    KeywordListUi keywordListUi() const;

    QToolBar* Toolbar1 = nullptr;
    QWidget* placeholder = nullptr; // the toolbar's third item, holding Pict_db
    QFrame* Pict_db = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* TB_DSN = nullptr;
    QLabel* Img_slide = nullptr;
    QToolButton* Cmd_srch_obj = nullptr;
    QComboBox* CB_srch_obj = nullptr;
    QTabBar* TabObjects = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QFrame* Fra_Found = nullptr;
    QLabel* L_Found = nullptr;
    QTreeWidget* LV_Found = nullptr;
    QFrame* L_split = nullptr;
    QTabBar* TabStrip1 = nullptr;
    QFrame* Frm_q = nullptr;
    QToolButton* Cmd_srch_wd = nullptr;
    QToolButton* Cmd_q[2] = {}; // 0 searches right, 1 left
    // Browse position, its two arrow buttons and "ｸﾘｱ", on the tab row beside Frm_q.
    QFrame* Frm_sql_nav = nullptr;
    QLabel* L_sql_no = nullptr;
    QToolButton* Cmd_updwn[2] = {};
    QToolButton* Cmd_clear = nullptr;
    QListWidget* Lst_kwd = nullptr;
    QPlainTextEdit* TB_SQL = nullptr;
    QFrame* Fra_SqlInfo = nullptr;
    QToolButton* Cmd_start_stop = nullptr;
    QLabel* L_cols = nullptr;
    QLabel* L_rows = nullptr;
    QLabel* L_sec = nullptr;
    QLabel* L_msg = nullptr;
    // The strip's captions "時間:", "秒", "FETCH", "列", "行" (L_fetch_0 to L_fetch_4).
    QLabel* fetchCaption[5] = {};
    QTableView* ListView1 = nullptr;
    GridFilterRow* Fra_filter = nullptr; // filter boxes over ListView1's columns
    QStatusBar* StatusBar1 = nullptr;
    QLabel* panel[4] = {};            // status bar panels "status", "cnt", "time", "msg"
    QToolButton* L_pending = nullptr; // the uncommitted statements
    QLabel* L_edits = nullptr;        // the grid's edits not applied yet
    QMenu* mn_mouse = nullptr;
    QMenu* mn_quick_sql = nullptr;
    QMenu* mn_mouse2 = nullptr;
    QMenu* mn_mouse4 = nullptr;
    QMenu* mn_mouse7 = nullptr;
    QMenu* mn_mouse3 = nullptr;
    QMenu* mn_mouse6 = nullptr;
    QMenu* mn_mouse5 = nullptr;

    // Left edge of L_msg inside Fra_SqlInfo, in pixels, after the counters of the fetch strip.
    int lMsgLeft = 0;
    // Places the fetch strip's captions and counters again after the row counter's text
    // changed width; lMsgLeft follows.
    void layOutFetchStrip();

private:
    void buildPanes(QWidget* client, QObject* dragFilter);
    void buildConnectionBand(QWidget* client, QObject* dragFilter);
    void buildSqlInfo(QWidget* client, QObject* dragFilter);
    void buildSqlNav(QWidget* client);
    void buildStatusBar(QWidget* client);
    void buildMenus(QMainWindow* window);
    void buildPopupMenus(QMainWindow* window);
    void buildToolbar();
    void addCommand(QAction* item, const QString& command);

    QHash<QString, QAction*> actions_;
    QList<QAction*> commandItems_;
    std::vector<DisplayOption> displayOptions_;
};
