#pragma once

#include "OnceWhen.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"
#include "transfer/LoadCSV.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace loadtest {

enum class Db { SQLite, PostgreSQL, MariaDB };

inline std::string dbName(const testing::TestParamInfo<Db>& info)
{
    return info.param == Db::SQLite       ? "SQLite"
           : info.param == Db::PostgreSQL ? "PostgreSQL"
                                          : "MariaDB";
}

// A connection string for a scratch database: a fresh SQLite file, or the shared PostgreSQL or
// MariaDB test database (tests use their own table names there).
QString scratchConnStr(Db db, const char* sqliteFile, const QString& extra = QString());

// Runs action once, from the window's events while a load runs, as soon as ready() holds.
class DuringLoad : public OnceWhen {
public:
    DuringLoad(std::function<bool()> ready, std::function<void()> action)
        : OnceWhen(std::move(ready), std::move(action), 1)
    {
    }
};

// One real connection, the load window on it and scripted boxes; files go to a temporary
// folder.
class Session {
public:
    explicit Session(const QString& connStr);
    ~Session();

    bool connected() const { return db->DbIsConnected(); }
    // Executes and commits, expecting success.
    void exec(const QString& sql);
    // Every row of a query as texts (NULL as empty), each row joined with "|".
    QStringList rows(const QString& sql);
    // A file of these bytes in the temporary folder; its path.
    QString writeFile(const QString& name, const QByteArray& bytes);
    // Opens the window on these names and sets the choices; the interval is 10^position.
    void prepare(const QString& path, const QString& table, const QString& delimiter = " ,",
                 bool header = false, bool headerNames = false, int position = 0,
                 const QStringList& tables = {}, const QStringList& synonyms = {});
    // Clicks OK; true when the load completed (the window hid itself).
    bool load();
    // The inserted rows the counter shows.
    qint64 counted() const;
    QList<ScriptedPrompts::Box> boxes(const QString& title) const;
    // The end message, or an empty text when there was none.
    QString endMessage() const;

    ScriptedPrompts prompts;
    OdbcLib lib;
    std::unique_ptr<ODBCComm> db;
    std::unique_ptr<LoadCSV> w;
    QTemporaryDir dir;
};

// Restarts the PostgreSQL server when it goes out of scope, whatever the test did.
struct PgRestart {
    ~PgRestart() { testenv::pgStart(); }
};

} // namespace loadtest
