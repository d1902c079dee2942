// Typing into the filter row over the result grid: a 10-column SELECT of 10,000 rows from
// SQLite through the run command into the real grid model and view (offscreen), then texts typed
// one character at a time into the boxes of an ASCII text column, a Japanese text column (typed in
// hiragana, matching katakana of both widths) and a number column, each followed by deleting
// them again. Each keystroke is timed with the repaint of the grid and of L_rows.
//
//   grid_filter_bench [repeats]
//
// Run with the private ODBC files of the test environment (tests/fixture/testenv.sh start
// BUILD_DIR, then ODBCSYSINI / ODBCINI / QV_TESTENV as ctest sets them), LANG=C.UTF-8 and
// QT_QPA_PLATFORM=offscreen.
#include "BenchSupport.h"
#include "GridWindow.h"
#include "ScriptedPrompts.h"
#include "sqlexec/GridFilterRow.h"
#include "sqlexec/ResultGridCommands.h"

#include <QApplication>
#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 10000;

using bench::median;
using bench::msSince;

const char* kSelect = "SELECT id, amount, qty, name, kana, c5, c6, c7, c8, c9 FROM qv_filter_bench";

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    ScriptedPrompts prompts;

    const std::string connStr = bench::sqliteConnStr("gridfilterbench.db");
    OdbcLib bare;
    if (!bench::connectBare(bare, connStr) ||
        !bench::makeMixedTable(bare, "qv_filter_bench", kRows))
        return 1;

    OdbcLib lib;
    ODBCComm db(lib, prompts);
    if (!bench::connect(db, connStr))
        return 1;
    bench::GridWindow w;
    SqlRunnerUi& ui = w.ui;
    auto* filterRow = new GridFilterRow(ui.ListView1, &w.window);
    w.show(filterRow);
    SqlRunner runner(db, prompts, ui);
    ResultGridUi gridUi;
    gridUi.ListView1 = ui.ListView1;
    ResultGridCommands grid(runner.model(), gridUi);
    filterRow->setModel(&runner.model());

    struct Column {
        const char* what;
        int column;
        QString typed;
        std::vector<double> first; // the first keystroke folds the column's texts
        std::vector<double> typing;
        std::vector<double> deleting;
    };
    std::vector<Column> columns = {
        {"name VARCHAR", 4, QStringLiteral("name 19"), {}, {}, {}},
        {"kana VARCHAR (Japanese)", 5, QStringLiteral("でーた9"), {}, {}, {}},
        {"amount NUMERIC(12,2)", 2, QStringLiteral("-12"), {}, {}, {}}};
    const auto keystroke = [&](QLineEdit* box, const QString& text) {
        const auto t = std::chrono::steady_clock::now();
        box->setText(text);
        ui.ListView1->viewport()->repaint();
        ui.L_rows->repaint();
        app.processEvents();
        return msSince(t);
    };
    for (int r = 0; r < repeats; ++r) {
        for (Column& c : columns) {
            // A fresh fill, so the first keystroke folds the column as a user's first does.
            runner.runBatch(kSelect);
            app.processEvents();
            if (runner.model().rowCount() != kRows) {
                std::fprintf(stderr, "grid shows %d rows\n", runner.model().rowCount());
                return 1;
            }
            QLineEdit* box = filterRow->box(c.column);
            if (box == nullptr)
                return 1;
            for (qsizetype n = 1; n <= c.typed.size(); ++n)
                (n == 1 ? c.first : c.typing).push_back(keystroke(box, c.typed.left(n)));
            if (runner.model().rowCount() == kRows || runner.model().rowCount() == 0)
                std::fprintf(stderr, "%s: the filter kept %d rows\n", c.what,
                             runner.model().rowCount());
            for (qsizetype n = c.typed.size() - 1; n >= 0; --n)
                c.deleting.push_back(keystroke(box, c.typed.left(n)));
            if (runner.model().rowCount() != kRows)
                std::fprintf(stderr, "%s: an empty box shows %d rows\n", c.what,
                             runner.model().rowCount());
        }
    }
    std::printf("filter keystrokes on %d rows x 10 columns (SQLite, offscreen), %d repeats: "
                "median / worst ms (target < 50)\n",
                kRows, repeats);
    const auto worst = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    for (const Column& c : columns)
        std::printf("  %-26s first %6.1f / %6.1f  typing %6.1f / %6.1f  deleting %6.1f / %6.1f\n",
                    c.what, median(c.first), worst(c.first), median(c.typing), worst(c.typing),
                    median(c.deleting), worst(c.deleting));
    return 0;
}
