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

} // namespace

ConnectionState::ConnectionState(ODBCComm& db, ConnectDS& dialog, const ConnectionUi& ui,
                                 ConnectionHooks hooks, QObject* parent)
    : QObject(parent), db_(db), dialog_(dialog), ui_(ui), hooks_(std::move(hooks))
{
    for (QAction* a : {ui_.tb_connect, ui_.tb_discon}) {
        if (a != nullptr)
            a->setCheckable(true);
    }
}

void ConnectionState::wireCommands()
{
    // A click toggles a checkable action before the command runs; undo that, so that only the
    // connection commands decide what is pressed.
    auto clicked = [this](QAction* a, void (ConnectionState::*command)()) {
        if (a == nullptr)
            return;
        connect(a, &QAction::triggered, this, [this, a, command](bool checked) {
            if (a->isCheckable())
                a->setChecked(!checked);
            (this->*command)();
        });
    };
    clicked(ui_.mn_connect, &ConnectionState::ConnectDatabase);
    clicked(ui_.tb_connect, &ConnectionState::ConnectDatabase);
    clicked(ui_.mn_disconnect, &ConnectionState::DisconnectDatabase);
    clicked(ui_.tb_discon, &ConnectionState::DisconnectDatabase);
    clicked(ui_.mn_reconnect, &ConnectionState::ReconnectDatabase);
    if (ui_.mn_disp_con2title != nullptr)
        connect(ui_.mn_disp_con2title, &QAction::triggered, this,
                &ConnectionState::titleOptionChanged);
}

QString ConnectionState::dsnText() const
{
    return ui_.TB_DSN != nullptr ? ui_.TB_DSN->text() : QString();
}

void ConnectionState::setTitle(bool withSummary)
{
    if (ui_.window == nullptr)
        return;
    ui_.window->setWindowTitle(withSummary ? kTitle + QStringLiteral(" - ") +
                                                 connstr::ConnectionSummary(dsnText())
                                           : kTitle);
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
    if (db_.work().busy() || db_.DbIsConnected())
        return;
    dsn_ = dialog_.GetDSN(uid_, pwd_, driver_, connStr_);
    if (dsn_.isEmpty() && driver_.isEmpty() && connStr_.isEmpty()) {
        reconnectOffered_ = false;
        emit stateChanged();
        return;
    }

    // The fields keep the dialog's answer when the connect fails, so work on copies.
    QString uid = uid_;
    QString pwd = pwd_;
    QString connStr = connStr_;
    if (db_.DbConnect(ui_.window, dsn_, uid, pwd, driver_, connStr) != 0) {
        if (ui_.TB_DSN != nullptr) {
            ui_.TB_DSN->setText(QString());
            ui_.TB_DSN->setToolTip(QString());
        }
        setTitle(false);
        emit stateChanged();
        return;
    }
    uid_ = uid;
    pwd_ = pwd;
    connStr_ = connStr;
    connected_ = true;
    reconnectOffered_ = true;

    dialog_.SetDataSrcTag(connStr_);
    if (ui_.TB_DSN != nullptr) {
        ui_.TB_DSN->setText(connstr::maskPassword(connStr_, pwd_));
        ui_.TB_DSN->setCursorPosition(0);
        ui_.TB_DSN->setToolTip(connstr::tooltipText(ui_.TB_DSN->text()));
    }
    setDsnColour(QColor(kConnectedColour));
    setTitle(ui_.mn_disp_con2title != nullptr && ui_.mn_disp_con2title->isChecked());
    emit stateChanged();
    if (hooks_.loadObjectTree)
        hooks_.loadObjectTree();
}

void ConnectionState::ReconnectDatabase()
{
    if (db_.work().busy() || db_.DbIsConnected())
        return;
    QString uid;
    QString pwd;
    QString connStr = connStr_;
    if (db_.DbConnect(ui_.window, QString(), uid, pwd, QString(), connStr) != 0)
        return;
    connStr_ = connStr;
    connected_ = true;

    setDsnColour(QColor(kConnectedColour));
    if (ui_.TB_DSN != nullptr)
        ui_.TB_DSN->setToolTip(connstr::tooltipText(ui_.TB_DSN->text()));
    setTitle(true);
    emit stateChanged();
}

void ConnectionState::DisconnectDatabase()
{
    // Work on the connection runs to its end (or its stop) first.
    if (db_.work().busy())
        return;
    if (hooks_.closeFetch)
        hooks_.closeFetch();
    db_.DbDisconnect(ui_.window);
    connected_ = false;

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
    const bool connectedNow =
        ui_.mn_disconnect != nullptr ? ui_.mn_disconnect->isEnabled() : connected_;
    setTitle(checked && connectedNow);
}
