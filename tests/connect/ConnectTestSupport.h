#pragma once

#include "ScriptedPrompts.h"
#include "base/INIfile_IO.h"
#include "connect/ConnStrItems.h"
#include "connect/ConnectDS.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <ostream>

class QListWidget;

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

// Data sources of the private odbc.ini installed before the first ODBC call: SQLite files (one
// name holding parentheses), a source whose driver is missing, and the test PostgreSQL server.
namespace conntest {

inline const char* kSqliteA = "QV_CONN_A";
inline const char* kSqliteB = "QV_CONN_B";
inline const char* kSqliteParen = "QV_CONN(C)";
inline const char* kBroken = "QV_CONN_BROKEN";
inline const char* kPg = "QV_CONN_PG";

struct Answer {
    QString dsn;
    QString uid;
    QString pwd;
    QString driver;
    QString connStr;
};
// Calls GetDSN and runs script once the modal dialog is up; a dialog left open is cancelled.
Answer runDialog(ConnectDS& dialog, const std::function<void()>& script);
// The same around any command that opens the dialog.
void whileOpen(ConnectDS& dialog, const std::function<void()>& script,
               const std::function<void()>& command);

template <typename T> T* child(QObject* parent, const char* name)
{
    T* c = parent->findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}
void click(QObject* dialog, const char* name);
QStringList listItems(QListWidget* list);
// The connection history as the dialog lists it, passwords masked.
QStringList shownHistory(ConnectDS& dialog);
QPoint rowCentre(QListWidget* list, int row);
// Data-source kind, the entry of source, the typed user ID and password, the marks when given,
// then OK.
void chooseSource(ConnectDS& dialog, const char* source, const char* uid = "", const char* pwd = "",
                  const SourceMarks* marks = nullptr);
// Driver kind, the driver, OK, then the driver form filled with fields and OK (Cancel when ok
// is false).
void chooseDriver(ConnectDS& dialog, const QString& driver, const connstr::DriverFields& fields,
                  bool ok = true, const SourceMarks* marks = nullptr);
// History kind, the entry in row, OK; when the driver form asks for a password it is answered
// with pwd. Returns the user ID the form showed with the password alone ("" if not asked).
QString chooseEntry(ConnectDS& dialog, int row, const QString& pwd = QString());

// Per test: its own settings file, ODBC layer and scripted boxes.
class ConnectFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString iniValue(const QString& key) const { return ini->ReadIniValue("CONNHIST", key); }
    // The completed connection string the driver handed back at the last connect.
    QString keptConnection() const { return QString::fromStdString(lib.keptConnectionString()); }
    void writeHistory(const QStringList& entries, bool save);
    std::unique_ptr<ConnectDS> makeDialog()
    {
        return std::make_unique<ConnectDS>(*db, *ini, prompts);
    }

    QTemporaryDir dir_;
    std::unique_ptr<INIfile_IO> ini;
    ScriptedPrompts prompts;
    OdbcLib lib;
    std::unique_ptr<ODBCComm> db;
};

} // namespace conntest
