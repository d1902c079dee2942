#pragma once

#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/SqlRunner.h"

#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QString>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// What the benchmarks of the result grid share: their SQLite files, a table to sort and filter,
// the connection and the grid's part of the main window, offscreen.
namespace bench {

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A SQLite database file in the test environment's folder.
inline std::string sqliteConnStr(const char* file)
{
    const char* env = std::getenv("QV_TESTENV");
    return std::string("DRIVER=SQLite3;Database=") + (env ? env : "testenv") + "/" + file +
           ";Timeout=2000;";
}

// Connects a bare OdbcLib, for making the table and for the bare loops; false, with the
// driver's text on stderr, when it fails.
inline bool connectBare(OdbcLib& lib, const std::string& connStr)
{
    lib.OdbcInitEnv();
    std::string uid, pwd, conn = connStr;
    if (lib.OdbcConnect(nullptr, "", uid, pwd, "", conn) == 0)
        return true;
    std::fprintf(stderr, "setup: %s\n", lib.OdbcLastError().c_str());
    return false;
}

// Connects the program's layer, as the connect window does.
inline bool connect(ODBCComm& db, const std::string& connStr)
{
    QString uid;
    QString pwd;
    QString conn = QString::fromStdString(connStr);
    return db.DbConnect(nullptr, QString(), uid, pwd, QString(), conn) == 0;
}

// A committed table of `rows` rows (id, amount, qty, name, kana, c5 … c9) in no order: a signed
// amount with decimals and some NULLs, names repeating in mixed case, full-width and
// half-width katakana.
inline bool makeMixedTable(OdbcLib& lib, const std::string& table, int rows)
{
    std::int32_t count = 0;
    std::int16_t cols = 0;
    lib.OdbcExecute("DROP TABLE IF EXISTS " + table, count, cols);
    const std::string create =
        "CREATE TABLE " + table +
        " (id INTEGER, amount NUMERIC(12,2), qty INTEGER, name VARCHAR(20), kana VARCHAR(20), "
        "c5 VARCHAR(20), c6 VARCHAR(20), c7 VARCHAR(20), c8 VARCHAR(20), c9 VARCHAR(20))";
    const std::string insert =
        "INSERT INTO " + table +
        " WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < " +
        std::to_string(rows) +
        ") SELECT n, CASE WHEN n % 97 = 0 THEN NULL ELSE ((n * 7919) % 200001 - 100000) / 100.0 "
        "END, (n * 104729) % 5000, CASE WHEN n % 2 = 0 THEN 'Name ' ELSE 'name ' END || "
        "((n * 31) % 2000), CASE WHEN n % 3 = 0 THEN 'ﾃﾞｰﾀ' ELSE 'データ' END || ((n * 17) % "
        "1000), 'value 5 ' || n, 'value 6 ' || n, 'value 7 ' || n, 'value 8 ' || n, "
        "'value 9 ' || n FROM s";
    return lib.OdbcExecute(create, count, cols) == 0 && lib.OdbcExecute(insert, count, cols) == 0 &&
           lib.OdbcCommit() == 0;
}

// The grid's part of the main window: the grid without row numbers, the resume button and the
// fetch strip's labels, laid out top to bottom.
class GridWindow {
public:
    GridWindow()
    {
        ui.owner = &window;
        ui.ListView1 = new QTableView(&window);
        ui.ListView1->verticalHeader()->hide(); // as in the main window
        ui.Cmd_start_stop = new QToolButton(&window);
        ui.L_cols = new QLabel(&window);
        ui.L_rows = new QLabel(&window);
        ui.L_sec = new QLabel(&window);
        ui.L_msg = new QLabel(&window);
    }

    // aboveGrid (a child of window) goes first; mainFont gives the main window's font, which
    // its grid inherits (a Japanese monospace family), instead of the toolkit's default.
    void show(QWidget* aboveGrid = nullptr, bool mainFont = true)
    {
        auto* layout = new QVBoxLayout(&window);
        if (aboveGrid != nullptr)
            layout->addWidget(aboveGrid);
        for (QWidget* w : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w != aboveGrid)
                layout->addWidget(w);
        if (mainFont) {
            QFont font;
            font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"),
                              QStringLiteral("Noto Sans Mono CJK JP"),
                              QStringLiteral("monospace")});
            font.setStyleHint(QFont::Monospace);
            font.setPointSize(10);
            window.setFont(font);
        }
        window.resize(1000, 700);
        window.show();
    }

    QWidget window;
    SqlRunnerUi ui;
};

} // namespace bench
