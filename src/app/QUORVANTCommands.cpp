// The commands of the main window: what each menu item, popup item and toolbar button does,
// and the shell's own commands.
#include "app/QUORVANT.h"

#include "app/AppServices.h"
#include "app/FrmVersion.h"
#include "app/ShellCommands.h"
#include "base/AppFolder.h"
#include "base/EventPump.h"
#include "base/Prompts.h"
#include "base/basApiCall.h"
#include "browser/ObjectTree.h"
#include "connect/ConnectionState.h"
#include "editor/SqlInputArea.h"
#include "history/ShowHist.h"
#include "history/ShowTemp.h"
#include "sqlexec/SqlRunner.h"
#include "transfer/LoadCSV.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QToolBar>

void QUORVANT::wireCommands()
{
    commands_ = {
        {QStringLiteral("mn_new_window"), [this] { newInstanceCommand(); }},
        {QStringLiteral("mn_connect"), [this] { connection_->ConnectDatabase(); }},
        {QStringLiteral("mn_disconnect"), [this] { connection_->DisconnectDatabase(); }},
        {QStringLiteral("mn_reconnect"), [this] { connection_->ReconnectDatabase(); }},
        {QStringLiteral("mn_exit"), [this] { exitCommand(); }},
        {QStringLiteral("mn_sql_go"), [this] { sqlRunner_->exec_sql_batch(); }},
        {QStringLiteral("mn_sql_stop"), [this] { sqlRunner_->stopCommand(); }},
        {QStringLiteral("mn_sql_commit"), [this] { sqlRunner_->commit_command(); }},
        {QStringLiteral("mn_sql_rollback"), [this] { sqlRunner_->rollback_command(); }},
        {QStringLiteral("mn_kick_dsnadmin"), [this] { dataSourceAdminCommand(); }},
        {QStringLiteral("mn_help_quorvant"), [this] { helpCommand(); }},
        {QStringLiteral("mn_version"), [this] { aboutCommand(); }},
        {QStringLiteral("mn_get_tables"), [this] { objectTree_->getTablesCommand(); }},
        {QStringLiteral("mn_open_file"), [this] { inputArea_->openFileCommand(); }},
        {QStringLiteral("mn_sql_history"), [this] { showHist_->showWindow(); }},
        {QStringLiteral("mn_sql_temp"), [this] { showTemp_->showWindow(); }},
        {QStringLiteral("mn_inp_csv"), [this] { loadCsvCommand(); }},
    };
    for (const MainWindowUi::DisplayOption& option : ui_.displayOptions())
        commands_.insert(option.item->objectName(),
                         [this, option] { displayOptionChanged(option); });

    for (QAction* item : ui_.commandItems())
        connect(item, &QAction::triggered, this,
                [this, item] { runCommand(item->property("command").toString()); });
    connect(ui_.Toolbar1, &QToolBar::actionTriggered, this, [this](QAction* a) {
        // A click flips a pressed button by itself; only the commands decide what is pressed.
        if (a->isCheckable())
            a->setChecked(!a->isChecked());
        toolbarCommand(a->property("key").toString());
    });
}

void QUORVANT::runCommand(const QString& name)
{
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

void QUORVANT::exitCommand()
{
    hide();
    letEventsRun();
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
    if (!OpenDocument(this, services_.prompts(), file)) {
        services_.prompts().tell(this, Prompts::Icon::Warning, QStringLiteral("QUORVANT"),
                                 QStringLiteral("データソース アドミニストレータを起動できません"
                                                "でした。\n") +
                                     file);
    }
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
