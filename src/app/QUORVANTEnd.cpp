// The main window's end: closing (also during work, and on the session's word), the question
// about pending work, the pending-work panel, and what is saved as the window unloads.
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

void QUORVANT::closeEvent(QCloseEvent* event)
{
    // Work still running owns the connection: all of it is stopped, and the window closes
    // when the outermost work has ended (ConnectionWork::idle).
    if (services_.db().work().busy()) {
        closeAfterWork_ = true;
        sqlRunner_->abandonBatch();
        services_.db().work().endAll();
        event->ignore();
        return;
    }
    if (!endingWithoutQuestions_ && (!gridEditor_->settleEdits() || !settlePendingWork())) {
        event->ignore();
        return;
    }
    unload();
    event->accept();
}

bool QUORVANT::closeWithoutQuestions()
{
    endingWithoutQuestions_ = true;
    return close() || closeAfterWork_;
}

void QUORVANT::wirePendingWork()
{
    PendingWork& pending = services_.db().pending();
    const auto readItem = [this](const char* name, const char* key) {
        const bool on = settings::readOnOff(services_.ini(), settings::kSet, key);
        ui_.action(QLatin1String(name))->setChecked(on);
        return on;
    };
    readItem("mn_sql_askpending", settings::kAskPending);
    gridEditor_->setPreview(readItem("mn_grid_preview", settings::kEditPreview));
    gridEditor_->setCheckOriginals(readItem("mn_grid_original", settings::kEditCheckOriginals));
    sqlRunner_->batch().setUndoAskRows(settings::readUndoAskRows(services_.ini()));
    sqlRunner_->batch().setUndoEnabled(
        services_.ini().ReadIniValue(QLatin1String(settings::kSet),
                                     QLatin1String(settings::kUndo)) !=
        QLatin1String(settings::kOff));
    // The age in the panel moves on by itself while something is pending.
    pendingClock_ = new QTimer(this);
    pendingClock_->setInterval(1000);
    connect(pendingClock_, &QTimer::timeout, this, &QUORVANT::showPendingPanel);
    connect(&pending, &PendingWork::changed, this, &QUORVANT::showPendingPanel);
    connect(ui_.L_pending, &QToolButton::clicked, this, [this] {
        if (pendingWindow_ == nullptr)
            pendingWindow_ = new PendingWindow(services_.db().pending(), this);
        pendingWindow_->show();
        pendingWindow_->raise();
    });
    showPendingPanel();
}

void QUORVANT::showPendingPanel()
{
    const PendingWork& pending = services_.db().pending();
    const QString text = PendingPanelText(pending, QDateTime::currentDateTime());
    ui_.L_pending->setText(text);
    ui_.L_pending->setVisible(!text.isEmpty());
    if (text.isEmpty())
        pendingClock_->stop();
    else if (!pendingClock_->isActive())
        pendingClock_->start();
}

bool QUORVANT::settlePendingWork()
{
    ODBCComm& db = services_.db();
    if (!db.DbIsConnected() || db.pending().empty() ||
        !ui_.action(QStringLiteral("mn_sql_askpending"))->isChecked())
        return true;
    const Prompts::Answer answer =
        services_.prompts().ask(this, Prompts::Icon::Question, QStringLiteral("QUORVANT"),
                                PendingQuestionText(db.pending(), QDateTime::currentDateTime()),
                                Prompts::Buttons::CommitRollbackCancel, Prompts::Answer::Cancel);
    if (answer == Prompts::Answer::Yes)
        sqlRunner_->commit_command();
    else if (answer == Prompts::Answer::No)
        sqlRunner_->rollback_command();
    else
        return false;
    // A COMMIT or ROLLBACK that failed leaves the work pending: nothing ends over it.
    return db.pending().empty();
}

void QUORVANT::unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    INIfile_IO& ini = services_.ini();
    SaveWindowPlacement(this, ini, QLatin1String(settings::kMainPlacement));
    for (const MainWindowUi::DisplayOption& option : ui_.displayOptions())
        settings::writeOnOff(ini, settings::kWindow, option.settingsKey, option.item->isChecked());
    // Hidden at once: the disconnect waits for the connection with the window's events running.
    hide();
    services_.db().DbDisconnect(this, endingWithoutQuestions_ ? ODBCComm::EndOfWork::RollBack
                                                              : ODBCComm::EndOfWork::Commit);
    connectDS_->SaveHist();
    saveTemplatesAndHistory();
    // The program ends with this window: the windows it owns close with it.
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->isWindow() && w->isVisible())
            w->close();
    }
}

void QUORVANT::saveTemplatesAndHistory()
{
    if (showTemp_->Changed())
        showTemp_->SaveTmpl();
    if (showHist_->Changed())
        showHist_->SaveHist();
}
