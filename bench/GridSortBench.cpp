// Sort clicks on the result grid: a 10-column SELECT of 10,000 rows from SQLite through
// the run command into the real grid model and view (offscreen), then header clicks on a number
// column with decimals and signs, an integer column, an ASCII text column and a Japanese text
// column: ascending (the first click on a number column fills its numbers out too),
// descending and back to fetch order. Each click is timed with the repaint of the grid.
//
//   grid_sort_bench [repeats]
//
// Run with the private ODBC files of the test environment (tests/fixture/testenv.sh start
// BUILD_DIR, then ODBCSYSINI / ODBCINI / QV_TESTENV as ctest sets them), LANG=C.UTF-8 and
// QT_QPA_PLATFORM=offscreen.
#include "BenchSupport.h"
#include "GridWindow.h"
#include "ScriptedPrompts.h"
#include "sqlexec/ResultGridCommands.h"

#include <QApplication>
#include <QIcon>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 10000;

using bench::median;
using bench::msSince;

const char* kSelect = "SELECT id, amount, qty, name, kana, c5, c6, c7, c8, c9 FROM qv_sort_bench";

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    ScriptedPrompts prompts;

    const std::string connStr = bench::sqliteConnStr("gridsortbench.db");
    OdbcLib bare;
    if (!bench::connectBare(bare, connStr) || !bench::makeMixedTable(bare, "qv_sort_bench", kRows))
        return 1;

    OdbcLib lib;
    ODBCComm db(lib, prompts);
    if (!bench::connect(db, connStr))
        return 1;
    bench::GridWindow w;
    SqlRunnerUi& ui = w.ui;
    w.show();
    SqlRunner runner(db, prompts, ui);
    ResultGridUi gridUi;
    gridUi.ListView1 = ui.ListView1;
    gridUi.imlSort.insert(QStringLiteral("SortASC"), QIcon());
    ResultGridCommands grid(runner.model(), gridUi);

    struct Column {
        const char* what;
        int column;
        std::vector<double> clicks[3];
    };
    std::vector<Column> columns = {{"amount NUMERIC(12,2)", 2, {}},
                                   {"qty INTEGER", 3, {}},
                                   {"name VARCHAR", 4, {}},
                                   {"kana VARCHAR (Japanese)", 5, {}}};
    for (int r = 0; r < repeats; ++r) {
        for (Column& c : columns) {
            // A fresh fill, so the first click fills the numbers out as a user's first does.
            runner.runBatch(kSelect);
            app.processEvents();
            if (runner.model().rowCount() != kRows) {
                std::fprintf(stderr, "grid shows %d rows\n", runner.model().rowCount());
                return 1;
            }
            for (int click = 0; click < 3; ++click) {
                const auto t = std::chrono::steady_clock::now();
                grid.ColumnClick(c.column);
                ui.ListView1->viewport()->repaint();
                ui.ListView1->horizontalHeader()->viewport()->repaint();
                app.processEvents();
                c.clicks[click].push_back(msSince(t));
            }
            if (runner.model().isSorted() && runner.model().sortColumn() != 0)
                std::fprintf(stderr, "third click did not return to fetch order\n");
        }
    }
    std::printf("sort clicks on %d rows x 10 columns (SQLite, offscreen), %d repeats: median / "
                "worst ms (target < 100)\n",
                kRows, repeats);
    const char* names[3] = {"ascending", "descending", "fetch order"};
    for (const Column& c : columns) {
        std::printf("  %-26s", c.what);
        for (int click = 0; click < 3; ++click)
            std::printf("  %s %6.1f / %6.1f", names[click], median(c.clicks[click]),
                        *std::max_element(c.clicks[click].begin(), c.clicks[click].end()));
        std::printf("\n");
    }
    return 0;
}
