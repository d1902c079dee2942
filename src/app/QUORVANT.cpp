#include "app/QUORVANT.h"

#include "app/AppServices.h"
#include "app/FrmVersion.h"
#include "base/EventPump.h"
#include "base/Settings.h"
#include "base/Twips.h"
#include "base/WindowPlacement.h"
#include "base/basApiCall.h"
#include "browser/ObjectTree.h"
#include "connect/ConnectDS.h"
#include "connect/ConnectionState.h"
#include "sqlexec/SqlRunner.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

// Resources of a static library must be registered by name from the global namespace.
static void initAppResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

const QString kTitle = QStringLiteral("QUORVANT");

int px(double t)
{
    return twips::toPixels(t);
}

// Design sizes are whole pixels, kept in twips.
double tw(int pixels)
{
    return twips::fromPixels(pixels);
}

void place(QWidget* w, const TwipsRect& r)
{
    w->setGeometry(px(r.left), px(r.top), std::max(0, px(r.width)), std::max(0, px(r.height)));
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QFont windowFont()
{
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"),
                   QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
    f.setStyleHint(QFont::Monospace);
    f.setPointSize(10);
    return f;
}

} // namespace

QUORVANT::QUORVANT(AppServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services)
{
    initAppResources();
    setObjectName(QStringLiteral("QUORVANT"));
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/quorvant.png")));
    setFont(windowFont());
    resize(960, 640);

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    client_->installEventFilter(this);

    buildPanes();
    buildMenus();
    buildPopupMenus();
    buildToolbar();
    takeDesignSizes();
    wireConnection();
    wireObjectTree();
    wireSqlRunner();
    load();
}

QUORVANT::~QUORVANT() = default;

void QUORVANT::buildPanes()
{
    buildConnectionBand();

    Cmd_srch_obj = new QToolButton(client_);
    Cmd_srch_obj->setObjectName(QStringLiteral("Cmd_srch_obj"));
    Cmd_srch_obj->setText(QStringLiteral("検索"));
    Cmd_srch_obj->setToolTip(QStringLiteral("全て検索（[Shift]+ｸﾘｯｸで追加）"));
    CB_srch_obj = new QComboBox(client_);
    CB_srch_obj->setObjectName(QStringLiteral("CB_srch_obj"));
    CB_srch_obj->setEditable(true);
    CB_srch_obj->setInsertPolicy(QComboBox::NoInsert);
    CB_srch_obj->setToolTip(QStringLiteral("F3：下を検索　Shift+F3：上を検索"));

    TabObjects = new QTabBar(client_);
    TabObjects->setObjectName(QStringLiteral("TabObjects"));
    TabObjects->setShape(QTabBar::RoundedWest);
    TabObjects->setExpanding(false);
    TabObjects->setDrawBase(false);
    for (const char* tab : {"ALL", "TABLE", "VIEW", "SYNONYM"})
        TabObjects->addTab(QString::fromLatin1(tab));

    TreeView1 = new QTreeWidget(client_);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);

    Fra_Found = new QFrame(client_);
    Fra_Found->setObjectName(QStringLiteral("Fra_Found"));
    Fra_Found->setFrameShape(QFrame::NoFrame);
    L_Found = makeLabel(Fra_Found, QStringLiteral("L_Found"), QStringLiteral("検出："));
    L_Found->setFrameShape(QFrame::Panel);
    L_Found->setFrameShadow(QFrame::Raised);
    L_Found->setCursor(Qt::SizeVerCursor);
    L_Found->installEventFilter(this);

    LV_Found = new QTreeWidget(client_);
    LV_Found->setObjectName(QStringLiteral("LV_Found"));
    LV_Found->setHeaderHidden(true);
    LV_Found->setRootIsDecorated(false);
    LV_Found->setColumnCount(1);

    L_split = new QFrame(client_);
    L_split->setObjectName(QStringLiteral("L_split"));
    L_split->setFrameShape(QFrame::NoFrame);
    L_split->setCursor(Qt::SizeHorCursor);
    L_split->installEventFilter(this);

    TabStrip1 = new QTabBar(client_);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->setExpanding(false);
    TabStrip1->setDrawBase(false);
    TabStrip1->addTab(QStringLiteral("SQL入力"));
    TabStrip1->addTab(QStringLiteral("履 歴 "));
    TabStrip1->addTab(QStringLiteral("ﾃﾝﾌﾟﾚｰﾄ"));

    Frm_q = new QFrame(client_);
    Frm_q->setObjectName(QStringLiteral("Frm_q"));
    Frm_q->setFrameShape(QFrame::NoFrame);
    Cmd_srch_wd = new QToolButton(Frm_q);
    Cmd_srch_wd->setObjectName(QStringLiteral("Cmd_srch_wd"));
    Cmd_srch_wd->setToolTip(QStringLiteral("？/ﾄｰｸﾝ/ｷｰﾜｰﾄﾞ切替"));

    Lst_kwd = new QListWidget(client_);
    Lst_kwd->setObjectName(QStringLiteral("Lst_kwd"));

    TB_SQL = new QPlainTextEdit(client_);
    TB_SQL->setObjectName(QStringLiteral("TB_SQL"));
    TB_SQL->setLineWrapMode(QPlainTextEdit::NoWrap);

    buildSqlInfo();

    ListView1 = new QTableView(client_);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->verticalHeader()->hide();
    // One text line per row, as a report list shows it; the style's default is much taller.
    ListView1->verticalHeader()->setMinimumSectionSize(1);
    ListView1->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);

    buildStatusBar();
}

void QUORVANT::buildConnectionBand()
{
    Toolbar1 = new QToolBar(client_);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(20, 20));

    // The toolbar's third button: an empty space under the connection band.
    placeholder_ = new QWidget;
    placeholder_->setObjectName(QStringLiteral("tb_placeholder"));
    Pict_db = new QFrame(placeholder_);
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
    Img_slide->installEventFilter(this);
}

void QUORVANT::buildSqlInfo()
{
    Fra_SqlInfo = new QFrame(client_);
    Fra_SqlInfo->setObjectName(QStringLiteral("Fra_SqlInfo"));
    Fra_SqlInfo->setFrameShape(QFrame::StyledPanel);
    Fra_SqlInfo->setCursor(Qt::SizeVerCursor);
    Fra_SqlInfo->installEventFilter(this);

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
    const QFontMetrics fm(font());
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
    layout_.design.lMsgLeft = tw(x);
    L_msg->setGeometry(x, 1, 10, h - 1);
}

void QUORVANT::buildStatusBar()
{
    StatusBar1 = new QStatusBar(client_);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    const char* keys[4] = {"status", "cnt", "time", "msg"};
    const int widths[4] = {150, 120, 170, 0};
    for (int i = 0; i < 4; ++i) {
        panel_[i] = makeLabel(StatusBar1, QString::fromLatin1(keys[i]), QString());
        panel_[i]->setFrameShape(QFrame::StyledPanel);
        panel_[i]->setFrameShadow(QFrame::Sunken);
        if (widths[i] > 0) {
            panel_[i]->setMinimumWidth(widths[i]);
            StatusBar1->addWidget(panel_[i]);
        } else {
            StatusBar1->addWidget(panel_[i], 1);
        }
    }
}

void QUORVANT::takeDesignSizes()
{
    MainLayout::Design& d = layout_.design;
    d.toolbarHeight = tw(std::max(30, Toolbar1->sizeHint().height()));
    d.statusbarHeight = tw(std::max(22, StatusBar1->sizeHint().height()));
    d.tabObjectsWidth = tw(TabObjects->sizeHint().width());
    d.cmdSrchObjWidth = tw(std::max(40, Cmd_srch_obj->sizeHint().width()));
    d.tabStripHeight = tw(std::max(24, TabStrip1->sizeHint().height()));
    d.fraFoundHeight = tw(std::max(18, L_Found->sizeHint().height() + 2));
    d.lFoundTop = 0;
    Toolbar1->setFixedHeight(px(d.toolbarHeight));
}

void QUORVANT::wireConnection()
{
    connectDS_ = new ConnectDS(services_.db(), services_.ini(), services_.prompts(), this);
    ConnectionUi ui;
    ui.window = this;
    ui.TB_DSN = TB_DSN;
    ui.mn_connect = mn_connect;
    ui.mn_disconnect = mn_disconnect;
    ui.mn_reconnect = mn_reconnect;
    ui.mn_sql_go = mn_sql_go;
    ui.mn_sql_commit = mn_sql_commit;
    ui.mn_sql_rollback = mn_sql_rollback;
    ui.mn_out_select = mn_out_select;
    ui.mn_inp_csv = mn_inp_csv;
    ui.mn_disp_con2title = mn_disp_con2title;
    auto tb = [this](const char* key) {
        return Toolbar1->findChild<QAction*>(QStringLiteral("tb_") + QLatin1String(key));
    };
    ui.tb_connect = tb("connect");
    ui.tb_discon = tb("discon");
    ui.tb_go = tb("go");
    ui.tb_ok = tb("ok");
    ui.tb_ng = tb("ng");
    ui.tb_inst = tb("inst");
    ui.TreeView1 = TreeView1;
    ConnectionHooks hooks;
    hooks.loadObjectTree = [this] { loadObjectTree(); };
    hooks.closeFetch = [this] { closeFetch(); };
    connection_ = new ConnectionState(services_.db(), *connectDS_, ui, std::move(hooks), this);
    connection_->setStartState();

    connect(mn_connect, &QAction::triggered, connection_, &ConnectionState::ConnectDatabase);
    connect(mn_disconnect, &QAction::triggered, connection_, &ConnectionState::DisconnectDatabase);
    connect(mn_reconnect, &QAction::triggered, connection_, &ConnectionState::ReconnectDatabase);
}

void QUORVANT::wireObjectTree()
{
    ObjectTreeUi ui;
    ui.TreeView1 = TreeView1;
    ui.LV_Found = LV_Found;
    ui.L_Found = L_Found;
    ui.Fra_Found = Fra_Found;
    ui.TabObjects = TabObjects;
    ui.moveSearchHeaderToBottom = [this] { moveSearchHeaderToBottom(); };
    objectTree_ = new ObjectTree(ui, services_.db(), services_.prompts(), this, this);

    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TreeView1, &QWidget::customContextMenuRequested, this, &QUORVANT::treeContextMenu);
    connect(findChild<QAction*>(QStringLiteral("mn_get_tables")), &QAction::triggered, objectTree_,
            &ObjectTree::getTablesCommand);
    connect(TabObjects, &QTabBar::tabBarClicked, this,
            [this](int index) { objectTree_->openGroup(TabObjects->tabText(index)); });
}

void QUORVANT::treeContextMenu(const QPoint& pos)
{
    QTreeWidgetItem* node = TreeView1->itemAt(pos);
    if (node == nullptr)
        return;
    // Re-reading the catalog is offered on a root node while connected.
    if (ObjectTree::isRootNode(node) && services_.db().DbIsConnected())
        findChild<QMenu*>(QStringLiteral("mn_mouse2"))
            ->popup(TreeView1->viewport()->mapToGlobal(pos));
}

void QUORVANT::moveSearchHeaderToBottom()
{
    MainLayout& l = layout_;
    l.lvFound.height = 0;
    const double bottom =
        l.statusbarOn ? clientHeight() - l.design.statusbarHeight : clientHeight();
    l.fraFound.top = bottom - l.fraFound.height;
    l.lvFound.top = l.fraFound.top + l.fraFound.height;
    l.treeView.height = std::max(0.0, l.fraFound.top - l.treeView.top);
    applyLayout();
}

void QUORVANT::wireSqlRunner()
{
    SqlRunnerUi ui;
    ui.owner = this;
    ui.TB_SQL = TB_SQL;
    ui.TB_DSN = TB_DSN;
    ui.TreeView1 = TreeView1;
    ui.ListView1 = ListView1;
    ui.Cmd_start_stop = Cmd_start_stop;
    ui.L_cols = L_cols;
    ui.L_rows = L_rows;
    ui.L_sec = L_sec;
    ui.L_msg = L_msg;
    ui.status = panel_[0];
    ui.cnt = panel_[1];
    ui.time = panel_[2];
    ui.msg = panel_[3];
    ui.mn_sql_go = mn_sql_go;
    ui.mn_sql_stop = mn_sql_stop;
    ui.mn_sql_commit = mn_sql_commit;
    ui.mn_sql_rollback = mn_sql_rollback;
    auto tb = [this](const char* key) {
        return Toolbar1->findChild<QAction*>(QStringLiteral("tb_") + QLatin1String(key));
    };
    ui.tb_go = tb("go");
    ui.tb_stop = tb("stop");
    ui.tb_ok = tb("ok");
    ui.tb_ng = tb("ng");
    // The SQL history is not built yet: successful statements reach no history.
    sqlRunner_ = new SqlRunner(services_.db(), services_.prompts(), ui, SqlRunnerHooks{}, this);
    connect(Cmd_start_stop, &QToolButton::clicked, sqlRunner_, &SqlRunner::Cmd_start_stop_Click);
}

void QUORVANT::load()
{
    const INIfile_IO& ini = services_.ini();
    const QString window = QLatin1String(settings::kWindow);
    helpAddress_ = settings::readHelpUrl(ini);
    mainPlacement_ = ini.ReadIniValue(window, QLatin1String(settings::kMainPlacement));
    histPlacement_ = ini.ReadIniValue(window, QLatin1String(settings::kHistPlacement));
    tempPlacement_ = ini.ReadIniValue(window, QLatin1String(settings::kTempPlacement));

    layout_.toolbarOn = settings::readOnOff(ini, settings::kWindow, settings::kToolBar);
    mn_disp_toolbar->setChecked(layout_.toolbarOn);
    Pict_db->setVisible(layout_.toolbarOn);
    Toolbar1->setVisible(layout_.toolbarOn);
    layout_.statusbarOn = settings::readOnOff(ini, settings::kWindow, settings::kStatusBar);
    mn_disp_statusbar->setChecked(layout_.statusbarOn);
    StatusBar1->setVisible(layout_.statusbarOn);
    layout_.kwdListOn = settings::readOnOff(ini, settings::kWindow, settings::kKwdList);
    mn_disp_kwdlist->setChecked(layout_.kwdListOn);
    Lst_kwd->setVisible(layout_.kwdListOn);
    mn_disp_con2title->setChecked(
        settings::readOnOff(ini, settings::kWindow, settings::kCon2Title));

    FillKeywordList();
    lineHeight_ =
        static_cast<int>(tw(QFontMetrics(font()).boundingRect(QLatin1Char('A')).height()));
    computeTopAndHeight(layout_, clientHeight());

    applyInitialSizes(layout_);
    resetFetchStrip();
    Cmd_srch_wd->setText(QStringLiteral("？"));

    auto* quick = mn_mouse->findChild<QMenu*>(QStringLiteral("mn_quick_sql"));
    for (int i = 1; i <= 6; ++i) {
        QAction* entry = quick->addAction(QString());
        entry->setObjectName(QStringLiteral("mn_quick_sqlstmt_%1").arg(i));
        entry->setProperty("index", i);
        connect(entry, &QAction::triggered, this,
                [this] { featureCommand(QStringLiteral("mn_quick_sqlstmt")); });
    }

    panel_[0]->setText(QStringLiteral("SQLCode:"));
    panel_[1]->setText(QStringLiteral("行数:"));
    panel_[2]->setText(QStringLiteral("実行時間："));
    panel_[3]->setText(QString());

    show();
    RestoreWindowPlacement(this, mainPlacement_);
    keepOnScreen();

    CB_srch_obj->addItem(QString());

    // Node and header icons come from the resource folder ":/icons/" (see DESIGN-NOTES).
    TreeView1->setIconSize(QSize(16, 16));
    LV_Found->setIconSize(QSize(16, 16));
    ListView1->horizontalHeader()->setIconSize(QSize(16, 16));

    services_.db().DbInit();
    readTemplatesAndHistory();
    readEditorCommand();

    Resize();
    if (services_.connectAtStart) {
        QTimer::singleShot(0, this, [this] {
            show();
            letEventsRun();
            connection_->ConnectDatabase();
        });
    }
}

void QUORVANT::keepOnScreen()
{
    const QScreen* screen = this->screen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    const QSize extra = frame.size() - size();
    const TwipsRect stored{tw(frame.x() - area.left()), tw(frame.y() - area.top()),
                           tw(frame.width()), tw(frame.height())};
    const TwipsRect fit = reachablePlacement(stored, tw(area.width()), tw(area.height()));
    if (fit == stored)
        return;
    resize(px(fit.width) - extra.width(), px(fit.height) - extra.height());
    move(area.left() + px(fit.left), area.top() + px(fit.top));
}

double QUORVANT::clientWidth() const
{
    return tw(client_->width());
}

double QUORVANT::clientHeight() const
{
    return tw(client_->height());
}

void QUORVANT::Resize()
{
    if (!resizeLayout(layout_, clientWidth(), clientHeight(), isMinimized()))
        return;
    applyLayout();
    if (ListView1->model() != nullptr)
        AutoSizeListColumns(ListView1, true, ListView1->model()->columnCount());
    AutoSizeListColumns(LV_Found, true, 1);
}

void QUORVANT::applyLayout()
{
    const MainLayout& l = layout_;
    place(Toolbar1, l.toolbar);
    place(StatusBar1, l.statusbar);
    place(Cmd_srch_obj, l.cmdSrchObj);
    place(CB_srch_obj, l.cbSrchObj);
    place(TabObjects, l.tabObjects);
    place(TreeView1, l.treeView);
    place(Fra_Found, l.fraFound);
    place(L_Found, {0, l.design.lFoundTop, l.lFoundWidth, l.fraFound.height - l.design.lFoundTop});
    place(LV_Found, l.lvFound);
    place(L_split, l.lSplit);
    place(TabStrip1, l.tabStrip);
    place(Frm_q, {l.frmQ.left, l.frmQ.top, 1500, l.tabStrip.height - 50});
    Cmd_srch_wd->setGeometry(0, 0, Cmd_srch_wd->sizeHint().width() + 8,
                             std::max(0, px(l.tabStrip.height - 50) - 2));
    place(Lst_kwd, l.lstKwd);
    place(TB_SQL, l.tbSql);
    place(Fra_SqlInfo, l.fraSqlInfo);
    L_msg->setGeometry(px(l.design.lMsgLeft), L_msg->y(), std::max(0, px(l.lMsgWidth) - 4),
                       L_msg->height());
    place(ListView1, l.listView);
    applyConnectionBand();
    // The panes under the toolbar must not cover it.
    Toolbar1->raise();
    StatusBar1->raise();
}

void QUORVANT::applyConnectionBand()
{
    const MainLayout& l = layout_;
    const int h = px(l.design.toolbarHeight) - 4;
    placeholder_->setFixedSize(px(l.placeholderWidth), h);
    Pict_db->setGeometry(4, 0, px(l.pictDbWidth), h);
    const int rowH = std::min(h, TB_DSN->sizeHint().height());
    Label2->setGeometry(2, 0, px(375) - 4, h);
    TB_DSN->setGeometry(px(375), (h - rowH) / 2, std::max(0, px(l.tbDsnWidth)), rowH);
    Img_slide->setGeometry(px(l.imgSlideLeft), 0, px(135), h);
}

void QUORVANT::FillKeywordList()
{
    keywords_ = readKeywordFile();
    Lst_kwd->clear();
    Lst_kwd->addItems(keywords_);
    const QFontMetrics fm(font());
    const double widest =
        widestTextWidth(keywords_, [&fm](const QString& s) { return tw(fm.horizontalAdvance(s)); });
    layout_.lstKwd.width = keywordListWidth(widest);
}

bool QUORVANT::IsKeyword(const QString& word) const
{
    return std::any_of(keywords_.cbegin(), keywords_.cend(), [&word](const QString& k) {
        return k.compare(word, Qt::CaseInsensitive) == 0;
    });
}

void QUORVANT::resetFetchStrip()
{
    sqlRunner_->reset_fetch_strip();
}

void QUORVANT::displayOptionChanged(QAction* item)
{
    const bool on = item->isChecked();
    if (item == mn_disp_toolbar) {
        layout_.toolbarOn = on;
        Pict_db->setVisible(on);
        Toolbar1->setVisible(on);
    } else if (item == mn_disp_statusbar) {
        layout_.statusbarOn = on;
        StatusBar1->setVisible(on);
    } else if (item == mn_disp_kwdlist) {
        layout_.kwdListOn = on;
        Lst_kwd->setVisible(on);
    } else if (item == mn_disp_con2title) {
        connection_->TitleOptionChanged();
        return;
    }
    Resize();
}

bool QUORVANT::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == client_ && event->type() == QEvent::Resize) {
        Resize();
        return false;
    }
    if (watched == L_split || watched == Img_slide || watched == Fra_SqlInfo ||
        watched == L_Found) {
        if (dragEvent(watched, event))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool QUORVANT::dragEvent(QObject* bar, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            return false;
        dragging_ = true;
        grabX_ = e->position().x() * twips::kTwipsPerPixel;
        grabY_ = e->position().y() * twips::kTwipsPerPixel;
        return true;
    }
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return true;
    case QEvent::MouseMove: {
        if (!dragging_)
            return false;
        const auto* e = static_cast<QMouseEvent*>(event);
        const double x = e->position().x() * twips::kTwipsPerPixel;
        const double y = e->position().y() * twips::kTwipsPerPixel;
        bool moved = false;
        if (bar == L_split) {
            moved = dragSplit(layout_, clientWidth(), x, grabX_);
            if (moved)
                AutoSizeListColumns(LV_Found, true, 1);
        } else if (bar == Img_slide) {
            moved = dragSlide(layout_, x, grabX_);
        } else if (bar == Fra_SqlInfo) {
            moved = dragSqlInfo(layout_, clientHeight(), y, grabY_);
        } else if (bar == L_Found) {
            moved = dragFound(layout_, clientHeight(), y, grabY_);
        }
        if (moved)
            applyLayout();
        return true;
    }
    default:
        return false;
    }
}

void QUORVANT::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && client_ != nullptr)
        Resize();
}

void QUORVANT::closeEvent(QCloseEvent* event)
{
    // A statement still running owns the cursor and the event loop: stop its fetch first and
    // close once the run has come back to idle.
    if (sqlRunner_->running()) {
        sqlRunner_->stopCommand();
        event->ignore();
        QTimer::singleShot(100, this, &QWidget::close);
        return;
    }
    unload();
    event->accept();
}

void QUORVANT::unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    INIfile_IO& ini = services_.ini();
    SaveWindowPlacement(this, ini, QLatin1String(settings::kMainPlacement));
    settings::writeOnOff(ini, settings::kWindow, settings::kToolBar, mn_disp_toolbar->isChecked());
    settings::writeOnOff(ini, settings::kWindow, settings::kStatusBar,
                         mn_disp_statusbar->isChecked());
    settings::writeOnOff(ini, settings::kWindow, settings::kKwdList, mn_disp_kwdlist->isChecked());
    settings::writeOnOff(ini, settings::kWindow, settings::kCon2Title,
                         mn_disp_con2title->isChecked());
    hide();
    letEventsRun();
    services_.db().DbDisconnect();
    connectDS_->SaveHist();
    saveTemplatesAndHistory();
    // The program ends with this window: the windows it owns close with it.
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->isWindow() && w->isVisible())
            w->close();
    }
}

// ---- extension points ----

QStringList QUORVANT::readKeywordFile()
{
    return {};
}

void QUORVANT::readTemplatesAndHistory() {}

void QUORVANT::readEditorCommand() {}

void QUORVANT::saveTemplatesAndHistory() {}

void QUORVANT::loadObjectTree()
{
    // Every connect reads the catalog as the user who connected.
    objectTree_->setOwnerFilter(connection_->uid());
    objectTree_->loadObjectTree();
}

void QUORVANT::closeFetch()
{
    sqlRunner_->close_fetch();
}

void QUORVANT::featureCommand(const QString& name)
{
    if (name == QLatin1String("mn_sql_go"))
        sqlRunner_->exec_sql_batch();
    else if (name == QLatin1String("mn_sql_stop"))
        sqlRunner_->stopCommand();
    else if (name == QLatin1String("mn_sql_commit"))
        sqlRunner_->commit_command();
    else if (name == QLatin1String("mn_sql_rollback"))
        sqlRunner_->rollback_command();
}
