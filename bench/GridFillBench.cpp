// Result grid fill against a bare fetch loop: a 10-column SELECT of 10,000 rows from SQLite
// through the run command into the real grid model and view (offscreen), beside the block fetch
// alone over the same rows, and the resident memory that the filled grid adds.
//
//   grid_fill_bench [--default-font] [--pg | --mariadb] [fill-only [N]]
//
// --pg and --mariadb read the same rows from the test environment's PostgreSQL (data source
// QV_PG, with its cursor) or MariaDB (QV_MY) instead of SQLite.
//
// The grid has the main window's font (a Japanese monospace family), unless --default-font
// asks for the toolkit's default (a proportional one here). fill-only runs N grid fills (50)
// and nothing else, for a profiler.
//
// Run with the private ODBC files of the test environment (tests/fixture/testenv.sh start
// BUILD_DIR, then ODBCSYSINI / ODBCINI / QV_TESTENV as ctest sets them), LANG=C.UTF-8 and
// QT_QPA_PLATFORM=offscreen.
#include "BenchSupport.h"
#include "GridWindow.h"
#include "ScriptedPrompts.h"

#include <QApplication>
#include <QFontInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 10000;
constexpr int kRepeats = 5;

using bench::msSince;
using bench::statusKb;

bool useMariaDb = false;
bool usePostgres = false;

std::string connStr()
{
    if (useMariaDb)
        return "DSN=QV_MY;";
    if (usePostgres)
        return "DSN=QV_PG;";
    return bench::sqliteConnStr("gridbench.db");
}

const char* kSelect = "SELECT id, c1, c2, c3, c4, c5, c6, c7, c8, c9 FROM qv_grid_bench";

bool prepare(OdbcLib& lib)
{
    std::int32_t rows = 0;
    std::int16_t cols = 0;
    lib.OdbcExecute("DROP TABLE IF EXISTS qv_grid_bench", rows, cols);
    std::string create = "CREATE TABLE qv_grid_bench (id INTEGER";
    std::string insert = "INSERT INTO qv_grid_bench SELECT n";
    for (int c = 1; c < 10; ++c) {
        create += ", c" + std::to_string(c) + " VARCHAR(20)";
        // MariaDB reads "||" as OR.
        insert += useMariaDb ? ", CONCAT('value " + std::to_string(c) + " ', n)"
                             : ", 'value " + std::to_string(c) + " ' || n";
    }
    create += ")";
    insert += " FROM (WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < " +
              std::to_string(kRows) + ") SELECT n FROM s) AS g";
    return lib.OdbcExecute(create, rows, cols) == 0 && lib.OdbcExecute(insert, rows, cols) == 0 &&
           lib.OdbcCommit() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    bool defaultFont = false;
    int fillOnly = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--default-font")
            defaultFont = true;
        else if (arg == "--mariadb")
            useMariaDb = true;
        else if (arg == "--pg")
            usePostgres = true;
        else if (arg == "fill-only")
            fillOnly = i + 1 < argc ? std::max(1, std::atoi(argv[++i])) : 50;
    }
    ScriptedPrompts prompts;

    OdbcLib bare;
    if (!bench::connectBare(bare, connStr()) || !prepare(bare))
        return 1;

    OdbcLib lib;
    ODBCComm db(lib, prompts);
    if (!bench::connect(db, connStr()))
        return 1;
    bench::GridWindow w;
    SqlRunnerUi& ui = w.ui;
    w.show(nullptr, !defaultFont);
    SqlRunner runner(db, prompts, ui);

    // Warm up fonts, styles and driver before measuring anything.
    runner.runBatch("SELECT id FROM qv_grid_bench WHERE id <= 10");
    runner.runBatch("SELECT id FROM qv_grid_bench WHERE id < 0");
    app.processEvents();

    if (fillOnly > 0) {
        for (int r = 0; r < fillOnly; ++r) {
            runner.runBatch("SELECT id FROM qv_grid_bench WHERE id < 0");
            runner.runBatch(kSelect);
        }
        return 0;
    }

    double bestBare = 1e9;
    double bestGrid = 1e9;
    long rssAdded = 0;
    for (int r = 0; r < kRepeats; ++r) {
        auto t = std::chrono::steady_clock::now();
        std::int32_t rows = 0;
        std::int16_t cols = 0;
        bare.OdbcExecute(kSelect, rows, cols);
        std::vector<std::string> values;
        long n = 0;
        while (bench::fetchBlockRowCopy(bare, values) == 0)
            ++n;
        bare.OdbcCloseCursor();
        bestBare = std::min(bestBare, msSince(t));
        if (n != kRows)
            std::fprintf(stderr, "bare loop read %ld rows\n", n);

        runner.runBatch("SELECT id FROM qv_grid_bench WHERE id < 0");
        app.processEvents();
        const long before = statusKb("VmRSS");
        t = std::chrono::steady_clock::now();
        runner.runBatch(kSelect);
        bestGrid = std::min(bestGrid, msSince(t));
        app.processEvents();
        rssAdded = std::max(rssAdded, statusKb("VmRSS") - before);
        if (runner.model().rowCount() != kRows)
            std::fprintf(stderr, "grid shows %d rows\n", runner.model().rowCount());
    }
    std::printf("rows %d x 10 columns, %s, best of %d, grid font %s\n", kRows,
                useMariaDb    ? "MariaDB"
                : usePostgres ? "PostgreSQL"
                              : "SQLite",
                kRepeats, qPrintable(QFontInfo(ui.ListView1->font()).family()));
    std::printf("bare OdbcFetchBlockRow loop : %8.1f ms\n", bestBare);
    std::printf("run into the grid          : %8.1f ms  (ratio %.2f, target <= 1.3)\n", bestGrid,
                bestGrid / bestBare);
    std::printf("resident memory added      : %8.1f MB  (target <= 40)\n", rssAdded / 1024.0);
    return 0;
}
