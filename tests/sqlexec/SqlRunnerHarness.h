#pragma once

#include "OnceWhen.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/SqlRunner.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace sqltest {

// The widgets of the main window that the runner works on, as plain offscreen widgets.
struct Widgets {
    Widgets();
    SqlRunnerUi ui();

    QWidget window;
    QPlainTextEdit* TB_SQL;
    QTreeWidget* TreeView1;
    QTableView* ListView1;
    QToolButton* Cmd_start_stop;
    QLabel *L_cols, *L_rows, *L_sec, *L_msg;
    QLabel *status, *cnt, *time, *msg;
};

// Runs action once, while events run during a fill, as soon as ready() holds.
using DuringFill = OnceWhen;

// Rows the grid's result has read so far, shown or not yet.
inline int fetched(const SqlRunner& runner)
{
    return static_cast<int>(runner.model().rows().size());
}

// One real connection (SQLite scratch file, the demo database or PostgreSQL), the widgets,
// scripted boxes and the runner; the SQL history lands in `history`.
class Session {
public:
    // A connection string; for SQLite scratch files keep it to open a second connection.
    explicit Session(const QString& connStr);
    ~Session();

    bool connected() const { return db->DbIsConnected(); }
    // Runs text as the run command does.
    void run(const QString& text);
    // Executes directly (no boxes) and expects success.
    void exec(const QString& sql);
    QStringList headers() const;
    QString cell(int row, int column) const;
    // The boxes with this title.
    QList<ScriptedPrompts::Box> boxes(const QString& title) const;

    ScriptedPrompts prompts;
    OdbcLib lib;
    std::unique_ptr<ODBCComm> db;
    Widgets w;
    std::unique_ptr<SqlRunner> runner;
    QStringList history;
};

QString sqliteScratch(const char* name);
QString pgConnStr();
QString myConnStr();
QString demoConnStr();

// Restarts the PostgreSQL server when it goes out of scope, whatever the test did.
struct PgRestart {
    ~PgRestart() { testenv::pgStart(); }
};

} // namespace sqltest
