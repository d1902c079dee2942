#pragma once

#include "connect/SourceMarks.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <functional>

class ConnectDS;
class ODBCComm;
class Prompts;
class QAction;
class QLineEdit;
class QWidget;

// The main window's widgets that show or depend on the connection. The main window keeps
// ownership; any pointer may be null and is then left alone.
//
// Toolbar buttons are actions; "pressed" is the checked state. tb_connect and tb_discon are made
// checkable here, and a click on them does not change their pressed state by itself (the
// connection commands set it). mn_disp_con2title must be checkable: its check mark is the
// title option.
struct ConnectionUi {
    QWidget* window = nullptr; // title, owner of the connect boxes
    QLineEdit* TB_DSN = nullptr;
    QAction* mn_connect = nullptr;
    QAction* mn_disconnect = nullptr;
    QAction* mn_reconnect = nullptr;
    QAction* mn_disp_con2title = nullptr;
    QAction* tb_connect = nullptr;
    QAction* tb_discon = nullptr;
};

// The connection commands of the main window (connect, reconnect, disconnect, the title
// option) and the connection fields it keeps. Holds no widgets of its own. The enabled and
// pressed states of the commands are the main window's: it derives them from the connection's
// record (ConnectionWork) and canReconnect(), and renews them on stateChanged(). Whether the
// connection is open is the record's, never kept here.
class ConnectionState : public QObject {
    Q_OBJECT

public:
    static constexpr QRgb kConnectedColour = qRgb(255, 255, 128);

    ConnectionState(ODBCComm& db, Prompts& prompts, ConnectDS& dialog, const ConnectionUi& ui,
                    QObject* parent = nullptr);

    void ConnectDatabase();
    void ReconnectDatabase();
    void DisconnectDatabase();
    // After mn_disp_con2title has toggled its check mark: renews the title.
    void titleOptionChanged();

    // A connection was made and its string is kept; a cancelled connect dialog gives it up.
    bool canReconnect() const { return reconnectOffered_; }
    const QString& uid() const { return uid_; }
    // The marks of the open connection's source (none while disconnected).
    SourceMarks marks() const;

signals:
    // The connection was made, lost or given up: command states may have changed.
    void stateChanged();
    // A connect from the dialog succeeded (the tree reads the catalog then).
    void connected();
    // The connection is about to be closed: a result still open ends first.
    void aboutToDisconnect();

private:
    void setDsnColour(const QColor& colour);
    void setTitle(bool withSummary);
    QString dsnText() const;
    // Makes a connection of a read-only source read-only; false when that failed and the
    // connection was closed (the box has been shown).
    bool applyReadOnly(bool tellUnguarded);

    ODBCComm& db_;
    Prompts& prompts_;
    ConnectDS& dialog_;
    ConnectionUi ui_;
    bool reconnectOffered_ = false;
    QString dsn_;
    QString uid_;
    QString pwd_;
    QString driver_;
    QString connStr_;
    SourceMarks marks_;
};
