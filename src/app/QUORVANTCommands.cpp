// The commands of the main window: what each menu item, popup item and toolbar button does,
// and the shell's own commands.
#include "app/QUORVANT.h"

#include "app/AppServices.h"
#include "app/FrmVersion.h"
#include "app/ShellCommands.h"
#include "base/AppFolder.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "base/basApiCall.h"
#include "browser/ObjectCommands.h"
#include "browser/ObjectTree.h"
#include "connect/ConnectionState.h"
#include "editor/FrmEditor.h"
#include "editor/KeywordList.h"
#include "editor/SqlInputArea.h"
#include "history/ShowHist.h"
#include "history/ShowTemp.h"
#include "sqlexec/ResultGridCommands.h"
#include "sqlexec/SqlRunner.h"
#include "transfer/LoadCSV.h"
#include "transfer/SaveCSV.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QToolBar>

#include <memory>
#include <vector>

void QUORVANT::wireCommands()
{
    // A check item kept in [SET]: written as it is toggled, and applied where it acts.
    const auto onOffItem = [this](const char* name, const char* key,
                                  std::function<void(bool)> apply = {}) {
        return [this, name, key, apply] {
            const bool on = ui_.action(QLatin1String(name))->isChecked();
            settings::writeOnOff(services_.ini(), settings::kSet, key, on);
            if (apply)
                apply(on);
        };
    };
    commands_ = {
        {QStringLiteral("mn_new_window"), [this] { newInstanceCommand(); }},
        {QStringLiteral("mn_connect"), [this] { connection_->ConnectDatabase(); }},
        {QStringLiteral("mn_disconnect"),
         [this] {
             if (gridEditor_->settleEdits() && settlePendingWork())
                 connection_->DisconnectDatabase();
         }},
        {QStringLiteral("mn_reconnect"), [this] { connection_->ReconnectDatabase(); }},
        {QStringLiteral("mn_exit"), [this] { exitCommand(); }},
        {QStringLiteral("mn_sql_go"), [this] { runStatements(inputArea_->statements()); }},
        {QStringLiteral("mn_sql_stop"), [this] { sqlRunner_->stopCommand(); }},
        {QStringLiteral("mn_sql_commit"), [this] { sqlRunner_->commit_command(); }},
        {QStringLiteral("mn_sql_rollback"), [this] { sqlRunner_->rollback_command(); }},
        {QStringLiteral("mn_sql_undo"), [this] { sqlRunner_->batch().undoLast(); }},
        {QStringLiteral("mn_grid_edit"), [this] { gridEditor_->editCurrentCell(); }},
        {QStringLiteral("mn_grid_null"), [this] { gridEditor_->setCurrentCellNull(); }},
        {QStringLiteral("mn_grid_add"), [this] { gridEditor_->addRow(); }},
        {QStringLiteral("mn_grid_delete"), [this] { gridEditor_->deleteSelectedRows(); }},
        {QStringLiteral("mn_grid_apply"), [this] { gridEditor_->applyCommand(); }},
        {QStringLiteral("mn_grid_discard"), [this] { gridEditor_->discardCommand(); }},
        {QStringLiteral("mn_grid_preview"),
         onOffItem("mn_grid_preview", settings::kEditPreview,
                   [this](bool on) { gridEditor_->setPreview(on); })},
        {QStringLiteral("mn_grid_original"),
         onOffItem("mn_grid_original", settings::kEditCheckOriginals,
                   [this](bool on) { gridEditor_->setCheckOriginals(on); })},
        {QStringLiteral("mn_edit_rows"), [this] { objectCommands_->editRowsCommand(); }},
        {QStringLiteral("mn_sql_askpending"),
         onOffItem("mn_sql_askpending", settings::kAskPending)},
        {QStringLiteral("mn_kick_dsnadmin"), [this] { dataSourceAdminCommand(); }},
        {QStringLiteral("mn_help_quorvant"), [this] { helpCommand(); }},
        {QStringLiteral("mn_version"), [this] { aboutCommand(); }},
        {QStringLiteral("mn_get_tables"), [this] { objectTree_->getTablesCommand(); }},
        {QStringLiteral("mn_open_file"), [this] { inputArea_->openFileCommand(); }},
        {QStringLiteral("mn_sql_history"), [this] { showHist_->showWindow(); }},
        {QStringLiteral("mn_sql_temp"), [this] { showTemp_->showWindow(); }},
        {QStringLiteral("mn_copy_sql"), [this] { objectCommands_->copySqlCommand(); }},
        {QStringLiteral("mn_copy_clip"), [this] { objectCommands_->copyClipCommand(); }},
        {QStringLiteral("mn_copy_allcols_sql"),
         [this] { objectCommands_->copyAllColumnsCommand(true); }},
        {QStringLiteral("mn_copy_allcols_clip"),
         [this] { objectCommands_->copyAllColumnsCommand(false); }},
        {QStringLiteral("mn_colcopy_sql"), [this] { objectCommands_->colCopySqlCommand(); }},
        {QStringLiteral("mn_colcopy_clip"), [this] { objectCommands_->colCopyClipCommand(); }},
        {QStringLiteral("mn_objcopy_sql"), [this] { objectCommands_->objCopySqlCommand(); }},
        {QStringLiteral("mn_objcopy_clip"), [this] { objectCommands_->objCopyClipCommand(); }},
        {QStringLiteral("mn_disp_cols_all"),
         [this] { objectCommands_->showColumnAttributes(true); }},
        {QStringLiteral("mn_disp_cols_name"),
         [this] { objectCommands_->showColumnAttributes(false); }},
        {QStringLiteral("mn_sql_edit"), [this] { inputArea_->editCommand(); }},
        {QStringLiteral("mn_set_editor"), [this] { frmEditor_->showSettings(); }},
        {QStringLiteral("mn_kwd_edit"), [this] { editKeywordsCommand(); }},
        {QStringLiteral("mn_kwdcopy_sql"), [this] { keywordList_->copyToSqlCommand(); }},
        {QStringLiteral("mn_kwdcopy_clip"), [this] { keywordList_->copyToClipboardCommand(); }},
        {QStringLiteral("mn_out_csv"), [this] { saveGridCommand(); }},
        {QStringLiteral("mn_out_select"),
         [this] { saveCSV_->Show4SelectOut(inputArea_->statements()); }},
        {QStringLiteral("mn_out_rest"), [this] { saveCSV_->ShowRest(); }},
        {QStringLiteral("mn_inp_csv"), [this] { loadCsvCommand(); }},
    };
    arrayCommands_ = {
        {QStringLiteral("mn_quick_sqlstmt"),
         [this](int index) { objectCommands_->quickSqlCommand(index); }},
    };
    // The result grid's copy items: each copies the copy text of its parent entry's index.
    for (int i = 0; i < 5; ++i) {
        commands_.insert(QStringLiteral("mn_LV_subitem_copy_sql_%1").arg(i),
                         [this, i] { resultGrid_->copyToInputArea(i); });
        commands_.insert(QStringLiteral("mn_LV_subitem_copy_clip_%1").arg(i),
                         [this, i] { resultGrid_->copyToClipboard(i); });
    }
    for (int i = 0; i < 2; ++i) {
        commands_.insert(QStringLiteral("mn_LV_subitem_all_copy_sql_%1").arg(i),
                         [this, i] { resultGrid_->copyToInputArea(i); });
        commands_.insert(QStringLiteral("mn_LV_subitem_all_copy_clip_%1").arg(i),
                         [this, i] { resultGrid_->copyToClipboard(i); });
    }
    for (const MainWindowUi::DisplayOption& option : ui_.displayOptions())
        commands_.insert(option.item->objectName(),
                         [this, option] { displayOptionChanged(option); });

    for (QAction* item : ui_.commandItems()) {
        connect(item, &QAction::triggered, this, [this, item] {
            const QVariant index = item->property("index");
            runCommand(item->property("command").toString(), index.isValid() ? index.toInt() : -1);
        });
    }
    connect(ui_.Toolbar1, &QToolBar::actionTriggered, this, [this](QAction* a) {
        // A click flips a pressed button by itself; only the commands decide what is pressed.
        if (a->isCheckable())
            a->setChecked(!a->isChecked());
        toolbarCommand(a->property("key").toString());
    });
}

ResultGridSource QUORVANT::gridSource()
{
    // The export reads the grid through these, as it shows the rows now: the filter's rows,
    // in the grid's order, with the texts shown.
    const ResultGridModel& m = sqlRunner_->model();
    ResultGridSource grid;
    grid.columnCount = [&m] { return m.resultColumnCount(); };
    grid.rowCount = [&m] { return m.rowCount(); };
    grid.headerText = [&m](int c) { return m.headerText(c + 1); };
    grid.kind = [&m](int c) { return m.kind(c); };
    grid.cellText = [&m](int r, int c) { return m.cellText(r, c + 1); };
    return grid;
}

ResultGridSource QUORVANT::fetchedRowsSource()
{
    // The rows read so far as the result gave them: every row, in fetch order, texts as shown.
    ResultGridSource grid = gridSource();
    const ResultGridModel& m = sqlRunner_->model();
    auto order = std::make_shared<const std::vector<std::size_t>>(m.fetchOrder());
    grid.rowCount = [order] { return static_cast<int>(order->size()); };
    grid.cellText = [&m, order](int r, int c) {
        return m.storedCellText((*order)[static_cast<std::size_t>(r)], c + 1);
    };
    return grid;
}

void QUORVANT::saveGridCommand()
{
    saveCSV_->ShowOption(gridSource());
}

void QUORVANT::runCommand(const QString& name, int index)
{
    const auto arrayCommand = arrayCommands_.constFind(name);
    if (arrayCommand != arrayCommands_.cend()) {
        (*arrayCommand)(index);
        return;
    }
    const auto command = commands_.constFind(name);
    if (command != commands_.cend())
        (*command)();
}

void QUORVANT::toolbarCommand(const QString& key)
{
    const QAction* button = ui_.action(key);
    if (button != nullptr && button->property("key").toString() == key)
        runCommand(button->property("command").toString());
}

void QUORVANT::runStatements(const QString& sql)
{
    // A result replaces the grid's rows: edits not applied would go with them unasked.
    if (!gridEditor_->settleEdits())
        return;
    sqlRunner_->runBatch(sql);
}

void QUORVANT::exitCommand()
{
    // Closed while shown: a hidden window's close would not end the program.
    close();
}

void QUORVANT::helpCommand()
{
    OpenDocument(this, services_.prompts(),
                 shellcmd::helpDocument(helpAddress_, InstalledFilesFolder()));
}

void QUORVANT::dataSourceAdminCommand()
{
    const QString admin = shellcmd::dataSourceAdministrator(GetSystemFolder());
    if (!admin.isEmpty() && services_.startDetached(admin))
        return;
    // Without the graphical administrator the user edits the data-source file itself. The file
    // holds passwords, so a new one is private to the user.
    const QString file = shellcmd::userDataSourceFile();
    if (!QFileInfo::exists(file)) {
        QFile create(file);
        if (create.open(QIODevice::WriteOnly))
            create.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    // The editor the user chose takes it; without one, the file's default program.
    if (!frmEditor_->editorCommand().trimmed().isEmpty()) {
        frmEditor_->EditFile(file);
        return;
    }
    if (!OpenDocument(this, services_.prompts(), file)) {
        services_.prompts().tell(this, Prompts::Icon::Warning, QStringLiteral("QUORVANT"),
                                 QStringLiteral("データソース アドミニストレータを起動できません"
                                                "でした。\n") +
                                     file);
    }
}

void QUORVANT::editKeywordsCommand()
{
    frmEditor_->EditKeyWord();
    FillKeywordList();
    // The list's width follows its widest keyword.
    if (ui_.action(QStringLiteral("mn_disp_kwdlist"))->isChecked())
        Resize();
}

void QUORVANT::newInstanceCommand()
{
    // A failure to start is deliberately silent.
    services_.startDetached(shellcmd::newInstanceProgram());
}

void QUORVANT::aboutCommand()
{
    if (frmVersion_ == nullptr)
        frmVersion_ = new FrmVersion(this);
    frmVersion_->ShowVer(QStringLiteral("QUORVANT"));
}

void QUORVANT::loadCsvCommand()
{
    if (loadCSV_ == nullptr)
        loadCSV_ = new LoadCSV(services_.db(), services_.prompts(), this);
    loadCSV_->ShowOption(objectTree_->tableNames(), objectTree_->synonymNames());
}
