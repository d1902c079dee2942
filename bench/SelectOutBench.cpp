// Execute-and-save of a 1,000,000-row, 10-column table into a delimited file, through the real
// export window (offscreen, the save dialog answered), beside a bare ODBC loop of SQLFetch and
// SQLGetData writing the same lines with fwrite. Each measurement is its own process, so its
// peak resident memory (VmHWM) is its own.
//
//   select_out_bench prepare-sqlite | prepare-pg
//   select_out_bench sqlite-bare | sqlite-save | sqlite-save-pending | pg-bare | pg-save  [rows]
//   select_out_bench pg-rest | pg-rest-xlsx  [rows]
//
// pg-rest reads the first 10,000 rows as the grid does (capped, the cursor kept open), then
// saves the grid's rows and the rest of the open result through 残りをファイルに保存... (as text,
// or as a workbook); it reports the peak memory before the rest and at the end.
// The save modes also report the resident memory once the export has ended; sqlite-save-pending
// records an uncommitted change first, so SQLite's driver holds the whole result meanwhile.
//
// The table is qv_big_bench, as big_table_bench makes it (id and nine VARCHAR(20) columns); rows
// limits the statement when given (a LIMIT clause), for a smaller run on a busy machine. The
// file is written to the test environment folder and removed afterwards. Run with the
// environment of the test programs (see GridFillBench.cpp).
#include "BenchSupport.h"
#include "GridWindow.h"
#include "ScriptedPrompts.h"
#include "base/GetFile.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/SqlExecText.h"
#include "transfer/SaveCSV.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

constexpr long kTableRows = 1000000;

std::string envDir()
{
    const char* env = std::getenv("QV_TESTENV");
    return env ? env : "testenv";
}

// QV_SQLITE_EXTRA: items added to the SQLite connection string (to try driver options).
std::string sqliteExtra()
{
    const char* extra = std::getenv("QV_SQLITE_EXTRA");
    return extra ? extra : "";
}

std::string connStrFor(bool postgres)
{
    return postgres ? "DSN=QV_PG;"
                    : "DRIVER=SQLite3;Database=" + envDir() + "/bigtable.db;Timeout=2000;" +
                          sqliteExtra();
}

std::string outputFile()
{
    return envDir() + "/select_out_bench.csv";
}

long fileBytes(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

int prepare(bool postgres)
{
    OdbcLib lib;
    lib.OdbcInitEnv();
    std::string uid, pwd, conn = connStrFor(postgres);
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
        insert += ", 'value " + std::to_string(c) + " ' || n";
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

// The plain loop an ODBC program without any window would write: one SQLFetch per row, one
// SQLGetData per column into a fixed buffer, the values joined by commas (strings quoted).
long bare(bool postgres, const std::string& sql)
{
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocEnv(&env);
    SQLAllocConnect(env, &dbc);
    std::string conn = connStrFor(postgres);
    SQLCHAR out[1024];
    SQLSMALLINT outLen = 0;
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)conn.c_str(), SQL_NTS, out,
                                        sizeof out, &outLen, SQL_DRIVER_NOPROMPT)))
        return -1;
    SQLSetConnectOption(dbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF);
    SQLAllocStmt(dbc, &st);
    if (!SQL_SUCCEEDED(SQLExecDirect(st, (SQLCHAR*)sql.c_str(), SQL_NTS)))
        return -1;
    SQLSMALLINT columns = 0;
    SQLNumResultCols(st, &columns);
    std::FILE* f = std::fopen(outputFile().c_str(), "wb");
    char buffer[256];
    std::string line;
    long rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(st))) {
        line.clear();
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            SQLLEN indicator = 0;
            SQLGetData(st, c, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
            if (c > 1)
                line += ',';
            const bool text = c > 1;
            if (text)
                line += '"';
            if (indicator != SQL_NULL_DATA)
                line += buffer;
            if (text)
                line += '"';
        }
        line += "\r\n";
        std::fwrite(line.data(), 1, line.size(), f);
        ++rows;
    }
    std::fclose(f);
    SQLFreeStmt(st, SQL_DROP);
    SQLDisconnect(dbc);
    SQLFreeConnect(dbc);
    SQLFreeEnv(env);
    return rows;
}

class Answer : public FileDialogBackend {
public:
    QString run(QWidget*, const FileDialogRequest&) override
    {
        return QString::fromStdString(outputFile());
    }
};

// Resident memory after the export, with the window still open (its cursor released).
long rssAfterKb = -1;

// pending: a change is recorded as uncommitted first, so the export keeps to the transaction
// (on SQLite the driver then holds the whole result).
long save(bool postgres, const std::string& sql, bool pending)
{
    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm db(lib, prompts);
    if (!bench::connect(db, connStrFor(postgres)))
        return -1;
    if (pending)
        db.pending().record({QStringLiteral("UPDATE …"), QDateTime::currentDateTime(), 1, 0});
    Answer answer;
    FileDialogBackend::install(&answer);
    QWidget owner;
    SaveCSVHooks hooks;
    hooks.readsOnly = [&db](const QString& text) {
        return !ClassifyStatement(text, db.DbDialect()).mayChange;
    };
    SaveCSV window(db, prompts, std::move(hooks), &owner);
    window.Show4SelectOut(QString::fromStdString(sql));
    window.Command1->click();
    FileDialogBackend::install(nullptr);
    rssAfterKb = bench::statusKb("VmRSS");
    for (const auto& box : prompts.boxes())
        if (box.icon != Prompts::Icon::Information)
            std::fprintf(stderr, "box: %s\n", box.text.toStdString().c_str());
    db.DbDisconnect();
    return window.L_cnt->text().toLong();
}

// The grid's rows of the capped result, the row read past the cap held, as the fill keeps them.
struct GridRows {
    ResultSetInfo info;
    std::vector<QVector<QString>> rows;
};

long rest(const std::string& sql, bool workbook, long& peakBeforeKb)
{
    constexpr int kGridRows = 10000;
    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm db(lib, prompts);
    if (!bench::connect(db, connStrFor(true)))
        return -1;
    GridRows grid;
    const OpenedResult opened = db.DbOpenResult(QString::fromStdString(sql), kGridRows + 1);
    if (opened.code != 0 || opened.describeCode != 0)
        return -1;
    grid.info = opened.info;
    db.DbFetchRows(
        kGridRows + 1, false, true, [](std::vector<std::string_view>&) {},
        [&](std::vector<QVector<QString>>& block) {
            for (auto& row : block)
                grid.rows.push_back(std::move(row));
        });
    std::vector<QVector<QString>> held;
    while (static_cast<int>(grid.rows.size()) > kGridRows) {
        held.insert(held.begin(), std::move(grid.rows.back()));
        grid.rows.pop_back();
    }
    const ResultGridSource source{
        [&] { return static_cast<int>(grid.info.names.size()); },
        [&] { return static_cast<int>(grid.rows.size()); },
        [&](int c) { return grid.info.names[c]; },
        [&](int c) { return grid.info.kinds[static_cast<std::size_t>(c)]; },
        [&](int r, int c) { return grid.rows[static_cast<std::size_t>(r)][c]; }};
    SaveCSVHooks hooks;
    hooks.takeGridRest = [&](ResultGridSource& read, std::vector<QVector<QString>>& rows) {
        read = source;
        rows.swap(held);
        return db.DbLiftRowCap();
    };
    hooks.endGridResult = [&] { db.DbCloseCursor(); };
    Answer answer;
    FileDialogBackend::install(&answer);
    QWidget owner;
    SaveCSV window(db, prompts, hooks, &owner);
    peakBeforeKb = bench::statusKb("VmHWM");
    window.ShowRest();
    window.Opt_out[workbook ? SaveCSV::Spreadsheet : SaveCSV::TextFile]->click();
    window.Command1->click();
    FileDialogBackend::install(nullptr);
    for (const auto& box : prompts.boxes())
        if (box.icon != Prompts::Icon::Information)
            std::fprintf(stderr, "box: %s\n", box.text.toStdString().c_str());
    db.DbDisconnect();
    return window.L_cnt->text().toLong();
}

int restRun(int argc, char** argv, const std::string& mode, const std::string& sql)
{
    QApplication app(argc, argv);
    long peakBeforeKb = -1;
    const auto started = std::chrono::steady_clock::now();
    const long rows = rest(sql, mode == "pg-rest-xlsx", peakBeforeKb);
    std::printf("%-12s rows %ld  %.0f ms  file %ld bytes  peak before the rest %ld kB, at the end "
                "%ld kB\n",
                mode.c_str(), rows, bench::msSince(started), fileBytes(outputFile()), peakBeforeKb,
                bench::statusKb("VmHWM"));
    std::remove(outputFile().c_str());
    return rows < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s prepare-sqlite|prepare-pg|{sqlite,pg}-{bare,save} [rows]\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const bool postgres = mode.rfind("pg", 0) == 0 || mode == "prepare-pg";
    if (mode.rfind("prepare", 0) == 0)
        return prepare(postgres);
    std::string sql = "SELECT * FROM qv_big_bench";
    if (argc > 2)
        sql += " LIMIT " + std::to_string(std::atol(argv[2]));
    if (mode == "pg-rest" || mode == "pg-rest-xlsx")
        return restRun(argc, argv, mode, sql);
    QApplication app(argc, argv);
    const auto started = std::chrono::steady_clock::now();
    const long rows = mode.find("bare") != std::string::npos
                          ? bare(postgres, sql)
                          : save(postgres, sql, mode.find("pending") != std::string::npos);
    const double ms = bench::msSince(started);
    // CPU time of the whole process (all threads), steadier than the clock on a busy machine.
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpuMs = usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
                         usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
    std::printf("%-12s rows %ld  %.0f ms  cpu %.0f ms  file %ld bytes  peak %ld kB", mode.c_str(),
                rows, ms, cpuMs, fileBytes(outputFile()), bench::statusKb("VmHWM"));
    if (rssAfterKb >= 0)
        std::printf("  resident after %ld kB", rssAfterKb);
    std::printf("\n");
    std::remove(outputFile().c_str());
    return rows < 0 ? 1 : 0;
}
