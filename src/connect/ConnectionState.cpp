#include "connect/ConnectionState.h"

#include "connect/ConnectDS.h"
#include "connect/ConnectionString.h"
#include "odbc/comm/ODBCComm.h"

#include <QAction>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>

namespace {

const QString kTitle = QStringLiteral("QUORVANT");
const QString kProductionMark = QStringLiteral("【本番】");
const QString kReadOnlyMark = QStringLiteral("【読取専用】");

} // namespace

ConnectionState::ConnectionState(ODBCComm& db, Prompts& prompts, ConnectDS& dialog,
                                 const ConnectionUi& ui, QObject* parent)
    : QObject(parent), db_(db), prompts_(prompts), dialog_(dialog), ui_(ui)
{
    for (QAction* a : {ui_.tb_connect, ui_.tb_discon}) {
        if (a != nullptr)
            a->setCheckable(true);
    }
}

QString ConnectionState::dsnText() const
{
    return ui_.TB_DSN != nullptr ? ui_.TB_DSN->text() : QString();
}

void ConnectionState::setTitle(bool withSummary)
{
    if (ui_.window == nullptr)
        return;
    // In front, where a shortened title still shows them.
    const SourceMarks m = marks();
    ui_.window->setWindowTitle(
        (m.production ? kProductionMark : QString()) + (m.readOnly ? kReadOnlyMark : QString()) +
        (withSummary ? kTitle + QStringLiteral(" - ") + connstr::ConnectionSummary(dsnText())
                     : kTitle));
}

SourceMarks ConnectionState::marks() const
{
    return db_.DbIsConnected() ? marks_ : SourceMarks();
}

bool ConnectionState::applyReadOnly(bool tellUnguarded)
{
    return !marks_.readOnly || db_.DbSetReadOnly(ui_.window, tellUnguarded) == 0;
}

void ConnectionState::setDsnColour(const QColor& colour)
{
    if (ui_.TB_DSN == nullptr)
        return;
    QPalette p = ui_.TB_DSN->palette();
    p.setColor(QPalette::Base, colour);
    ui_.TB_DSN->setPalette(p);
}

void ConnectionState::ConnectDatabase()
{
    if (db_.work().refuseWhileBusy(prompts_, ui_.window, kTitle) || db_.DbIsConnected())
        return;
    dsn_ = dialog_.GetDSN(uid_, pwd_, driver_, connStr_);
    marks_ = dialog_.marks();
    if (dsn_.isEmpty() && driver_.isEmpty() && connStr_.isEmpty()) {
        reconnectOffered_ = false;
        emit stateChanged();
        return;
    }

    // The fields keep the dialog's answer when the connect fails, so work on copies.
    QString uid = uid_;
    QString pwd = pwd_;
    QString connStr = connStr_;
    if (db_.DbConnect(ui_.window, dsn_, uid, pwd, driver_, connStr) != 0 || !applyReadOnly(true)) {
        if (ui_.TB_DSN != nullptr) {
            ui_.TB_DSN->setText(QString());
            ui_.TB_DSN->setToolTip(QString());
        }
        db_.work().setSourceText(QString());
        setTitle(false);
        emit stateChanged();
        return;
    }
    uid_ = uid;
    pwd_ = pwd;
    connStr_ = connStr;
    reconnectOffered_ = true;

    dialog_.SetDataSrcTag(connStr_);
    // The history names the connection as the connection box shows it.
    db_.work().setSourceText(connstr::maskPassword(connStr_, pwd_));
    if (ui_.TB_DSN != nullptr) {
        ui_.TB_DSN->setText(db_.work().sourceText());
        ui_.TB_DSN->setCursorPosition(0);
        ui_.TB_DSN->setToolTip(connstr::tooltipText(ui_.TB_DSN->text()));
    }
    setDsnColour(QColor(kConnectedColour));
    setTitle(ui_.mn_disp_con2title != nullptr && ui_.mn_disp_con2title->isChecked());
    emit stateChanged();
    emit connected();
}

void ConnectionState::ReconnectDatabase()
{
    if (db_.work().refuseWhileBusy(prompts_, ui_.window, kTitle) || db_.DbIsConnected())
        return;
    QString uid;
    QString pwd;
    QString connStr = connStr_;
    if (db_.DbConnect(ui_.window, QString(), uid, pwd, QString(), connStr) != 0)
        return;
    if (!applyReadOnly(false)) {
        emit stateChanged();
        return;
    }
    connStr_ = connStr;

    setDsnColour(QColor(kConnectedColour));
    if (ui_.TB_DSN != nullptr)
        ui_.TB_DSN->setToolTip(connstr::tooltipText(ui_.TB_DSN->text()));
    setTitle(true);
    emit stateChanged();
}

void ConnectionState::DisconnectDatabase()
{
    // Work on the connection runs to its end (or its stop) first.
    if (db_.work().refuseWhileBusy(prompts_, ui_.window, kTitle))
        return;
    emit aboutToDisconnect();
    db_.DbDisconnect(ui_.window);

    if (ui_.TB_DSN != nullptr) {
        ui_.TB_DSN->setToolTip(QString());
        const QWidget* source = ui_.window != nullptr ? ui_.window : ui_.TB_DSN;
        setDsnColour(source->palette().color(QPalette::Button));
    }
    setTitle(false);
    emit stateChanged();
}

void ConnectionState::titleOptionChanged()
{
    const bool checked = ui_.mn_disp_con2title != nullptr && ui_.mn_disp_con2title->isChecked();
    setTitle(checked && db_.DbIsConnected());
}
