#include "connect/DriverForm.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* field(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

DriverForm::DriverForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DriverForm"));
    TB_server = field(this, "TB_server");
    TB_port = field(this, "TB_port");
    TB_port->setValidator(new QIntValidator(0, 65535, TB_port));
    TB_database = field(this, "TB_database");
    TB_drv_uid = field(this, "TB_drv_uid");
    TB_drv_psw = field(this, "TB_drv_psw");
    TB_drv_psw->setEchoMode(QLineEdit::Password);
    TB_drv_psw->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    TB_items = field(this, "TB_items");
    TB_items->setPlaceholderText(QStringLiteral("KEY=値;KEY=値"));

    auto* form = form_ = new QFormLayout;
    form->addRow(QStringLiteral("サーバー"), TB_server);
    form->addRow(QStringLiteral("ポート"), TB_port);
    form->addRow(QStringLiteral("データベース"), TB_database);
    form->addRow(QStringLiteral("ユーザーID"), TB_drv_uid);
    form->addRow(QStringLiteral("パスワード"), TB_drv_psw);
    form->addRow(QStringLiteral("その他の項目"), TB_items);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("Cmd_drv_OK"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cmd_drv_cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

connstr::DriverFields DriverForm::fields() const
{
    return {TB_server->text(),  TB_port->text(),    TB_database->text(),
            TB_drv_uid->text(), TB_drv_psw->text(), TB_items->text()};
}

void DriverForm::showDriverRows(bool visible)
{
    for (QLineEdit* edit : {TB_server, TB_port, TB_database, TB_items})
        form_->setRowVisible(edit, visible);
    TB_drv_uid->setReadOnly(!visible);
    adjustSize();
}

bool DriverForm::ask(const QString& driver, QString& connStr)
{
    showDriverRows(true);
    setWindowTitle(driver);
    TB_server->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    connStr = connstr::driverConnectionString(driver, fields());
    return true;
}

bool DriverForm::askPassword(const QString& title, const QString& uid, QString& pwd)
{
    const QString keptUid = TB_drv_uid->text();
    const QString keptPwd = TB_drv_psw->text();
    showDriverRows(false);
    setWindowTitle(title);
    TB_drv_uid->setText(uid);
    TB_drv_psw->clear();
    TB_drv_psw->setFocus();
    const bool ok = exec() == QDialog::Accepted;
    pwd = TB_drv_psw->text();
    TB_drv_uid->setText(keptUid);
    TB_drv_psw->setText(keptPwd);
    showDriverRows(true);
    return ok;
}
