// Fetch speed of OdbcLib against a bare loop of the same ODBC calls, on a 10-column table in
// SQLite and PostgreSQL, with each driver's default options and with the options that let
// rows arrive as they are fetched.
//
//   odbc_fetch_bench [rows...]        (default 10000 1000000)
//
// Needs the private ODBC files of the test environment: run it with ODBCSYSINI / ODBCINI set
// as ctest sets them (tests/fixture/testenv.sh start BUILD_DIR first) and LANG=C.UTF-8.
#include "BenchSupport.h"
#include "odbc/OdbcLib.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kColumns = 10;
constexpr int kRepeats = 3;

struct Target {
    const char* label;
    std::string connStr;
    bool postgres;
};

double seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

std::string selectSql(long rows)
{
    return "SELECT id, c1, c2, c3, c4, c5, c6, c7, c8, c9 FROM qv_bench WHERE id <= " +
           std::to_string(rows);
}

bool exec(OdbcLib& lib, const std::string& sql)
{
    std::int32_t rows = 0;
    std::int16_t cols = 0;
    if (lib.OdbcExecute(sql, rows, cols) != 0) {
        std::fprintf(stderr, "%s\n%s\n", sql.c_str(), lib.OdbcLastError().c_str());
        return false;
    }
    return true;
}

bool connect(OdbcLib& lib, const std::string& connStr)
{
    lib.OdbcInitEnv();
    std::string uid;
    std::string pwd;
    std::string conn = connStr;
    if (lib.OdbcConnect(nullptr, "", uid, pwd, "", conn) != 0) {
        std::fprintf(stderr, "connect %s: %s\n", connStr.c_str(), lib.OdbcLastError().c_str());
        return false;
    }
    return true;
}

// The table of maxRows rows: an integer key and nine short texts.
bool prepare(const Target& t, long maxRows)
{
    OdbcLib lib;
    if (!connect(lib, t.connStr))
        return false;
    std::int32_t rows = 0;
    std::int16_t cols = 0;
    if (lib.OdbcExecute("SELECT COUNT(*) FROM qv_bench", rows, cols) == 0) {
        std::vector<std::string> v;
        if (lib.OdbcFetchRow(v) == 0 && std::atol(v[0].c_str()) == maxRows)
            return true;
    }
    lib.OdbcRollback();
    lib.OdbcExecute("DROP TABLE IF EXISTS qv_bench", rows, cols);
    lib.OdbcCommit();
    std::string create = "CREATE TABLE qv_bench (id INTEGER";
    for (int c = 1; c < kColumns; ++c)
        create += ", c" + std::to_string(c) + " VARCHAR(20)";
    create += ")";
    const std::string series =
        t.postgres ? "SELECT n FROM generate_series(1, " + std::to_string(maxRows) + ") AS s(n)"
                   : "WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < " +
                         std::to_string(maxRows) + ") SELECT n FROM s";
    std::string insert = "INSERT INTO qv_bench SELECT n";
    for (int c = 1; c < kColumns; ++c)
        insert += ", 'value " + std::to_string(c) + " ' || n";
    insert += " FROM (" + series + ") AS q";
    return exec(lib, create) && exec(lib, insert) && lib.OdbcCommit() == 0;
}

using Row = std::vector<std::string>;

long layerFetch(OdbcLib& lib, long rows, bool block)
{
    if (!exec(lib, selectSql(rows)))
        return -1;
    Row values;
    long n = 0;
    while ((block ? bench::fetchBlockRowCopy(lib, values) : lib.OdbcFetchRow(values)) == 0)
        ++n;
    lib.OdbcCloseCursor();
    return n;
}

// The same driver calls without the layer, producing the same texts.
long bareFetch(const std::string& connStr, SQLHDBC dbc, long rows, bool block)
{
    (void)connStr;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocStmt(dbc, &stmt);
    SQLSetStmtOption(stmt, SQL_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY);
    const std::string sql = selectSql(rows);
    if (!SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), (SQLINTEGER)sql.size()))) {
        SQLFreeStmt(stmt, SQL_DROP);
        return -1;
    }
    Row values(kColumns);
    long n = 0;
    if (block) {
        std::vector<char> buffer(kColumns * 256 * 256);
        std::vector<SQLLEN> indicators(kColumns * 256);
        SQLSetStmtOption(stmt, SQL_ROWSET_SIZE, 256);
        for (int c = 0; c < kColumns; ++c)
            SQLBindCol(stmt, c + 1, SQL_C_CHAR, buffer.data() + c * 256 * 256, 256,
                       indicators.data() + c * 256);
        SQLULEN got = 0;
        while (SQL_SUCCEEDED(SQLExtendedFetch(stmt, SQL_FETCH_NEXT, 0, &got, nullptr))) {
            for (SQLULEN r = 0; r < got; ++r) {
                for (int c = 0; c < kColumns; ++c) {
                    const SQLLEN ind = indicators[c * 256 + r];
                    if (ind == SQL_NULL_DATA)
                        values[c].clear();
                    else
                        values[c].assign(buffer.data() + (c * 256 + r) * 256,
                                         std::min<SQLLEN>(ind, 254));
                }
                ++n;
            }
        }
    } else {
        char buffer[256];
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            for (int c = 0; c < kColumns; ++c) {
                SQLLEN ind = 0;
                SQLGetData(stmt, c + 1, SQL_C_CHAR, buffer, 255, &ind);
                if (ind == SQL_NULL_DATA)
                    values[c].clear();
                else
                    values[c].assign(buffer, std::min<SQLLEN>(ind, 254));
            }
            ++n;
        }
    }
    SQLFreeStmt(stmt, SQL_CLOSE);
    SQLFreeStmt(stmt, SQL_DROP);
    return n;
}

struct BareConnection {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    explicit BareConnection(const std::string& connStr)
    {
        SQLAllocEnv(&env);
        SQLAllocConnect(env, &dbc);
        SQLDriverConnect(dbc, nullptr, (SQLCHAR*)connStr.c_str(), SQL_NTS, nullptr, 0, nullptr,
                         SQL_DRIVER_NOPROMPT);
        SQLSetConnectOption(dbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF);
    }
    ~BareConnection()
    {
        SQLTransact(env, dbc, SQL_ROLLBACK);
        SQLDisconnect(dbc);
        SQLFreeConnect(dbc);
        SQLFreeEnv(env);
    }
};

template <typename F> double best(long expected, F run)
{
    double fastest = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const long got = run();
        const double s = seconds(start);
        if (got != expected) {
            std::fprintf(stderr, "expected %ld rows, got %ld\n", expected, got);
            return -1;
        }
        fastest = std::min(fastest, s);
    }
    return fastest;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atol(argv[i]));
    if (sizes.empty())
        sizes = {10000, 1000000};
    const long maxRows = *std::max_element(sizes.begin(), sizes.end());

    const char* dir = std::getenv("QV_TESTENV");
    const std::string sqliteFile = std::string(dir != nullptr ? dir : "/tmp") + "/bench.db";
    const std::string sqlite = "DRIVER=SQLite3;Database=" + sqliteFile + ";";
    const std::vector<Target> targets = {
        {"SQLite default (StepAPI=0)", sqlite, false},
        {"SQLite StepAPI=1", sqlite + "StepAPI=1;", false},
        {"PostgreSQL default (UseDeclareFetch=0)", "DSN=QV_PG_DEFAULT;", true},
        {"PostgreSQL UseDeclareFetch=1 Fetch=256", "DSN=QV_PG_DEFAULT;UseDeclareFetch=1;Fetch=256;",
         true},
    };

    std::printf("%-40s %9s %-6s %14s %14s %7s %6s\n", "driver / options", "rows", "mode",
                "layer rows/s", "bare rows/s", "ratio", "calls");
    for (const Target& t : targets) {
        if (!prepare(t, maxRows))
            return 1;
        OdbcLib lib;
        if (!connect(lib, t.connStr))
            return 1;
        BareConnection bare(t.connStr);
        for (long rows : sizes) {
            for (bool block : {true, false}) {
                lib.resetCallCounters();
                const double layer = best(rows, [&] { return layerFetch(lib, rows, block); });
                const std::uint64_t calls =
                    (block ? lib.extendedFetchCalls() : lib.fetchCalls()) / kRepeats;
                const double plain =
                    best(rows, [&] { return bareFetch(t.connStr, bare.dbc, rows, block); });
                if (layer < 0 || plain < 0)
                    return 1;
                std::printf("%-40s %9ld %-6s %14.0f %14.0f %7.3f %6llu\n", t.label, rows,
                            block ? "block" : "row", rows / layer, rows / plain, layer / plain,
                            static_cast<unsigned long long>(calls));
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
