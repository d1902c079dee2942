#pragma once

#include "connect/ConnStrItems.h"

#include <QDialog>

class QFormLayout;
class QLineEdit;

// The keywords a driver needs to connect, asked by the program: drivers of unixODBC show no
// login dialog of their own. Created once by the connect dialog and hidden after use, so the
// typed fields persist between openings like the dialog's own.
//
// Controls (objectName): TB_server, TB_port, TB_database, TB_drv_uid, TB_drv_psw, TB_items,
// Cmd_drv_OK, Cmd_drv_cancel.
class DriverForm : public QDialog {
    Q_OBJECT

public:
    explicit DriverForm(QWidget* parent = nullptr);

    // Runs the form modally for driver; on OK returns true and sets connStr to the connection
    // string of driver and the fields.
    bool ask(const QString& driver, QString& connStr);

    connstr::DriverFields fields() const;

    // The same form with only the user ID (shown, not editable) and the password: what a
    // history entry without its password is asked for. The driver fields are left as they
    // were. On OK returns true and sets pwd.
    bool askPassword(const QString& title, const QString& uid, QString& pwd);

private:
    void showDriverRows(bool visible);

    QFormLayout* form_ = nullptr;
    QLineEdit* TB_server = nullptr;
    QLineEdit* TB_port = nullptr;
    QLineEdit* TB_database = nullptr;
    QLineEdit* TB_drv_uid = nullptr;
    QLineEdit* TB_drv_psw = nullptr;
    QLineEdit* TB_items = nullptr;
};
