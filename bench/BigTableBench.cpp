// SELECT * of a 1,000,000-row, 10-column table through the run command into the offscreen result
// grid, beside the same first 10,000 rows read with the native client library. Each measurement is
// its own process, so its peak resident memory (VmHWM) is its own. "query" is the statement
// alone (the run until the filled grid is shown; the native read of 10,000 rows); "with
// connect" adds the connection and, for the grid, building the offscreen window.
//
//   big_table_bench prepare-sqlite | prepare-pg | prepare-my
//   big_table_bench sqlite-grid | sqlite-native | pg-grid | pg-declare-grid | pg-nodeclare-grid
//                   | pg-native | my-grid | my-native | my-native-store
//
// pg-grid uses the data source made with psqlODBC's default options (the program then asks for
// a cursor itself), pg-declare-grid the one with UseDeclareFetch=1 set by hand, and
// pg-nodeclare-grid turns the cursor off in the connection string (the driver's own default).
// my-grid uses the MariaDB data source as it is (the program adds NO_CACHE=1, which Debian 12's
// Connector/ODBC 3.1.15 ignores, and has the server send no more than the grid's cap of the
// SELECT through sql_select_limit); my-native streams the first 10,000 rows with libmariadb
// (mysql_use_result), my-native-store reads the whole result first as that driver does
// (mysql_store_result). Run with the environment of the test programs (see GridFillBench.cpp).
#include "BenchSupport.h"
#include "GridWindow.h"
#include "ScriptedPrompts.h"

#include <libpq-fe.h>
#include <mysql.h>
#include <sqlite3.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr long kTableRows = 1000000;
constexpr int kGridRows = 10000;

std::string envDir()
{
    const char* env = std::getenv("QV_TESTENV");
    return env ? env : "testenv";
}

std::string sqliteFile()
{
    return envDir() + "/bigtable.db";
}

std::string sqliteConnStr()
{
    return "DRIVER=SQLite3;Database=" + sqliteFile() + ";Timeout=2000;";
}

std::string pgConninfo()
{
    std::ifstream in(envDir() + "/pg.port");
    std::string port;
    in >> port;
    return "host=127.0.0.1 port=" + port + " dbname=qvtest user=qvtest password=qvtest-secret";
}

int myPort()
{
    std::ifstream in(envDir() + "/my.port");
    int port = 0;
    in >> port;
    return port;
}

using bench::msSince;
using bench::statusKb;

int prepare(const std::string& connStr, bool postgres, bool mariadb = false)
{
    OdbcLib lib;
    lib.OdbcInitEnv();
    std::string uid, pwd, conn = connStr;
    if (lib.OdbcConnect(nullptr, "", uid, pwd, "", conn) != 0) {
        std::fprintf(stderr, "%s\n", lib.OdbcLastError().c_str());
        return 1;
    }
    std::int32_t rows = 0;
    std::int16_t cols = 0;
    lib.OdbcExecute("DROP TABLE IF EXISTS qv_big_bench", rows, cols);
    lib.OdbcCommit();
    std::string create = "CREATE TABLE qv_big_bench (id INTEGER";
    std::string insert = "INSERT INTO qv_big_bench SELECT n";
    for (int c = 1; c < 10; ++c) {
        create += ", c" + std::to_string(c) + " VARCHAR(20)";
        insert += mariadb ? ", CONCAT('value " + std::to_string(c) + " ', n)"
                          : ", 'value " + std::to_string(c) + " ' || n";
    }
    create += ")";
    insert += postgres ? " FROM generate_series(1, " + std::to_string(kTableRows) + ") AS g(n)"
                       : " FROM (WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s "
                         "WHERE n < " +
                             std::to_string(kTableRows) + ") SELECT n FROM s) AS g";
    if (lib.OdbcExecute(create, rows, cols) != 0 || lib.OdbcExecute(insert, rows, cols) != 0 ||
        lib.OdbcCommit() != 0) {
        std::fprintf(stderr, "%s\n", lib.OdbcLastError().c_str());
        return 1;
    }
    return 0;
}

long sqliteNative(double& queryMs)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(sqliteFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return -1;
    const auto t = std::chrono::steady_clock::now();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM qv_big_bench", -1, &st, nullptr);
    long n = 0;
    std::string sink;
    while (n < kGridRows && sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < 10; ++c) {
            const unsigned char* t = sqlite3_column_text(st, c);
            sink.assign(t ? reinterpret_cast<const char*>(t) : "");
        }
        ++n;
    }
    sqlite3_finalize(st);
    queryMs = msSince(t);
    sqlite3_close(db);
    return n;
}

long pgNative(double& queryMs)
{
    PGconn* c = PQconnectdb(pgConninfo().c_str());
    if (PQstatus(c) != CONNECTION_OK)
        return -1;
    const auto t = std::chrono::steady_clock::now();
    PQclear(PQexec(c, "BEGIN"));
    PQclear(PQexec(c, "DECLARE qv_c NO SCROLL CURSOR FOR SELECT * FROM qv_big_bench"));
    PGresult* r = PQexec(c, ("FETCH " + std::to_string(kGridRows) + " FROM qv_c").c_str());
    long n = PQntuples(r);
    std::string sink;
    for (long i = 0; i < n; ++i)
        for (int col = 0; col < 10; ++col)
            sink.assign(PQgetvalue(r, static_cast<int>(i), col));
    PQclear(r);
    queryMs = msSince(t);
    PQclear(PQexec(c, "ROLLBACK"));
    PQfinish(c);
    return n;
}

long myNative(double& queryMs, bool store)
{
    MYSQL* c = mysql_init(nullptr);
    if (mysql_real_connect(c, "127.0.0.1", "qvtest", "qvtest-secret", "qvtest",
                           static_cast<unsigned>(myPort()), nullptr, 0) == nullptr)
        return -1;
    const auto t = std::chrono::steady_clock::now();
    mysql_query(c, "SELECT * FROM qv_big_bench");
    MYSQL_RES* r = store ? mysql_store_result(c) : mysql_use_result(c);
    long n = 0;
    std::string sink;
    MYSQL_ROW row;
    while (n < kGridRows && (row = mysql_fetch_row(r)) != nullptr) {
        for (int col = 0; col < 10; ++col)
            sink.assign(row[col] ? row[col] : "");
        ++n;
    }
    queryMs = msSince(t);
    // Freeing a streamed result reads its remaining rows; that is not part of the query.
    mysql_free_result(r);
    mysql_close(c);
    return n;
}

long grid(const QString& connStr, double& queryMs)
{
    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm db(lib, prompts);
    if (!bench::connect(db, connStr.toStdString()))
        return -1;
    bench::GridWindow w;
    SqlRunnerUi& ui = w.ui;
    w.show(nullptr, false);
    SqlRunner runner(db, prompts, ui);
    const auto t = std::chrono::steady_clock::now();
    runner.runBatch("SELECT * FROM qv_big_bench");
    queryMs = msSince(t);
    const long n = runner.model().rowCount();
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "prepare-sqlite")
        return prepare(sqliteConnStr(), false);
    if (mode == "prepare-pg")
        return prepare("DSN=QV_PG;", true);
    if (mode == "prepare-my")
        return prepare("DSN=QV_MY;", false, true);

    const long hwmBefore = statusKb("VmHWM");
    const auto t = std::chrono::steady_clock::now();
    long rows = -1;
    double queryMs = 0;
    if (mode == "sqlite-grid")
        rows = grid(QString::fromStdString(sqliteConnStr()), queryMs);
    else if (mode == "sqlite-native")
        rows = sqliteNative(queryMs);
    else if (mode == "pg-grid")
        rows = grid(QStringLiteral("DSN=QV_PG_DEFAULT;"), queryMs);
    else if (mode == "pg-nodeclare-grid")
        rows = grid(QStringLiteral("DSN=QV_PG_DEFAULT;UseDeclareFetch=0;"), queryMs);
    else if (mode == "pg-declare-grid")
        rows = grid(QStringLiteral("DSN=QV_PG;"), queryMs);
    else if (mode == "pg-native")
        rows = pgNative(queryMs);
    else if (mode == "my-grid")
        rows = grid(QStringLiteral("DSN=QV_MY;"), queryMs);
    else if (mode == "my-native")
        rows = myNative(queryMs, false);
    else if (mode == "my-native-store")
        rows = myNative(queryMs, true);
    else {
        std::fprintf(stderr, "unknown mode\n");
        return 2;
    }
    std::printf("%-16s rows %6ld  query %8.1f ms  with connect %8.1f ms  peak RSS %6.1f MB "
                "(at start %5.1f MB)\n",
                mode.c_str(), rows, queryMs, msSince(t), statusKb("VmHWM") / 1024.0,
                hwmBefore / 1024.0);
    return rows == kGridRows ? 0 : 1;
}
