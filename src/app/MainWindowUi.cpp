#include "app/MainWindowUi.h"

#include "base/Settings.h"
#include "base/Twips.h"
#include "sqlexec/GridFilterRow.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

struct MenuItem {
    const char* name;    // objectName; a separator when caption is null
    const char* caption; // nullptr for a separator
    const char* shortcut = nullptr;
    bool enabled = true;
    bool checkable = false;
};

struct ToolbarButton {
    const char* key;
    const char* tooltip;
    const char* command; // the menu command the button stands for
};

} // namespace

void MainWindowUi::setupUi(QMainWindow* window, QWidget* client, QObject* dragFilter)
{
    buildPanes(client, dragFilter);
    buildMenus(window);
    buildPopupMenus(window);
    buildToolbar();

    auto option = [this](const char* key, const char* item, QList<QWidget*> panes,
                         bool MainLayout::*flag, bool onWhenMissing = false) {
        displayOptions_.push_back(
            {key, action(QLatin1String(item)), std::move(panes), flag, onWhenMissing});
    };
    option(settings::kToolBar, "mn_disp_toolbar", {Pict_db, Toolbar1}, &MainLayout::toolbarOn);
    option(settings::kStatusBar, "mn_disp_statusbar", {StatusBar1}, &MainLayout::statusbarOn);
    option(settings::kKwdList, "mn_disp_kwdlist", {Lst_kwd}, &MainLayout::kwdListOn);
    option(settings::kGridFilter, "mn_disp_gridfilter", {Fra_filter}, &MainLayout::gridFilterOn);
    option(settings::kCon2Title, "mn_disp_con2title", {}, nullptr);
    option(settings::kHighlight, "mn_disp_highlight", {}, nullptr, true);
}

QAction* MainWindowUi::action(const QString& name) const
{
    return actions_.value(name);
}

void MainWindowUi::addCommand(QAction* item, const QString& command)
{
    item->setProperty("command", command);
    actions_.insert(item->objectName(), item);
    commandItems_.append(item);
}

void MainWindowUi::buildPanes(QWidget* client, QObject* dragFilter)
{
    buildConnectionBand(client, dragFilter);

    Cmd_srch_obj = new QToolButton(client);
    Cmd_srch_obj->setObjectName(QStringLiteral("Cmd_srch_obj"));
    Cmd_srch_obj->setText(QStringLiteral("検索"));
    Cmd_srch_obj->setToolTip(QStringLiteral("全て検索（[Shift]+ｸﾘｯｸで追加）"));
    CB_srch_obj = new QComboBox(client);
    CB_srch_obj->setObjectName(QStringLiteral("CB_srch_obj"));
    CB_srch_obj->setEditable(true);
    CB_srch_obj->setInsertPolicy(QComboBox::NoInsert);
    CB_srch_obj->setToolTip(QStringLiteral("F3：下を検索　Shift+F3：上を検索"));

    TabObjects = new QTabBar(client);
    TabObjects->setObjectName(QStringLiteral("TabObjects"));
    TabObjects->setShape(QTabBar::RoundedWest);
    TabObjects->setExpanding(false);
    TabObjects->setDrawBase(false);
    for (const char* tab : {"ALL", "TABLE", "VIEW", "SYNONYM"})
        TabObjects->addTab(QString::fromLatin1(tab));

    TreeView1 = new QTreeWidget(client);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);

    Fra_Found = new QFrame(client);
    Fra_Found->setObjectName(QStringLiteral("Fra_Found"));
    Fra_Found->setFrameShape(QFrame::NoFrame);
    L_Found = makeLabel(Fra_Found, QStringLiteral("L_Found"), QStringLiteral("検出："));
    L_Found->setFrameShape(QFrame::Panel);
    L_Found->setFrameShadow(QFrame::Raised);
    L_Found->setCursor(Qt::SizeVerCursor);
    L_Found->installEventFilter(dragFilter);

    LV_Found = new QTreeWidget(client);
    LV_Found->setObjectName(QStringLiteral("LV_Found"));
    LV_Found->setHeaderHidden(true);
    LV_Found->setRootIsDecorated(false);
    LV_Found->setColumnCount(1);

    L_split = new QFrame(client);
    L_split->setObjectName(QStringLiteral("L_split"));
    L_split->setFrameShape(QFrame::NoFrame);
    L_split->setCursor(Qt::SizeHorCursor);
    L_split->installEventFilter(dragFilter);

    TabStrip1 = new QTabBar(client);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->setExpanding(false);
    TabStrip1->setDrawBase(false);
    TabStrip1->addTab(QStringLiteral("SQL入力"));
    TabStrip1->addTab(QStringLiteral("履 歴 "));
    TabStrip1->addTab(QStringLiteral("ﾃﾝﾌﾟﾚｰﾄ"));

    Frm_q = new QFrame(client);
    Frm_q->setObjectName(QStringLiteral("Frm_q"));
    Frm_q->setFrameShape(QFrame::NoFrame);
    Cmd_srch_wd = new QToolButton(Frm_q);
    Cmd_srch_wd->setObjectName(QStringLiteral("Cmd_srch_wd"));
    Cmd_srch_wd->setToolTip(QStringLiteral("？/ﾄｰｸﾝ/ｷｰﾜｰﾄﾞ切替"));
    for (int i = 0; i < 2; ++i) {
        Cmd_q[i] = new QToolButton(Frm_q);
        Cmd_q[i]->setObjectName(QStringLiteral("Cmd_q_%1").arg(i));
        Cmd_q[i]->setProperty("index", i);
    }

    Lst_kwd = new QListWidget(client);
    Lst_kwd->setObjectName(QStringLiteral("Lst_kwd"));

    TB_SQL = new QPlainTextEdit(client);
    TB_SQL->setObjectName(QStringLiteral("TB_SQL"));
    TB_SQL->setLineWrapMode(QPlainTextEdit::NoWrap);

    buildSqlNav(client);
    buildSqlInfo(client, dragFilter);

    ListView1 = new QTableView(client);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->verticalHeader()->hide();
    // One text line per row, as a report list shows it; the style's default is much taller.
    ListView1->verticalHeader()->setMinimumSectionSize(1);
    ListView1->verticalHeader()->setDefaultSectionSize(QFontMetrics(client->font()).height() + 4);
    Fra_filter = new GridFilterRow(ListView1, client);

    buildStatusBar(client);
}

void MainWindowUi::buildConnectionBand(QWidget* client, QObject* dragFilter)
{
    Toolbar1 = new QToolBar(client);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(20, 20));

    // The toolbar's third button: an empty space under the connection band.
    placeholder = new QWidget;
    placeholder->setObjectName(QStringLiteral("tb_placeholder"));
    Pict_db = new QFrame(placeholder);
    Pict_db->setObjectName(QStringLiteral("Pict_db"));
    Label2 = makeLabel(Pict_db, QStringLiteral("Label2"), QStringLiteral("DB:"));
    TB_DSN = new QLineEdit(Pict_db);
    TB_DSN->setObjectName(QStringLiteral("TB_DSN"));
    TB_DSN->setReadOnly(true);
    Img_slide = new QLabel(Pict_db);
    Img_slide->setObjectName(QStringLiteral("Img_slide"));
    Img_slide->setPixmap(QPixmap(QStringLiteral(":/icons/grip.png")));
    Img_slide->setAlignment(Qt::AlignCenter);
    Img_slide->setCursor(Qt::SizeHorCursor);
    Img_slide->installEventFilter(dragFilter);
}

void MainWindowUi::buildSqlNav(QWidget* client)
{
    Frm_sql_nav = new QFrame(client);
    Frm_sql_nav->setObjectName(QStringLiteral("Frm_sql_nav"));
    Frm_sql_nav->setFrameShape(QFrame::NoFrame);
    auto* row = new QHBoxLayout(Frm_sql_nav);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    L_sql_no = makeLabel(Frm_sql_nav, QStringLiteral("L_sql_no"), QStringLiteral("0/0"));
    L_sql_no->setMinimumWidth(
        QFontMetrics(client->font()).horizontalAdvance(QStringLiteral("999/999")));
    L_sql_no->setAlignment(Qt::AlignCenter);
    row->addWidget(L_sql_no);
    const Qt::ArrowType arrows[2] = {Qt::UpArrow, Qt::DownArrow};
    for (int i = 0; i < 2; ++i) {
        Cmd_updwn[i] = new QToolButton(Frm_sql_nav);
        Cmd_updwn[i]->setObjectName(QStringLiteral("Cmd_updwn_%1").arg(i));
        Cmd_updwn[i]->setProperty("index", i);
        Cmd_updwn[i]->setArrowType(arrows[i]);
        row->addWidget(Cmd_updwn[i]);
    }
    Cmd_clear = new QToolButton(Frm_sql_nav);
    Cmd_clear->setObjectName(QStringLiteral("Cmd_clear"));
    row->addSpacing(8);
    row->addWidget(Cmd_clear);
}

void MainWindowUi::buildSqlInfo(QWidget* client, QObject* dragFilter)
{
    Fra_SqlInfo = new QFrame(client);
    Fra_SqlInfo->setObjectName(QStringLiteral("Fra_SqlInfo"));
    Fra_SqlInfo->setFrameShape(QFrame::StyledPanel);
    Fra_SqlInfo->setCursor(Qt::SizeVerCursor);
    Fra_SqlInfo->installEventFilter(dragFilter);

    Cmd_start_stop = new QToolButton(Fra_SqlInfo);
    Cmd_start_stop->setObjectName(QStringLiteral("Cmd_start_stop"));
    Cmd_start_stop->setToolTip(QStringLiteral("FETCH 中断／再開"));
    Cmd_start_stop->setIconSize(QSize(14, 14));
    Cmd_start_stop->setCursor(Qt::ArrowCursor);

    const QStringList fetchCaptions = {QStringLiteral("時間:"), QStringLiteral("秒"),
                                       QStringLiteral("FETCH"), QStringLiteral("列"),
                                       QStringLiteral("行")};
    QLabel* fetch[5] = {};
    for (int i = 0; i < 5; ++i) {
        fetch[i] = makeLabel(Fra_SqlInfo, QStringLiteral("L_fetch_%1").arg(i), fetchCaptions[i]);
        // Presses on the captions drag the strip.
        fetch[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    L_cols = makeLabel(Fra_SqlInfo, QStringLiteral("L_cols"), QString());
    L_rows = makeLabel(Fra_SqlInfo, QStringLiteral("L_rows"), QString());
    L_sec = makeLabel(Fra_SqlInfo, QStringLiteral("L_sec"), QString());
    L_msg = makeLabel(Fra_SqlInfo, QStringLiteral("L_msg"), QString());
    L_msg->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (QLabel* counter : {L_cols, L_rows, L_sec})
        counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // One row, sized for the design captions "999", "99999" and "99999.999".
    const QFontMetrics fm(client->font());
    const int h = twips::toPixels(345) - 2;
    int x = 4;
    auto put = [&](QWidget* w, int width) {
        w->setGeometry(x, 1, width, h - 1);
        x += width + 3;
    };
    auto textWidth = [&](const QString& s) { return fm.horizontalAdvance(s) + 2; };
    put(fetch[2], textWidth(fetchCaptions[2]));
    put(Cmd_start_stop, h - 1);
    x += 6;
    put(L_cols, textWidth(QStringLiteral("999")));
    put(fetch[3], textWidth(fetchCaptions[3]));
    x += 6;
    put(L_rows, textWidth(QStringLiteral("99999")));
    put(fetch[4], textWidth(fetchCaptions[4]));
    x += 10;
    put(fetch[0], textWidth(fetchCaptions[0]));
    put(L_sec, textWidth(QStringLiteral("99999.999")));
    put(fetch[1], textWidth(fetchCaptions[1]));
    x += 10;
    lMsgLeft = x;
    L_msg->setGeometry(x, 1, 10, h - 1);
}

void MainWindowUi::buildStatusBar(QWidget* client)
{
    StatusBar1 = new QStatusBar(client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    const char* keys[4] = {"status", "cnt", "time", "msg"};
    const int widths[4] = {150, 120, 170, 0};
    for (int i = 0; i < 4; ++i) {
        panel[i] = makeLabel(StatusBar1, QString::fromLatin1(keys[i]), QString());
        panel[i]->setFrameShape(QFrame::StyledPanel);
        panel[i]->setFrameShadow(QFrame::Sunken);
        if (widths[i] > 0) {
            panel[i]->setMinimumWidth(widths[i]);
            StatusBar1->addWidget(panel[i]);
        } else {
            StatusBar1->addWidget(panel[i], 1);
        }
    }
    // What is still uncommitted; shown only while something is, a click lists it.
    L_pending = new QToolButton(StatusBar1);
    L_pending->setObjectName(QStringLiteral("L_pending"));
    L_pending->setAutoRaise(true);
    L_pending->setStyleSheet(QStringLiteral("QToolButton { color: #a0400a; }"));
    L_pending->setToolTip(QStringLiteral("COMMITもROLLBACKもしていない文の一覧"));
    L_pending->hide();
    StatusBar1->addPermanentWidget(L_pending);
}

void MainWindowUi::buildMenus(QMainWindow* window)
{
    QMenuBar* bar = window->menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));

    auto addMenu = [&](const char* name, const char* caption,
                       std::initializer_list<MenuItem> items) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        for (const MenuItem& it : items) {
            if (it.caption == nullptr) {
                menu->addSeparator()->setObjectName(QString::fromLatin1(it.name));
                continue;
            }
            QAction* a = menu->addAction(QString::fromUtf8(it.caption));
            if (it.shortcut != nullptr)
                a->setShortcut(QKeySequence(QString::fromLatin1(it.shortcut)));
            a->setEnabled(it.enabled);
            a->setCheckable(it.checkable);
            a->setObjectName(QString::fromLatin1(it.name));
            addCommand(a, a->objectName());
        }
    };

    addMenu("mn_file", "ﾌｧｲﾙ(&F)",
            {{"mn_new_window", "新規の接続(&N)", "Ctrl+N"},
             {"mn_sp0", nullptr},
             {"mn_connect", "DB接続(&C)"},
             {"mn_disconnect", "DB切断(&D)", nullptr, false},
             {"mn_reconnect", "DB再接続(&R)", nullptr, false},
             {"mn_sp1", nullptr},
             {"mn_open_file", "SQLの読込(&O)", "Ctrl+O"},
             {"mn_sp2", nullptr},
             {"mn_exit", "終了(&X)"}});
    addMenu("mn_sql", "SQL(&S)",
            {{"mn_sql_go", "SQL実行(&I)", "Ctrl+I", false},
             {"mn_sql_stop", "SQL中断(&B)", "Ctrl+B", false},
             {"mn_sql_commit", "COMMIT(&C)", nullptr, false},
             {"mn_sql_rollback", "ROLLBACK(&R)", nullptr, false},
             {"mn_sql_undo", "直前のSQLを取り消す(&U)", nullptr, false},
             {"mn_sql_askpending", "切断・終了時に未確定の変更を確認する(&A)", nullptr, true, true},
             {"mn_sql_sp1", nullptr},
             {"mn_sql_temp", "SQLﾃﾝﾌﾟﾚｰﾄ(&T)..."},
             {"mn_sql_history", "SQL入力履歴(&H)..."},
             {"mn_sql_sp", nullptr},
             {"mn_sql_edit", "SQL編集(&E)", "Ctrl+E"},
             {"mn_kwd_edit", "ｷｰﾜｰﾄﾞリスト編集(&K)"}});
    addMenu("mn_display", "表示(&V)",
            {{"mn_disp_toolbar", "ツールバー(&T)", nullptr, true, true},
             {"mn_disp_statusbar", "ステータスバー(&S)", nullptr, true, true},
             {"mn_disp_sp", nullptr},
             {"mn_disp_kwdlist", "ｷｰﾜｰﾄﾞリスト(&K)", nullptr, true, true},
             {"mn_disp_gridfilter", "SELECT結果のフィルター行(&F)", nullptr, true, true},
             {"mn_disp_highlight", "SQLの色分け(&H)", nullptr, true, true},
             {"mn_disp_sp2", nullptr},
             {"mn_disp_con2title", "接続情報をタイトルに表示(&C)", nullptr, true, true}});
    addMenu("mn_tool", "ﾂｰﾙ(&T)",
            {{"mn_out_csv", "SELECT結果の保存(&S)..."},
             {"mn_out_select", "SELECT実行＆保存(&W)...", nullptr, false},
             {"mn_out_rest", "残りをファイルに保存...", nullptr, false},
             {"mn_inp_csv", "ﾌｧｲﾙからTABLEへ登録(&L)...", nullptr, false},
             {"mn_tool_sp", nullptr},
             {"mn_set_editor", "外部エディタの設定(&E)..."},
             {"mn_kick_dsnadmin", "データソース アドミニストレータ(&D)..."}});
    addMenu("mn_help", "ﾍﾙﾌﾟ(&H)",
            {{"mn_help_quorvant", "QUORVANTのヘルプ", "F1"},
             {"mn_help_sp3", nullptr},
             {"mn_version", "バーション情報(&A)..."}});
}

void MainWindowUi::buildPopupMenus(QMainWindow* window)
{
    // Popup menus are never part of the menu bar; they open at the pointer.
    auto popup = [window](const char* name, const char* caption) {
        auto* menu = new QMenu(QString::fromUtf8(caption), window);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    auto item = [this](QMenu* menu, const QString& name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        addCommand(a, name);
        return a;
    };
    auto copyPair = [&](QMenu* menu, const QString& sqlName, const QString& clipName) {
        item(menu, sqlName, QStringLiteral("→ SQL入力エリア"));
        item(menu, clipName, QStringLiteral("→ クリップボード"));
    };
    auto submenu = [this](QMenu* menu, const QString& name, const QString& caption) {
        QMenu* sub = menu->addMenu(caption);
        sub->setObjectName(name);
        sub->menuAction()->setObjectName(name);
        // Found by name for their enabled state; they run no command themselves.
        actions_.insert(name, sub->menuAction());
        return sub;
    };
    auto separator = [](QMenu* menu, const QString& name) {
        menu->addSeparator()->setObjectName(name);
    };

    mn_mouse = popup("mn_mouse", "mouse action");
    copyPair(mn_mouse, QStringLiteral("mn_copy_sql"), QStringLiteral("mn_copy_clip"));
    separator(mn_mouse, QStringLiteral("mn_mouse_sp1"));
    copyPair(submenu(mn_mouse, QStringLiteral("mn_copy_allcols"),
                     QStringLiteral("全列名（カンマ区切り）")),
             QStringLiteral("mn_copy_allcols_sql"), QStringLiteral("mn_copy_allcols_clip"));
    separator(mn_mouse, QStringLiteral("mn_mouse_sp2"));
    QMenu* cols = submenu(mn_mouse, QStringLiteral("mn_disp_cols"),
                          QStringLiteral("列属性 → SELECT結果ペイン"));
    item(cols, QStringLiteral("mn_disp_cols_all"), QStringLiteral("全情報を表示"));
    item(cols, QStringLiteral("mn_disp_cols_name"), QStringLiteral("列名のみ表示"));
    separator(mn_mouse, QStringLiteral("mn_mouse_sp3"));
    mn_quick_sql =
        submenu(mn_mouse, QStringLiteral("mn_quick_sql"), QStringLiteral("クイック SQL"));
    QAction* first = item(mn_quick_sql, QStringLiteral("mn_quick_sqlstmt_0"), QString());
    first->setProperty("index", 0);
    first->setProperty("command", QStringLiteral("mn_quick_sqlstmt"));

    mn_mouse2 = popup("mn_mouse2", "mouse action2");
    item(mn_mouse2, QStringLiteral("mn_get_tables"), QStringLiteral("TABLE/VIEW/SYNONYMの再取得"));

    QMenu* mouse3 = mn_mouse3 = popup("mn_mouse3", "mouse action3");
    const QStringList subitemCaptions = {
        QString(), QStringLiteral("列データ"), QStringLiteral("' 列データ '"),
        QStringLiteral("列名 = 列データ"), QStringLiteral("列名 = ' 列データ '")};
    for (int i = 0; i < subitemCaptions.size(); ++i) {
        QMenu* sub = submenu(mouse3, QStringLiteral("mn_LV_subitem_%1").arg(i), subitemCaptions[i]);
        sub->menuAction()->setProperty("index", i);
        copyPair(sub, QStringLiteral("mn_LV_subitem_copy_sql_%1").arg(i),
                 QStringLiteral("mn_LV_subitem_copy_clip_%1").arg(i));
        if (i == 0)
            separator(mouse3, QStringLiteral("mn_LV_sp"));
    }
    separator(mouse3, QStringLiteral("mn_LV_sp2"));
    // The tool menu's command, where the grid's capped or suspended rows are.
    QAction* rest = mouse3->addAction(QStringLiteral("残りをファイルに保存..."));
    rest->setObjectName(QStringLiteral("mn_LV_out_rest"));
    rest->setEnabled(false);
    addCommand(rest, QStringLiteral("mn_out_rest"));

    QMenu* mouse4 = popup("mn_mouse4", "mouse action4");
    mn_mouse4 = mouse4;
    copyPair(mouse4, QStringLiteral("mn_colcopy_sql"), QStringLiteral("mn_colcopy_clip"));

    mn_mouse5 = popup("mn_mouse5", "mouse action5");
    copyPair(mn_mouse5, QStringLiteral("mn_kwdcopy_sql"), QStringLiteral("mn_kwdcopy_clip"));

    QMenu* mouse6 = mn_mouse6 = popup("mn_mouse6", "mouse action6");
    const QStringList allCaptions = {QStringLiteral("全列名"),
                                     QStringLiteral("全列データ（１行分）")};
    for (int i = 0; i < allCaptions.size(); ++i) {
        QMenu* sub = submenu(mouse6, QStringLiteral("mn_LV_subitem_all_%1").arg(i), allCaptions[i]);
        sub->menuAction()->setProperty("index", i);
        copyPair(sub, QStringLiteral("mn_LV_subitem_all_copy_sql_%1").arg(i),
                 QStringLiteral("mn_LV_subitem_all_copy_clip_%1").arg(i));
    }

    // The design gives this menu the same caption as mn_mouse5.
    QMenu* mouse7 = popup("mn_mouse7", "mouse action5");
    mn_mouse7 = mouse7;
    copyPair(mouse7, QStringLiteral("mn_objcopy_sql"), QStringLiteral("mn_objcopy_clip"));
}

QList<QAction*> MainWindowUi::addQuickSqlItems()
{
    QList<QAction*> added;
    for (int i = 1; i <= 6; ++i) {
        QAction* entry = mn_quick_sql->addAction(QString());
        entry->setObjectName(QStringLiteral("mn_quick_sqlstmt_%1").arg(i));
        entry->setProperty("index", i);
        // One command for the whole array; the item's index tells which statement.
        addCommand(entry, QStringLiteral("mn_quick_sqlstmt"));
        added.append(entry);
    }
    return added;
}

void MainWindowUi::buildToolbar()
{
    auto add = [this](const ToolbarButton& b) {
        const QString key = QString::fromLatin1(b.key);
        QAction* a = Toolbar1->addAction(QIcon(QStringLiteral(":/icons/%1.png").arg(key)),
                                         QString::fromUtf8(b.tooltip));
        a->setObjectName(QStringLiteral("tb_") + key);
        a->setProperty("key", key);
        a->setProperty("command", QString::fromLatin1(b.command));
        a->setToolTip(QString::fromUtf8(b.tooltip));
        actions_.insert(key, a);
        return a;
    };
    add({"connect", "DB接続", "mn_connect"});
    add({"discon", "DB切断", "mn_disconnect"});
    Toolbar1->addWidget(placeholder)->setObjectName(QStringLiteral("tb_placeholder"));
    Toolbar1->addSeparator();
    add({"go", "SQL実行", "mn_sql_go"});
    add({"stop", "SQL中断", "mn_sql_stop"})->setEnabled(false);
    Toolbar1->addSeparator();
    add({"ok", "COMMIT", "mn_sql_commit"});
    add({"ng", "ROLLBACK", "mn_sql_rollback"});
    add({"undo", "直前のSQLを取り消す", "mn_sql_undo"})->setEnabled(false);
    Toolbar1->addSeparator();
    add({"temp", "SQLﾃﾝﾌﾟﾚｰﾄ", "mn_sql_temp"});
    add({"hist", "SQL入力履歴", "mn_sql_history"});
    Toolbar1->addSeparator();
    add({"save", "SELECT結果の保存", "mn_out_csv"});
    add({"inst", "ファイルからTABLEへ登録", "mn_inp_csv"});
}

ConnectionUi MainWindowUi::connectionUi(QWidget* owner) const
{
    ConnectionUi ui;
    ui.window = owner;
    ui.TB_DSN = TB_DSN;
    ui.mn_connect = action(QStringLiteral("mn_connect"));
    ui.mn_disconnect = action(QStringLiteral("mn_disconnect"));
    ui.mn_reconnect = action(QStringLiteral("mn_reconnect"));
    ui.mn_disp_con2title = action(QStringLiteral("mn_disp_con2title"));
    ui.tb_connect = action(QStringLiteral("connect"));
    ui.tb_discon = action(QStringLiteral("discon"));
    return ui;
}

ObjectTreeUi MainWindowUi::objectTreeUi(std::function<void()> moveSearchHeaderToBottom) const
{
    ObjectTreeUi ui;
    ui.TreeView1 = TreeView1;
    ui.LV_Found = LV_Found;
    ui.L_Found = L_Found;
    ui.Fra_Found = Fra_Found;
    ui.TabObjects = TabObjects;
    ui.moveSearchHeaderToBottom = std::move(moveSearchHeaderToBottom);
    return ui;
}

ObjectSearchUi MainWindowUi::objectSearchUi() const
{
    ObjectSearchUi ui;
    ui.TabObjects = TabObjects;
    ui.CB_srch_obj = CB_srch_obj;
    ui.Cmd_srch_obj = Cmd_srch_obj;
    ui.LV_Found = LV_Found;
    ui.L_Found = L_Found;
    ui.mn_mouse7 = mn_mouse7;
    return ui;
}

ObjectCommandsUi MainWindowUi::objectCommandsUi() const
{
    ObjectCommandsUi ui;
    ui.mn_mouse = mn_mouse;
    ui.mn_mouse2 = mn_mouse2;
    ui.mn_mouse4 = mn_mouse4;
    ui.mn_quick_sql = mn_quick_sql;
    return ui;
}

ResultGridUi MainWindowUi::resultGridUi() const
{
    ResultGridUi ui;
    ui.ListView1 = ListView1;
    ui.mn_mouse3 = mn_mouse3;
    ui.mn_mouse6 = mn_mouse6;
    ui.imlSort.insert(QStringLiteral("SortASC"), QIcon(QStringLiteral(":/icons/sort_up.png")));
    ui.imlSort.insert(QStringLiteral("SortDESC"), QIcon(QStringLiteral(":/icons/sort_down.png")));
    return ui;
}

SqlRunnerUi MainWindowUi::sqlRunnerUi(QWidget* owner) const
{
    SqlRunnerUi ui;
    ui.owner = owner;
    ui.ListView1 = ListView1;
    ui.Cmd_start_stop = Cmd_start_stop;
    ui.L_cols = L_cols;
    ui.L_rows = L_rows;
    ui.L_sec = L_sec;
    ui.L_msg = L_msg;
    ui.status = panel[0];
    ui.cnt = panel[1];
    ui.time = panel[2];
    ui.msg = panel[3];
    return ui;
}

SqlInputAreaUi MainWindowUi::sqlInputAreaUi(QWidget* owner) const
{
    SqlInputAreaUi ui;
    ui.owner = owner;
    ui.TB_SQL = TB_SQL;
    ui.TabStrip1 = TabStrip1;
    ui.L_sql_no = L_sql_no;
    ui.Cmd_updwn[0] = Cmd_updwn[0];
    ui.Cmd_updwn[1] = Cmd_updwn[1];
    ui.Cmd_clear = Cmd_clear;
    ui.Cmd_srch_wd = Cmd_srch_wd;
    ui.Cmd_q[0] = Cmd_q[0];
    ui.Cmd_q[1] = Cmd_q[1];
    ui.Lst_kwd = Lst_kwd;
    return ui;
}

KeywordListUi MainWindowUi::keywordListUi() const
{
    KeywordListUi ui;
    ui.Lst_kwd = Lst_kwd;
    ui.mn_mouse5 = mn_mouse5;
    return ui;
}
