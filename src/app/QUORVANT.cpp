#include "app/QUORVANT.h"

#include "app/AppServices.h"
#include "app/CommandStates.h"
#include "app/FrmVersion.h"
#include "app/PendingWindow.h"
#include "base/AppFolder.h"
#include "base/Composition.h"
#include "base/INIfile_IO.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "base/SqlHighlight.h"
#include "base/Twips.h"
#include "base/WindowFont.h"
#include "base/WindowPlacement.h"
#include "base/basApiCall.h"
#include "browser/ObjectCommands.h"
#include "browser/ObjectSearch.h"
#include "browser/ObjectTree.h"
#include "connect/ConnectDS.h"
#include "connect/ConnectionState.h"
#include "editor/FrmEditor.h"
#include "editor/KeywordList.h"
#include "editor/SqlInputArea.h"
#include "editor/TokenSearch.h"
#include "history/ShowHist.h"
#include "history/ShowTemp.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/GridFilterRow.h"
#include "sqlexec/ResultGridCommands.h"
#include "sqlexec/SqlExecText.h"
#include "sqlexec/SqlRunner.h"
#include "transfer/LoadCSV.h"
#include "transfer/SaveCSV.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
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
// The input area's frame by the connection's marks: red for production, blue for read-only;
// with both, the sides are red and the top and bottom blue.
QString markFrame(const SourceMarks& marks)
{
    const char* production = "rgb(220, 0, 0)";
    const char* readOnly = "rgb(0, 90, 220)";
    if (!marks.production && !marks.readOnly)
        return QString();
    const QString colours = marks.production && marks.readOnly
                                ? QStringLiteral("%1 %2").arg(readOnly, production)
                                : QLatin1String(marks.production ? production : readOnly);
    return QStringLiteral("QPlainTextEdit { border: 3px solid; border-color: %1; }").arg(colours);
}

} // namespace

QUORVANT::QUORVANT(AppServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services)
{
    initAppResources();
    setObjectName(QStringLiteral("QUORVANT"));
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/quorvant.png")));
    setFont(workbenchFont());
    resize(960, 640);

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    client_->installEventFilter(this);
    composition::install();

    ui_.setupUi(this, client_, this);
    takeDesignSizes();
    // The one way into the SQL history: the statement, and the connection as its record
    // names it.
    historySink_ = [this](const QString& sql) {
        showHist_->AddHist(services_.db().work().sourceText(), sql);
    };
    wireConnection();
    wireObjectTree();
    wireInputArea();
    wireSqlRunner();
    wireSaveCSV();
    wireCommands();
    // A settings file that exists but cannot be read is never replaced, and a program folder
    // that could not be made keeps nothing: the user hears of it once, at the first setting that
    // cannot be saved.
    services_.ini().setRefusedWriteHook([this] {
        const QString text = services_.ini().folderUnusable()
                                 ? QStringLiteral("設定ファイルのフォルダ（%1）を作成できないため、"
                                                  "設定を保存できません。")
                                       .arg(QFileInfo(services_.ini().path()).path())
                                 : QStringLiteral("設定ファイル（QUORVANT.INI）を読み込めないため、"
                                                  "設定を保存できません。");
        services_.prompts().tell(this, Prompts::Icon::Warning, QStringLiteral("QUORVANT"), text);
    });
    load();
}

QUORVANT::~QUORVANT()
{
    // The services outlive the window: nothing of theirs may call back into it.
    services_.ini().setRefusedWriteHook({});
    services_.db().setCursorHolder({});
    disconnect(&services_.db().work(), nullptr, this, nullptr);
}

void QUORVANT::wireConnection()
{
    connectDS_ = new ConnectDS(services_.db(), services_.ini(), services_.prompts(), this);
    const ConnectionUi ui = ui_.connectionUi(this);
    connection_ = new ConnectionState(services_.db(), services_.prompts(), *connectDS_, ui, this);
    connect(connection_, &ConnectionState::connected, this, &QUORVANT::loadObjectTree);
    connect(connection_, &ConnectionState::aboutToDisconnect, this, &QUORVANT::closeFetch);
    connect(connection_, &ConnectionState::stateChanged, this, &QUORVANT::updateCommandStates);
    connectionDialect_ = [this] { return services_.db().DbDialect(); };
    connect(connection_, &ConnectionState::stateChanged, this, &QUORVANT::applyDialect);
    connect(&services_.db().work(), &ConnectionWork::changed, this, &QUORVANT::applyDialect);
    // A marked connection frames the input area; text, caret and selection keep their colours,
    // since only the border is styled.
    connect(connection_, &ConnectionState::stateChanged, this,
            [this] { ui_.TB_SQL->setStyleSheet(markFrame(connection_->marks())); });
}

void QUORVANT::applyDialect()
{
    if (inputArea_ == nullptr || showHist_ == nullptr || showTemp_ == nullptr)
        return;
    const sql::Dialect dialect = connectionDialect_();
    inputArea_->highlighter().setDialect(dialect);
    showHist_->highlighter().setDialect(dialect);
    showTemp_->highlighter().setDialect(dialect);
    if (completion_ != nullptr)
        completion_->setDialect(dialect);
}

void QUORVANT::wireObjectTree()
{
    const ObjectTreeUi ui = ui_.objectTreeUi([this] { moveSearchHeaderToBottom(); });
    objectTree_ = new ObjectTree(ui, services_.db(), services_.prompts(), this, this);

    ObjectCommandsHooks hooks;
    hooks.InsertAtCaret = [this](const QString& text) { inputArea_->InsertAtCaret(text); };
    hooks.replaceSql = [this](const QString& sql) { inputArea_->InputHist(sql); };
    hooks.PostSQL = [this](const QString& sql) { inputArea_->PostSQL(sql); };
    hooks.editRows = [this](const QString& sql) {
        inputArea_->PostSQL(sql);
        if (!sqlRunner_->running() && !sqlRunner_->batch().gridSql().isEmpty())
            gridEditor_->offerEditing();
    };
    hooks.showColumnTable = [this](const QStringList& headers, const ColumnKinds& kinds,
                                   const std::vector<QVector<QString>>& rows, int numberWidth) {
        sqlRunner_->showTable(headers, kinds, rows, numberWidth);
    };
    objectCommands_ = new ObjectCommands(ui_.objectCommandsUi(), std::move(hooks), *objectTree_,
                                         services_.db(), this);

    ObjectSearchUi searchUi = ui_.objectSearchUi();
    searchUi.foundListHeight = [this] { return layout_.lvFound.height; };
    searchUi.treeHeight = [this] { return layout_.treeView.height; };
    searchUi.setFoundListHeight = [this](double height) {
        layout_.lvFound.height = height;
        Resize();
    };
    objectSearch_ = new ObjectSearch(searchUi, *objectTree_, *objectCommands_, this);
}

void QUORVANT::wireSqlRunner()
{
    const SqlRunnerUi ui = ui_.sqlRunnerUi(this);
    BatchRunHooks hooks;
    hooks.AddHist = historySink_;
    sqlRunner_ = new SqlRunner(services_.db(), services_.prompts(), ui, std::move(hooks), this);
    gridEditor_ = new GridEditor(services_.db(), services_.prompts(), sqlRunner_->batch(),
                                 ui_.gridEditorUi(this), this);
    gridEditor_->setProductionCheck(
        [this] { return connection_ != nullptr && connection_->marks().production; });
    connect(gridEditor_, &GridEditor::editsChanged, this, &QUORVANT::updateCommandStates);
    // The grid's rows outlive their connection; they are never edited through another one.
    connect(connection_, &ConnectionState::aboutToDisconnect, gridEditor_, &GridEditor::endEditing);
    connect(connection_, &ConnectionState::connected, gridEditor_, &GridEditor::endEditing);
    // The grid's own commands act where the grid has the focus: elsewhere Ctrl+Ins and
    // Ctrl+Del belong to the text boxes.
    for (const char* name : {"mn_grid_edit", "mn_grid_null", "mn_grid_add", "mn_grid_delete"}) {
        QAction* a = ui_.action(QString::fromLatin1(name));
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        ui_.ListView1->addAction(a);
    }
    ResultGridHooks gridHooks;
    gridHooks.InsertAtCaret = [this](const QString& text) { inputArea_->InsertAtCaret(text); };
    gridHooks.sortAllowed = [this] { return !services_.db().work().busy(); };
    resultGrid_ =
        new ResultGridCommands(sqlRunner_->model(), ui_.resultGridUi(), std::move(gridHooks), this);
    ui_.Fra_filter->setModel(&sqlRunner_->model());
    // After the runner has written the count (it connected first).
    connect(&sqlRunner_->model(), &ResultGridModel::filterChanged, this, &QUORVANT::fitFetchStrip);
    connect(&sqlRunner_->model(), &QAbstractItemModel::modelReset, this, &QUORVANT::fitFetchStrip);
    // A catalog read needs the cursor a suspended fill holds: that fill ends first.
    // A suspended fill ends before the cursor is needed; where the driver cannot keep it open
    // beside a catalog read, the user first hears why it can no longer be resumed.
    services_.db().setCursorHolder([this](bool forCatalog) {
        if (forCatalog)
            services_.prompts().tell(this, Prompts::Icon::Information, QStringLiteral("QUORVANT"),
                                     QStringLiteral("このドライバーでは中断中の結果を開いたまま"
                                                    "一覧を読めません。中断中の結果を閉じます。"));
        sqlRunner_->endSuspendedFetch();
    });
    connect(&services_.db().work(), &ConnectionWork::changed, this, &QUORVANT::updateCommandStates);
    connect(&sqlRunner_->batch(), &BatchRun::undoChanged, this, &QUORVANT::updateCommandStates);
    // A fill that ends capped keeps its cursor for the rest.
    connect(&sqlRunner_->batch(), &BatchRun::stripChanged, this,
            [this](const FetchStrip&, bool rowsOnly) {
                if (!rowsOnly)
                    updateCommandStates();
            });
    wirePendingWork();
    // A close asked for during work is carried out once the work has unwound: queued, so that
    // the frames of that work have returned first.
    connect(&services_.db().work(), &ConnectionWork::idle, this, [this] {
        if (closeAfterWork_)
            QMetaObject::invokeMethod(
                this, [this] { close(); }, Qt::QueuedConnection);
    });
    updateCommandStates();
}

void QUORVANT::wireSaveCSV()
{
    SaveCSVHooks hooks;
    hooks.AddHist = historySink_;
    hooks.endGridResult = [this] { sqlRunner_->endSuspendedFetch(); };
    hooks.takeGridRest = [this](ResultGridSource& read, std::vector<QVector<QString>>& held) {
        if (!sqlRunner_->batch().takeRest(held))
            return false;
        read = fetchedRowsSource();
        return true;
    };
    hooks.EditFile = [this](const QString& path) { frmEditor_->EditFile(path); };
    hooks.readsOnly = [this](const QString& sql) {
        return !ClassifyStatement(sql, services_.db().DbDialect()).mayChange;
    };
    saveCSV_ = new SaveCSV(services_.db(), services_.prompts(), std::move(hooks), this);
}

void QUORVANT::wireCompletion()
{
    // Names of the tree's last catalog read, and columns read as a job on the connection; kept
    // until the tree is read again (a reconnect reads it again too).
    completionCatalog_.readObjects = [this] {
        return objectTree_->tableNames() + objectTree_->viewNames() + objectTree_->synonymNames();
    };
    completionCatalog_.readColumns = [this](const QString& table) {
        CatalogRead::Columns columns;
        CatalogRead(services_.db()).columns(objectTree_->ownerFilter(), table, false, columns);
        return columns.names;
    };
    connect(objectTree_, &ObjectTree::nodesAboutToBeRemoved, this,
            [this] { completionCatalog_.clear(); });
    completion_ = new CompletionPopup(
        ui_.TB_SQL, completionCatalog_,
        [this] { return services_.db().DbIsConnected() && !services_.db().work().busy(); }, this);
}

void QUORVANT::wireInputArea()
{
    // A statement from the history runs through the run command, as Ctrl+I runs it.
    SqlInputAreaHooks hooks;
    hooks.GetHistCurr = [this](std::int16_t& no) { return showHist_->log().GetHistCurr(no); };
    hooks.GetHistNext = [this](std::int16_t& no) { return showHist_->log().GetHistNext(no); };
    hooks.GetHistBack = [this](std::int16_t& no) { return showHist_->log().GetHistBack(no); };
    hooks.GetHistNum = [this] { return showHist_->log().GetHistNum(); };
    hooks.GetTempCurr = [this](std::int16_t& no) { return showTemp_->store().GetTempCurr(no); };
    hooks.GetTempNext = [this](std::int16_t& no) { return showTemp_->store().GetTempNext(no); };
    hooks.GetTempBack = [this](std::int16_t& no) { return showTemp_->store().GetTempBack(no); };
    hooks.GetTempNum = [this] { return showTemp_->store().GetTempNum(); };
    hooks.runBatch = [this](const QString& sql) { runStatements(sql); };
    hooks.prompts = &services_.prompts();
    frmEditor_ = new FrmEditor(services_.ini(), services_.prompts(),
                               AppFolder() + QStringLiteral("SQLKYWD.TXT"), this);
    hooks.editSql = [this](const QString& sql) { return frmEditor_->editSql(sql); };
    inputArea_ = new SqlInputArea(ui_.sqlInputAreaUi(this), std::move(hooks), this);
    wireCompletion();
    KeywordListHooks keywordHooks;
    keywordHooks.InsertAtCaret = [this](const QString& text) { inputArea_->InsertAtCaret(text); };
    keywordList_ = new KeywordList(ui_.keywordListUi(), std::move(keywordHooks), this);

    ShowHistHooks histHooks;
    histHooks.InputHist = [this](const QString& sql) { inputArea_->InputHist(sql); };
    histHooks.PostSQL = [this](const QString& sql) { inputArea_->PostSQL(sql); };
    showHist_ = new ShowHist(services_.ini(), services_.db().work(), services_.prompts(),
                             std::move(histHooks), this);
    showTemp_ = new ShowTemp(
        services_.ini(), services_.prompts(),
        [this](const QString& sql) { inputArea_->CopyTmpl(sql); }, this);
}

void QUORVANT::load()
{
    const INIfile_IO& ini = services_.ini();
    const QString window = QLatin1String(settings::kWindow);
    helpAddress_ = settings::readHelpUrl(ini);
    mainPlacement_ = ini.ReadIniValue(window, QLatin1String(settings::kMainPlacement));
    histPlacement_ = ini.ReadIniValue(window, QLatin1String(settings::kHistPlacement));
    tempPlacement_ = ini.ReadIniValue(window, QLatin1String(settings::kTempPlacement));

    for (const MainWindowUi::DisplayOption& option : ui_.displayOptions()) {
        const bool on =
            settings::readOnOff(ini, settings::kWindow, option.settingsKey, option.onWhenMissing);
        option.item->setChecked(on);
        showDisplayOption(option, on);
    }

    // One keyword row is one line of the font, leading included: a pointer position divided
    // by the height of a glyph would land rows too far down.
    lineHeight_ = static_cast<int>(twips::fromPixels(QFontMetrics(font()).lineSpacing()));
    FillKeywordList();
    computeTopAndHeight(layout_, clientHeight());

    applyInitialSizes(layout_);
    resetFetchStrip();
    inputArea_->setSearchMode(tokensearch::Mode::Placeholder);

    for (QAction* entry : ui_.addQuickSqlItems())
        connect(entry, &QAction::triggered, this, [this, entry] {
            runCommand(entry->property("command").toString(), entry->property("index").toInt());
        });

    ui_.panel[0]->setText(QStringLiteral("SQLCode:"));
    ui_.panel[1]->setText(QStringLiteral("行数:"));
    ui_.panel[2]->setText(QStringLiteral("実行時間："));
    ui_.panel[3]->setText(QString());

    show();
    RestoreWindowPlacement(this, mainPlacement_);
    keepOnScreen();

    ui_.CB_srch_obj->addItem(QString());

    // Node and header icons come from the resource folder ":/icons/" (see DESIGN-NOTES).
    ui_.LV_Found->setIconSize(QSize(16, 16));
    ui_.ListView1->horizontalHeader()->setIconSize(QSize(16, 16));

    services_.db().DbInit();
    readTemplatesAndHistory();
    readEditorCommand();

    Resize();
    if (services_.connectAtStart) {
        QTimer::singleShot(0, this, [this] {
            show();
            connection_->ConnectDatabase();
        });
    }
}

void QUORVANT::FillKeywordList()
{
    keywords_ = readKeywordFile();
    keywordList_->fill(keywords_, std::max(1, twips::toPixels(lineHeight_)));
    inputArea_->setKeywords(keywords_);
    showHist_->highlighter().setKeywords(keywords_);
    showTemp_->highlighter().setKeywords(keywords_);
    const QFontMetrics fm(font());
    const double widest = widestTextWidth(
        keywords_, [&fm](const QString& s) { return twips::fromPixels(fm.horizontalAdvance(s)); });
    layout_.lstKwd.width = keywordListWidth(widest);
}

void QUORVANT::resetFetchStrip()
{
    sqlRunner_->reset_fetch_strip();
}

// ---- extension points ----

QStringList QUORVANT::readKeywordFile()
{
    return tokensearch::readKeywordFile(AppFolder() + QStringLiteral("SQLKYWD.TXT"));
}

void QUORVANT::readTemplatesAndHistory()
{
    showTemp_->setPlacement(tempPlacement_);
    showTemp_->ReadTmpl();
    inputArea_->temp_no = 0;
    showHist_->setPlacement(histPlacement_);
    showHist_->ReadHist();
    inputArea_->hist_no = 0;
}

void QUORVANT::readEditorCommand()
{
    frmEditor_->GetEditorCommand();
}

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

void QUORVANT::updateCommandStates()
{
    const ODBCComm& db = services_.db();
    const CommandStates states =
        deriveCommandStates({db.DbIsConnected(), db.work().busy(),
                             connection_ != nullptr && connection_->canReconnect(),
                             sqlRunner_ != nullptr && sqlRunner_->batch().undoAvailable(),
                             sqlRunner_ != nullptr && sqlRunner_->batch().restOpen(),
                             gridEditor_ != nullptr && gridEditor_->hasEdits()});
    // Toolbar buttons are found by their key, the name without "tb_".
    const auto command = [this](const QString& name) {
        return ui_.action(name.startsWith(QLatin1String("tb_")) ? name.mid(3) : name);
    };
    for (const auto& [name, on] : states.enabled) {
        if (QAction* a = command(name))
            a->setEnabled(on);
    }
    objectTree_->setEnabled(states.treeEnabled);
    if (showHist_ != nullptr)
        showHist_->setRunEnabled(states.runEnabled);
    command(QStringLiteral("tb_connect"))->setChecked(states.connectPressed);
    command(QStringLiteral("tb_discon"))->setChecked(states.disconPressed);
}
