#include "ConnectTestSupport.h"

#include "OnceWhen.h"
#include "TestEnv.h"
#include "base/Settings.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTextStream>

#include <cstdlib>

namespace conntest {

namespace {

// The [QV_PG] section of the shared test odbc.ini (it knows the server's port), renamed.
QString pgSection()
{
    QFile in(QString::fromStdString(testenv::dir() + "/odbc.ini"));
    in.open(QIODevice::ReadOnly);
    const QString all = QString::fromUtf8(in.readAll());
    const qsizetype at = all.indexOf("[QV_PG]\n");
    if (at < 0)
        return QString();
    const qsizetype end = all.indexOf("\n[", at + 1);
    return QString("[%1]\n").arg(kPg) + all.mid(at + 8, end < 0 ? -1 : end - at - 8).trimmed();
}

void installPrivateOdbcIni()
{
    static QTemporaryDir* folder = nullptr; // unixODBC reads it for the whole run
    if (folder != nullptr)
        return;
    folder = new QTemporaryDir;
    const QString base = folder->path();
    QFile::copy(QString::fromStdString(testenv::dir() + "/odbcinst.ini"), base + "/odbcinst.ini");
    QFile file(base + "/odbc.ini");
    file.open(QIODevice::WriteOnly);
    QTextStream out(&file);
    for (const char* name : {kSqliteA, kSqliteB, kSqliteParen})
        out << "[" << name << "]\nDriver=SQLite3\nDatabase=" << base << "/" << name
            << ".db\nTimeout=2000\n\n";
    out << "[" << kBroken << "]\nDriver=QV_NoSuchDriver\n\n" << pgSection() << "\n";
    out.flush();
    // No odbc.ini beside odbcinst.ini, so the listing holds exactly these sources.
    setenv("ODBCSYSINI", base.toLocal8Bit().constData(), 1);
    setenv("ODBCINI", (base + "/odbc.ini").toLocal8Bit().constData(), 1);
}

} // namespace

void whileOpen(ConnectDS& dialog, const std::function<void()>& script,
               const std::function<void()>& command)
{
    // Once the dialog is up: the keyring may run the window's events before it shows.
    bool ran = false;
    const OnceWhen once([&] { return dialog.isVisible() && dialog.isModal(); },
                        [&] {
                            script();
                            ran = true;
                            if (dialog.isVisible())
                                dialog.reject();
                        });
    command();
    EXPECT_TRUE(ran);
}

Answer runDialog(ConnectDS& dialog, const std::function<void()>& script)
{
    Answer a;
    a.uid = a.pwd = a.driver = a.connStr = "stale";
    whileOpen(dialog, script, [&] { a.dsn = dialog.GetDSN(a.uid, a.pwd, a.driver, a.connStr); });
    return a;
}

void click(QObject* dialog, const char* name)
{
    QTest::mouseClick(child<QAbstractButton>(dialog, name), Qt::LeftButton);
}

QStringList listItems(QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

QStringList shownHistory(ConnectDS& dialog)
{
    return listItems(child<QListWidget>(&dialog, "Lst_conn_hist"));
}

QPoint rowCentre(QListWidget* list, int row)
{
    // Near the left edge: a long entry's rectangle reaches far beyond the viewport.
    return QPoint(5, list->visualItemRect(list->item(row)).center().y());
}

void chooseSource(ConnectDS& dialog, const char* source, const char* uid, const char* pwd,
                  const SourceMarks* marks)
{
    click(&dialog, "Option1_0");
    auto* combo = child<QComboBox>(&dialog, "Combo1");
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).startsWith(QString(source) + "("))
            combo->setCurrentIndex(i);
    }
    child<QLineEdit>(&dialog, "TB_uid")->setText(uid);
    child<QLineEdit>(&dialog, "TB_psw")->setText(pwd);
    if (marks != nullptr) {
        child<QAbstractButton>(&dialog, "Chk_production")->setChecked(marks->production);
        child<QAbstractButton>(&dialog, "Chk_readonly")->setChecked(marks->readOnly);
    }
    click(&dialog, "Cmd_OK");
}

void chooseDriver(ConnectDS& dialog, const QString& driver, const connstr::DriverFields& fields,
                  bool ok, const SourceMarks* marks)
{
    click(&dialog, "Option1_1");
    auto* combo = child<QComboBox>(&dialog, "Combo2");
    combo->setCurrentIndex(combo->findText(driver));
    if (marks != nullptr) {
        child<QAbstractButton>(&dialog, "Chk_production")->setChecked(marks->production);
        child<QAbstractButton>(&dialog, "Chk_readonly")->setChecked(marks->readOnly);
    }
    auto* form = child<QDialog>(&dialog, "DriverForm");
    bool filled = false;
    const OnceWhen fill([&] { return form != nullptr && form->isVisible(); },
                        [&] {
                            EXPECT_EQ(form->windowTitle(), driver);
                            const std::pair<const char*, const QString*> edits[] = {
                                {"TB_server", &fields.server},     {"TB_port", &fields.port},
                                {"TB_database", &fields.database}, {"TB_drv_uid", &fields.uid},
                                {"TB_drv_psw", &fields.pwd},       {"TB_items", &fields.further}};
                            for (const auto& [name, text] : edits)
                                child<QLineEdit>(form, name)->setText(*text);
                            click(form, ok ? "Cmd_drv_OK" : "Cmd_drv_cancel");
                            filled = true;
                        });
    click(&dialog, "Cmd_OK");
    EXPECT_TRUE(filled);
}

QString chooseEntry(ConnectDS& dialog, int row, const QString& pwd)
{
    click(&dialog, "Option1_2");
    child<QListWidget>(&dialog, "Lst_conn_hist")->setCurrentRow(row);
    auto* form = child<QDialog>(&dialog, "DriverForm");
    QString shownUid;
    const OnceWhen answer([&] { return form->isVisible(); },
                          [&] {
                              if (!child<QLineEdit>(form, "TB_server")->isVisible())
                                  shownUid = child<QLineEdit>(form, "TB_drv_uid")->text();
                              child<QLineEdit>(form, "TB_drv_psw")->setText(pwd);
                              click(form, "Cmd_drv_OK");
                          });
    click(&dialog, "Cmd_OK");
    return shownUid;
}

void ConnectFixture::SetUp()
{
    installPrivateOdbcIni();
    ASSERT_TRUE(dir_.isValid());
    ini = std::make_unique<INIfile_IO>(QDir(dir_.path()).filePath("QUORVANT.INI"));
    db = std::make_unique<ODBCComm>(lib, prompts);
    ASSERT_TRUE(db->DbInit());
}

void ConnectFixture::TearDown()
{
    db->DbDisconnect();
}

void ConnectFixture::writeHistory(const QStringList& entries, bool save)
{
    settings::writeConnHist(*ini, entries, save);
}

} // namespace conntest
