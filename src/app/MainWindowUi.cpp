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
    for (int i = 0; i < 5; ++i) {
        fetchCaption[i] =
            makeLabel(Fra_SqlInfo, QStringLiteral("L_fetch_%1").arg(i), fetchCaptions[i]);
        // Presses on the captions drag the strip.
        fetchCaption[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    L_cols = makeLabel(Fra_SqlInfo, QStringLiteral("L_cols"), QString());
    L_rows = makeLabel(Fra_SqlInfo, QStringLiteral("L_rows"), QString());
    L_sec = makeLabel(Fra_SqlInfo, QStringLiteral("L_sec"), QString());
    L_msg = makeLabel(Fra_SqlInfo, QStringLiteral("L_msg"), QString());
    L_msg->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (QLabel* counter : {L_cols, L_rows, L_sec})
        counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layOutFetchStrip();
}

void MainWindowUi::layOutFetchStrip()
{
    // One row, sized for the design captions "999", "99999" and "99999.999"; the row counter
    // widens for what it shows ("n / m" while the filter hides rows).
    const QFontMetrics fm(Fra_SqlInfo->font());
    const int h = twips::toPixels(345) - 2;
    int x = 4;
    auto put = [&](QWidget* w, int width) {
        w->setGeometry(x, 1, width, h - 1);
        x += width + 3;
    };
    auto textWidth = [&](const QString& s) { return fm.horizontalAdvance(s) + 2; };
    put(fetchCaption[2], textWidth(fetchCaption[2]->text()));
    put(Cmd_start_stop, h - 1);
    x += 6;
    put(L_cols, textWidth(QStringLiteral("999")));
    put(fetchCaption[3], textWidth(fetchCaption[3]->text()));
    x += 6;
    put(L_rows, std::max(textWidth(QStringLiteral("99999")), textWidth(L_rows->text())));
    put(fetchCaption[4], textWidth(fetchCaption[4]->text()));
    x += 10;
    put(fetchCaption[0], textWidth(fetchCaption[0]->text()));
    put(L_sec, textWidth(QStringLiteral("99999.999")));
    put(fetchCaption[1], textWidth(fetchCaption[1]->text()));
    x += 10;
    lMsgLeft = x;
    L_msg->setGeometry(x, 1, std::max(10, L_msg->width()), h - 1);
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
    L_edits = makeLabel(StatusBar1, QStringLiteral("L_edits"), QString());
    L_edits->setStyleSheet(QStringLiteral("QLabel { color: #0a50a0; }"));
    L_edits->setToolTip(QStringLiteral("グリッドで編集して、まだ反映していない行"));
    L_edits->hide();
    StatusBar1->addPermanentWidget(L_edits);
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

GridEditorUi MainWindowUi::gridEditorUi(QWidget* owner) const
{
    GridEditorUi ui;
    ui.owner = owner;
    ui.ListView1 = ListView1;
    ui.msg = panel[3];
    ui.L_edits = L_edits;
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
