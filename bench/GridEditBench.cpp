// 1,000 rows changed in the result grid and applied (変更を反映), against a bare ODBC loop of the
// same prepared statements, on SQLite, PostgreSQL and MariaDB.
//
//   grid_edit_bench [--sqlite] [--pg] [--mariadb] [--bare-thread] [pairs N | apply-only [N]]
//
// Without a database option all three run, one after another. Each has a table of 1,000 rows
// (qv_bench_edit: id key, name, price, note), made afresh and committed.
//
// apply: the run command reads SELECT * into the grid, the result is offered for editing as
// the first F2 does and every row gets a new name and price (not timed); timed is what the user
// waits for after pressing 変更を反映 (GridEditor::applyCommand): the statements made of the
// grid's marks, their apply, the changed rows read again by key and settled in the grid.
// Rolled back afterwards.
//
// bare: what a plain ODBC program does for the same change, on a connection of its own (same
// data source, autocommit off): SAVEPOINT, the UPDATE prepared once and executed row by row
// with its values bound as texts as the program binds them (SQLRowCount after each), then the
// SELECT by key prepared once and executed row by row. Rolled back afterwards.
//
// The two alternate (the first of each pair alternates too) after one pair of warm-up; the
// medians and their ratio are printed for each database. apply-only applies the same edits N
// times (200) and nothing else, for a profiler.
//
// On a small machine busy with other work, a thread other than the main one sometimes sees the
// servers' round trips take two or three times as long for a while: the apply's ratio then
// jumps on PostgreSQL or MariaDB and not on SQLite. --bare-thread runs the bare loop on a
// thread of its own, as the apply's statements run, to see that.
//
// Run with the private ODBC files of the test environment (see GridFillBench.cpp).
#include "BenchSupport.h"
#include "GridWindow.h"
#include "ScriptedPrompts.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/BatchRun.h"
#include "sqlexec/GridEditStatements.h"
#include "sqlexec/GridEditor.h"
#include "sqlexec/ResultEditability.h"

#include <QApplication>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int kRows = 1000;
const QString kSelect = QStringLiteral("SELECT * FROM qv_bench_edit");

struct Database {
    const char* name;
    std::string conn;
    bool mariadb;
};

// The values every row is given: both differ from the table's, so each UPDATE changes its row.
QString newName(const QString& id)
{
    return QStringLiteral("renamed ") + id;
}

QString newPrice(const QString& id)
{
    return QStringLiteral("%1.75").arg(id.toInt() % 500);
}

bool makeTable(ODBCComm& db, bool mariadb)
{
    // MariaDB reads "||" as OR.
    const QString name =
        mariadb ? QStringLiteral("CONCAT('name ', n)") : QStringLiteral("'name ' || n");
    const QString note =
        mariadb ? QStringLiteral("CONCAT('note ', n)") : QStringLiteral("'note ' || n");
    db.DbExecute(QStringLiteral("DROP TABLE IF EXISTS qv_bench_edit"));
    db.DbCommit();
    const QString statements[] = {
        QStringLiteral("CREATE TABLE qv_bench_edit (id INTEGER PRIMARY KEY, name VARCHAR(40),"
                       " price NUMERIC(10,2), note VARCHAR(40))"),
        QStringLiteral("INSERT INTO qv_bench_edit SELECT n, %1, (n % 500) + 0.5,"
                       " CASE WHEN n % 3 = 0 THEN NULL ELSE %2 END FROM (WITH RECURSIVE s(n)"
                       " AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < %3) SELECT n FROM"
                       " s) AS g")
            .arg(name, note)
            .arg(kRows),
    };
    for (const QString& sql : statements) {
        if (db.DbExecute(sql) != 0) {
            std::fprintf(stderr, "setup: %s\n%s\n", qPrintable(sql),
                         qPrintable(db.DbLastErrorText()));
            return false;
        }
    }
    return db.DbCommit() == 0;
}

// The grid as the user leaves it before 変更を反映: the table's rows, editable, every name and
// price changed.
bool editGrid(ODBCComm& db, BatchRun& run, EditTarget& target)
{
    run.runBatch(kSelect);
    const Editability e = ResultEditability(db).decide(run.gridSql(), run.gridInfo());
    if (!e.editable) {
        std::fprintf(stderr, "not editable: %s\n", qPrintable(e.reason));
        return false;
    }
    ResultGridModel& m = run.model();
    m.setEditableColumns(e.columnEditable);
    target = editTargetOf(e, run.gridInfo(), db.DbDialect());
    if (m.rows().size() != static_cast<std::size_t>(kRows)) {
        std::fprintf(stderr, "grid holds %zu rows\n", m.rows().size());
        return false;
    }
    for (std::size_t pos = 0; pos < m.rows().size(); ++pos) {
        const QString id = m.rows()[pos].cells.at(0);
        if (!m.setCell(pos, 1, newName(id)) || !m.setCell(pos, 2, newPrice(id)))
            return false;
    }
    return true;
}

// The same through the edit command's controller: the result offered for editing as the
// first F2 does, then every name and price changed.
bool editThroughCommand(BatchRun& run, GridEditor& editor)
{
    run.runBatch(kSelect);
    if (!editor.offerEditing())
        return false;
    ResultGridModel& m = run.model();
    for (std::size_t pos = 0; pos < m.rows().size(); ++pos) {
        const QString id = m.rows()[pos].cells.at(0);
        if (!m.setCell(pos, 1, newName(id)) || !m.setCell(pos, 2, newPrice(id)))
            return false;
    }
    return m.editCounts().changed == kRows;
}

// Rows that still have a changed name: none after each rollback.
int renamedRows(ODBCComm& db)
{
    if (db.DbExecute(
            QStringLiteral("SELECT COUNT(*) FROM qv_bench_edit WHERE name LIKE 'renamed%'")) != 0)
        return -1;
    QVector<QString> values;
    const int n = db.DbFetch(values, false) == 0 && !values.isEmpty() ? values[0].toInt() : -1;
    db.DbCloseCursor();
    db.DbCommit();
    return n;
}

// The plain ODBC program's connection and its loop.
class BareLoop {
public:
    ~BareLoop()
    {
        if (dbc_ != SQL_NULL_HDBC) {
            SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
            SQLDisconnect(dbc_);
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        }
        if (env_ != SQL_NULL_HENV)
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }

    bool connect(const std::string& conn)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        if (!SQL_SUCCEEDED(SQLDriverConnect(
                dbc_, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(conn.c_str())), SQL_NTS,
                out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT)))
            return failed(SQL_HANDLE_DBC, dbc_, "connect");
        SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
        return true;
    }

    // One timed run: milliseconds, or a negative number when something failed. The SQL types
    // of name, price and id are the ones the program binds (character columns as VARCHAR).
    double run(SQLSMALLINT priceType, SQLSMALLINT idType)
    {
        SQLHSTMT update = SQL_NULL_HSTMT;
        SQLHSTMT select = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &update);
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &select);
        const auto t = std::chrono::steady_clock::now();
        const bool ok = loop(update, select, priceType, idType);
        const double ms = bench::msSince(t);
        SQLFreeHandle(SQL_HANDLE_STMT, select);
        SQLFreeHandle(SQL_HANDLE_STMT, update);
        SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
        return ok ? ms : -1;
    }

private:
    bool loop(SQLHSTMT update, SQLHSTMT select, SQLSMALLINT priceType, SQLSMALLINT idType)
    {
        if (!SQL_SUCCEEDED(SQLExecDirect(update, sqlText("SAVEPOINT qv_bare"), SQL_NTS)))
            return failed(SQL_HANDLE_STMT, update, "savepoint");
        SQLFreeStmt(update, SQL_CLOSE);
        if (!SQL_SUCCEEDED(SQLPrepare(
                update, sqlText("UPDATE qv_bench_edit SET name = ?, price = ? WHERE id = ?"),
                SQL_NTS)))
            return failed(SQL_HANDLE_STMT, update, "prepare update");
        if (!SQL_SUCCEEDED(SQLPrepare(
                select, sqlText("SELECT id, name, price, note FROM qv_bench_edit WHERE id = ?"),
                SQL_NTS)))
            return failed(SQL_HANDLE_STMT, select, "prepare select");
        char name[64];
        char price[32];
        char id[16];
        SQLLEN nameLength = 0;
        SQLLEN priceLength = 0;
        SQLLEN idLength = 0;
        for (int n = 1; n <= kRows; ++n) {
            const QString key = QString::number(n);
            idLength = std::snprintf(id, sizeof id, "%d", n);
            nameLength = std::snprintf(name, sizeof name, "%s", qPrintable(newName(key)));
            priceLength = std::snprintf(price, sizeof price, "%s", qPrintable(newPrice(key)));
            bind(update, 1, SQL_VARCHAR, name, nameLength);
            bind(update, 2, priceType, price, priceLength);
            bind(update, 3, idType, id, idLength);
            SQLLEN rows = 0;
            if (!SQL_SUCCEEDED(SQLExecute(update)))
                return failed(SQL_HANDLE_STMT, update, "update");
            if (!SQL_SUCCEEDED(SQLRowCount(update, &rows)) || rows != 1) {
                std::fprintf(stderr, "bare: row %d: %ld rows changed\n", n,
                             static_cast<long>(rows));
                return false;
            }
        }
        char value[256];
        for (int n = 1; n <= kRows; ++n) {
            idLength = std::snprintf(id, sizeof id, "%d", n);
            bind(select, 1, idType, id, idLength);
            if (!SQL_SUCCEEDED(SQLExecute(select)))
                return failed(SQL_HANDLE_STMT, select, "select");
            if (!SQL_SUCCEEDED(SQLFetch(select)))
                return failed(SQL_HANDLE_STMT, select, "fetch");
            for (SQLUSMALLINT c = 1; c <= 4; ++c) {
                SQLLEN indicator = 0;
                SQLGetData(select, c, SQL_C_CHAR, value, sizeof value, &indicator);
            }
            SQLFreeStmt(select, SQL_CLOSE);
        }
        return true;
    }

    static SQLCHAR* sqlText(const char* text)
    {
        return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text));
    }

    // A text for a marker, as the program binds it: its length as the column size.
    static void bind(SQLHSTMT stmt, SQLUSMALLINT marker, SQLSMALLINT sqlType, char* text,
                     SQLLEN& length)
    {
        SQLBindParameter(stmt, marker, SQL_PARAM_INPUT, SQL_C_CHAR, sqlType,
                         static_cast<SQLULEN>(length), 0, text, length + 1, &length);
    }

    static bool failed(SQLSMALLINT type, SQLHANDLE handle, const char* what)
    {
        SQLCHAR state[6] = {};
        SQLCHAR text[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLGetDiagRec(type, handle, 1, state, &native, text, sizeof text, &length);
        std::fprintf(stderr, "bare %s: %s %s\n", what, state, text);
        return false;
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
};

struct Options {
    int pairs = 7;
    int applyOnly = 0;
    bool bareThread = false;
};

struct Medians {
    double apply = 0;
    double bare = 0;
};

// For a profiler: the same statements applied `times` times (the grid keeps its marks after an
// apply), each rolled back, and nothing else.
bool applyOnly(ODBCComm& db, BatchRun& run, const EditTarget& target, int times)
{
    const std::vector<EditStatement> statements = editStatements(run.model(), target, false);
    const std::string reread = rereadStatement(target);
    for (int i = 0; i < times; ++i) {
        if (!run.applyEdits(statements, reread).applied)
            return false;
        db.DbRollback();
    }
    return true;
}

bool runDatabase(const Database& d, const Options& o, Medians& out)
{
    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm db(lib, prompts);
    if (!bench::connect(db, d.conn)) {
        std::fprintf(stderr, "%s: connect: %s\n", d.name, qPrintable(db.DbLastErrorText()));
        return false;
    }
    if (!makeTable(db, d.mariadb))
        return false;
    BareLoop bare;
    if (!bare.connect(d.conn))
        return false;
    BatchRun run(db, prompts, nullptr);
    GridEditor editor(db, prompts, run, GridEditorUi{});

    // The SQL types the program binds price and id with, for the bare loop.
    EditTarget target;
    if (!editGrid(db, run, target))
        return false;
    const SQLSMALLINT priceType = target.sqlTypes.at(2);
    const SQLSMALLINT idType = target.sqlTypes.at(0);
    if (o.applyOnly > 0)
        return applyOnly(db, run, target, o.applyOnly);
    db.DbRollback();
    // The program's driver calls run on its connection's own thread; --bare-thread gives the
    // bare loop one too, to tell how much of a difference is where the scheduler put a thread.
    const auto runBare = [&] {
        if (!o.bareThread)
            return bare.run(priceType, idType);
        double ms = -1;
        std::thread([&] { ms = bare.run(priceType, idType); }).join();
        return ms;
    };

    std::vector<double> applied;
    std::vector<double> bareRuns;
    for (int p = 0; p <= o.pairs; ++p) {
        // The first pair warms up driver, server and caches; it is not counted.
        const bool counted = p > 0;
        const bool bareFirst = p % 2 == 1;
        double bareMs = bareFirst ? runBare() : -1;
        if (!editThroughCommand(run, editor))
            return false;

        // 変更を反映 from its command to its end: the statements, the apply, the rows read
        // again and settled in the grid.
        const auto t = std::chrono::steady_clock::now();
        editor.applyCommand();
        const double applyMs = bench::msSince(t);
        const ResultGridModel& m = run.model();
        if (m.editCounts().any() || m.rows().size() != static_cast<std::size_t>(kRows) ||
            db.pending().statements() != kRows) {
            std::fprintf(stderr, "%s: apply: %s\n", d.name,
                         qPrintable(prompts.boxes().isEmpty() ? QStringLiteral("not applied")
                                                              : prompts.boxes().back().text));
            return false;
        }
        for (const ResultGridModel::Row& row : m.rows()) {
            if (!row.cells.at(1).startsWith(QStringLiteral("renamed "))) {
                std::fprintf(stderr, "%s: a row was not read again as changed\n", d.name);
                return false;
            }
        }
        db.DbRollback();
        prompts.clear();

        if (!bareFirst)
            bareMs = runBare();
        if (bareMs < 0)
            return false;
        if (renamedRows(db) != 0) {
            std::fprintf(stderr, "%s: a rollback left changed rows\n", d.name);
            return false;
        }
        if (counted) {
            applied.push_back(applyMs);
            bareRuns.push_back(bareMs);
        }
    }
    run.close_fetch();
    db.DbExecute(QStringLiteral("DROP TABLE qv_bench_edit"));
    db.DbCommit();

    out.apply = bench::median(applied);
    out.bare = bench::median(bareRuns);
    std::printf("%s, %d changed rows (name, price) with their reread, median of %d pairs\n", d.name,
                kRows, o.pairs);
    std::printf("  変更を反映 (command to settled grid): %8.1f ms\n", out.apply);
    std::printf("  bare prepared ODBC loop         : %8.1f ms  (ratio %.2f, target <= 1.5)\n",
                out.bare, out.apply / out.bare);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const Database all[] = {
        {"SQLite", bench::sqliteConnStr("grideditbench.db"), false},
        {"PostgreSQL", "DSN=QV_PG;", false},
        {"MariaDB", "DSN=QV_MY;", true},
    };
    std::vector<const Database*> chosen;
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--sqlite")
            chosen.push_back(&all[0]);
        else if (arg == "--pg")
            chosen.push_back(&all[1]);
        else if (arg == "--mariadb")
            chosen.push_back(&all[2]);
        else if (arg == "pairs" && i + 1 < argc)
            o.pairs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "apply-only")
            o.applyOnly = i + 1 < argc ? std::max(1, std::atoi(argv[++i])) : 200;
        else if (arg == "--bare-thread")
            o.bareThread = true;
    }
    if (chosen.empty())
        chosen = {&all[0], &all[1], &all[2]};

    int failures = 0;
    std::vector<std::pair<const Database*, Medians>> results;
    for (const Database* d : chosen) {
        Medians m;
        if (runDatabase(*d, o, m))
            results.emplace_back(d, m);
        else
            ++failures;
    }
    if (results.size() > 1 && o.applyOnly == 0) {
        std::printf("\n%-12s %10s %10s %7s\n", "database", "apply ms", "bare ms", "ratio");
        for (const auto& [d, m] : results)
            std::printf("%-12s %10.1f %10.1f %7.2f\n", d->name, m.apply, m.bare, m.apply / m.bare);
    }
    return failures == 0 ? 0 : 1;
}
