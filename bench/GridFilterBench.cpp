// Typing into the filter row over the result grid: a 10-column SELECT of 10,000 rows from
// SQLite through exec_sql into the real grid model and view (offscreen), then texts typed one
// character at a time into the boxes of an ASCII text column, a Japanese text column (typed in
// hiragana, matching katakana of both widths) and a number column, each followed by deleting
// them again. Each keystroke is timed with the repaint of the grid and of L_rows.
//
//   grid_filter_bench [repeats]
//
// Run with the private ODBC files of the test environment (tests/fixture/testenv.sh start
// BUILD_DIR, then ODBCSYSINI / ODBCINI / QV_TESTENV as ctest sets them), LANG=C.UTF-8 and
// QT_QPA_PLATFORM=offscreen.
#include "BenchSupport.h"
#include "ScriptedPrompts.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/GridFilterRow.h"
#include "sqlexec/ResultGridCommands.h"
#include "sqlexec/SqlRunner.h"

#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 10000;

using bench::msSince;

std::string connStr()
{
    const char* env = std::getenv("QV_TESTENV");
    return std::string("DRIVER=SQLite3;Database=") + (env ? env : "testenv") +
           "/gridfilterbench.db;Timeout=2000;";
}

const char* kSelect = "SELECT id, amount, qty, name, kana, c5, c6, c7, c8, c9 FROM qv_filter_bench";

bool prepare(OdbcLib& lib)
{
    std::int32_t rows = 0;
    std::int16_t cols = 0;
    lib.OdbcExecute("DROP TABLE IF EXISTS qv_filter_bench", rows, cols);
    const std::string create =
        "CREATE TABLE qv_filter_bench (id INTEGER, amount NUMERIC(12,2), qty INTEGER, "
        "name VARCHAR(20), kana VARCHAR(20), c5 VARCHAR(20), c6 VARCHAR(20), c7 VARCHAR(20), "
        "c8 VARCHAR(20), c9 VARCHAR(20))";
    // Values in no order: a signed amount with decimals and some NULLs, names repeating in
    // mixed case, full-width and half-width katakana.
    const std::string insert =
        "INSERT INTO qv_filter_bench WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM "
        "s WHERE n < " +
        std::to_string(kRows) +
        ") SELECT n, CASE WHEN n % 97 = 0 THEN NULL ELSE ((n * 7919) % 200001 - 100000) / 100.0 "
        "END, (n * 104729) % 5000, CASE WHEN n % 2 = 0 THEN 'Name ' ELSE 'name ' END || "
        "((n * 31) % 2000), CASE WHEN n % 3 = 0 THEN 'ﾃﾞｰﾀ' ELSE 'データ' END || ((n * 17) % "
        "1000), 'value 5 ' || n, 'value 6 ' || n, 'value 7 ' || n, 'value 8 ' || n, "
        "'value 9 ' || n FROM s";
    return lib.OdbcExecute(create, rows, cols) == 0 && lib.OdbcExecute(insert, rows, cols) == 0 &&
           lib.OdbcCommit() == 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    ScriptedPrompts prompts;

    OdbcLib bare;
    bare.OdbcInitEnv();
    std::string uid, pwd, conn = connStr();
    if (bare.OdbcConnect(nullptr, "", uid, pwd, "", conn) != 0 || !prepare(bare)) {
        std::fprintf(stderr, "setup: %s\n", bare.OdbcLastError().c_str());
        return 1;
    }

    OdbcLib lib;
    ODBCComm db(lib, prompts);
    QString quid;
    QString qpwd;
    QString qconn = QString::fromStdString(connStr());
    if (db.DbConnect(nullptr, QString(), quid, qpwd, QString(), qconn) != 0)
        return 1;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    SqlRunnerUi ui;
    ui.owner = &window;
    ui.ListView1 = new QTableView(&window);
    ui.ListView1->verticalHeader()->hide(); // as in the main window
    auto* filterRow = new GridFilterRow(ui.ListView1, &window);
    ui.Cmd_start_stop = new QToolButton(&window);
    ui.L_rows = new QLabel(&window);
    layout->addWidget(filterRow);
    layout->addWidget(ui.ListView1);
    layout->addWidget(ui.Cmd_start_stop);
    layout->addWidget(ui.L_rows);
    QFont font; // the main window's font, which its grid inherits
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"),
                      QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSize(10);
    window.setFont(font);
    window.resize(1000, 700);
    window.show();
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
            runner.exec_sql(kSelect, false);
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
