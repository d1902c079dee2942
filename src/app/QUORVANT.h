#pragma once

#include "app/MainLayout.h"

#include <QMainWindow>
#include <QStringList>

class AppServices;
class ConnectDS;
class ConnectionState;
class FrmVersion;
class ObjectTree;
class SqlRunner;
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QStatusBar;
class QTabBar;
class QTableView;
class QToolBar;
class QToolButton;
class QTreeWidget;

// The main window of the workbench: every pane placed by the twips rules of MainLayout, the
// menu bar, the popup menus and the toolbar, the display options and the start and end of the
// program. It composes one controller per feature; features that are not there yet are marked
// as extension points below.
//
// Every pane, menu item and toolbar action carries its control name as objectName. Members of a
// control array are named <name>_<index> ("L_fetch_0", "mn_quick_sqlstmt_3"). Toolbar actions
// are named "tb_" + key and carry the key in the property "key".
class QUORVANT : public QMainWindow {
    Q_OBJECT

public:
    // Builds the window and runs its load steps; the connect dialog opens once the event loop
    // runs, unless services.connectAtStart is off.
    explicit QUORVANT(AppServices& services, QWidget* parent = nullptr);
    ~QUORVANT() override;

    // Lays out the panes for the current size; nothing happens while minimised.
    void Resize();
    // Fills the keyword list from the keyword file and sizes it.
    void FillKeywordList();
    // True when word is one of the keywords, compared without regard to letter case.
    bool IsKeyword(const QString& word) const;

    // The toolbar's click, dispatched by the button's key; an unknown key does nothing.
    void ToolbarCommand(const QString& key);

    // Shell commands of the menu bar.
    void ExitCommand();
    void HelpCommand();
    void DataSourceAdminCommand();
    void NewInstanceCommand();
    void AboutCommand();

    const MainLayout& paneLayout() const { return layout_; }
    // Height of the text "A" in the window's font, in twips.
    int lineHeight() const { return lineHeight_; }
    const QString& helpAddress() const { return helpAddress_; }
    // Placements of the history and template windows as read at load.
    const QString& histPlacement() const { return histPlacement_; }
    const QString& tempPlacement() const { return tempPlacement_; }
    const QStringList& keywords() const { return keywords_; }

    ConnectionState& connection() { return *connection_; }
    ConnectDS& connectDialog() { return *connectDS_; }
    ObjectTree& objectTree() { return *objectTree_; }
    SqlRunner& sqlRunner() { return *sqlRunner_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanes();
    void buildConnectionBand();
    void buildSqlInfo();
    void buildStatusBar();
    void buildMenus();
    void buildPopupMenus();
    void buildToolbar();
    void takeDesignSizes();
    void wireConnection();
    void wireObjectTree();
    void wireSqlRunner();
    void treeContextMenu(const QPoint& pos);
    void moveSearchHeaderToBottom();

    void load();
    void unload();
    void applyLayout();
    // A stored placement that is unusable on this screen is brought back onto it.
    void keepOnScreen();
    void applyConnectionBand();
    void displayOptionChanged(QAction* item);
    bool dragEvent(QObject* bar, QEvent* event);
    void resetFetchStrip();
    double clientWidth() const;
    double clientHeight() const;

    // Extension points: work of features that the load, unload and command steps call. Each
    // does nothing until its feature is built.
    QStringList readKeywordFile();  // keyword list: the keywords of SQLKYWD.TXT
    void readTemplatesAndHistory(); // templates and history: read their files
    void readEditorCommand();       // external editor: read its command line
    void saveTemplatesAndHistory(); // templates, then history: save when changed
    void loadObjectTree();          // object tree: fill after a connect
    void closeFetch();              // result grid: end a suspended fetch

    // Every command whose enabled state depends on the connection, set from the connection's
    // work state in this one place.
    void updateCommandStates();
    void featureCommand(const QString& name); // a menu or toolbar command of a later feature

    AppServices& services_;
    MainLayout layout_;
    QString helpAddress_;
    QString mainPlacement_;
    QString histPlacement_;
    QString tempPlacement_;
    QStringList keywords_;
    int lineHeight_ = 0;
    bool dragging_ = false;
    double grabX_ = 0;
    double grabY_ = 0;
    bool unloaded_ = false;

    ConnectDS* connectDS_ = nullptr;
    ConnectionState* connection_ = nullptr;
    ObjectTree* objectTree_ = nullptr;
    SqlRunner* sqlRunner_ = nullptr;
    FrmVersion* frmVersion_ = nullptr;

    QWidget* client_ = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QWidget* placeholder_ = nullptr;
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
    QListWidget* Lst_kwd = nullptr;
    QPlainTextEdit* TB_SQL = nullptr;
    QFrame* Fra_SqlInfo = nullptr;
    QToolButton* Cmd_start_stop = nullptr;
    QLabel* L_cols = nullptr;
    QLabel* L_rows = nullptr;
    QLabel* L_sec = nullptr;
    QLabel* L_msg = nullptr;
    QTableView* ListView1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* panel_[4] = {};

    QAction* mn_connect = nullptr;
    QAction* mn_disconnect = nullptr;
    QAction* mn_reconnect = nullptr;
    QAction* mn_sql_go = nullptr;
    QAction* mn_sql_stop = nullptr;
    QAction* mn_sql_commit = nullptr;
    QAction* mn_sql_rollback = nullptr;
    QAction* mn_out_select = nullptr;
    QAction* mn_inp_csv = nullptr;
    QAction* mn_disp_toolbar = nullptr;
    QAction* mn_disp_statusbar = nullptr;
    QAction* mn_disp_kwdlist = nullptr;
    QAction* mn_disp_con2title = nullptr;
    QMenu* mn_mouse = nullptr;
};
