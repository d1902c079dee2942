// Search-all over a catalog of 10,000 tables: a fresh SQLite database with that many tables is
// read into the real object tree (offscreen), and the search button's work is timed for texts
// that match a tenth of the names, every name, none, and a full-width text, with some objects
// open so that the closing path runs too.
//
//   object_search_bench
//
// Run with the private ODBC files of the test environment (tests/fixture/testenv.sh start
// BUILD_DIR, then ODBCSYSINI / ODBCINI / QV_TESTENV as ctest sets them), LANG=C.UTF-8 and
// QT_QPA_PLATFORM=offscreen.
#include "BenchSupport.h"
#include "ScriptedPrompts.h"
#include "browser/ObjectCommands.h"
#include "browser/ObjectSearch.h"
#include "browser/ObjectTree.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kTables = 10000;
constexpr int kRepeats = 5;

std::string connStr()
{
    const char* env = std::getenv("QV_TESTENV");
    return std::string("DRIVER=SQLite3;Database=") + (env ? env : "testenv") +
           "/searchbench2.db;Timeout=2000;";
}

// Names "EMP_HISTORY_00040" (a tenth, ASCII) and "ジュチュウメイサイ_00042" (the rest, so most
// names take the full folding path).
bool prepare()
{
    OdbcLib lib;
    if (lib.OdbcInitEnv() != 0)
        return false;
    std::string conn = connStr();
    std::string uid;
    std::string pwd;
    if (lib.OdbcConnect(nullptr, "", uid, pwd, "", conn) != 0)
        return false;
    std::int32_t rows = 0;
    std::int16_t cols = 0;
    if (lib.OdbcExecute("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'", rows, cols) ==
        0) {
        std::vector<std::string> values;
        const bool full = lib.OdbcFetchRow(values) == 0 && !values.empty() &&
                          std::atoi(values[0].c_str()) == kTables;
        lib.OdbcCloseCursor();
        if (full)
            return true;
    }
    for (int i = 0; i < kTables; ++i) {
        char name[128];
        std::snprintf(name, sizeof name, "%s_%05d",
                      i % 10 == 0 ? "EMP_HISTORY" : "ジュチュウメイサイ", i);
        if (lib.OdbcExecute(std::string("CREATE TABLE IF NOT EXISTS ") + name + " (id INTEGER)",
                            rows, cols) != 0)
            return false;
    }
    return lib.OdbcCommit() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!prepare()) {
        std::fprintf(stderr, "cannot prepare the catalog\n");
        return 1;
    }

    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm db(lib, prompts);
    QWidget window;
    window.resize(300, 800);
    ObjectTreeUi tui;
    tui.TreeView1 = new QTreeWidget(&window);
    tui.TreeView1->resize(300, 600);
    tui.LV_Found = new QTreeWidget(&window);
    tui.L_Found = new QLabel(&window);
    tui.Fra_Found = new QFrame(&window);
    tui.TabObjects = new QTabBar(&window);
    ObjectTree tree(tui, db, prompts, &window);
    ObjectCommands commands({}, {}, tree, db);
    ObjectSearchUi sui;
    sui.LV_Found = tui.LV_Found;
    sui.L_Found = tui.L_Found;
    sui.CB_srch_obj = new QComboBox(&window);
    sui.CB_srch_obj->setEditable(true);
    sui.Cmd_srch_obj = new QToolButton(&window);
    ObjectSearch search(sui, tree, commands);
    window.show();

    if (!db.DbInit())
        return 1;
    QString uid;
    QString pwd;
    QString conn = QString::fromStdString(connStr());
    if (db.DbConnect(nullptr, QString(), uid, pwd, QString(), conn) != 0)
        return 1;
    auto start = std::chrono::steady_clock::now();
    tree.loadObjectTree();
    std::printf("catalog load: %d tables, %.1f ms\n", tree.tableCount(), bench::msSince(start));
    if (tree.tableCount() != kTables)
        return 1;
    // Some objects open, with their columns, as after a working session.
    QTreeWidgetItem* tables = tree.root(QStringLiteral("TABLE"));
    for (int i = 0; i < kTables; i += 500)
        tables->child(i)->setExpanded(true);

    struct Case {
        const char* label;
        QString text;
        int expected;
    } cases[] = {{"a tenth (emp)", QStringLiteral("emp"), kTables / 10},
                 {"every name (_)", QStringLiteral("_"), kTables},
                 {"none (zzz)", QStringLiteral("zzz"), 0},
                 {"hiragana (じゅちゅう)", QStringLiteral("じゅちゅう"), kTables - kTables / 10},
                 {"full width (ＥＭＰ＿ＨＩＳ)", QStringLiteral("ＥＭＰ＿ＨＩＳ"), kTables / 10}};
    for (const Case& c : cases) {
        double best = 1e9;
        double worst = 0;
        for (int r = 0; r < kRepeats; ++r) {
            sui.CB_srch_obj->setEditText(c.text);
            start = std::chrono::steady_clock::now();
            search.searchAll();
            const double ms = bench::msSince(start);
            best = std::min(best, ms);
            worst = std::max(worst, ms);
            if (search.results().size() != c.expected) {
                std::fprintf(stderr, "%s: %lld results, expected %d\n", c.label,
                             static_cast<long long>(search.results().size()), c.expected);
                return 1;
            }
            for (int i = 0; i < kTables; i += 500)
                tables->child(i)->setExpanded(true);
        }
        std::printf("search-all %-28s %5d hits: best %.1f ms, worst %.1f ms\n", c.label, c.expected,
                    best, worst);
    }
    return 0;
}
