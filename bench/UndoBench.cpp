// 10,000 single-row INSERTs run as the run command runs them, with the undo savepoint before
// each and without it, alternating, on SQLite (default), PostgreSQL (--pg) or MariaDB
// (--mariadb); rolled back after each round. Prints the median of each.
#include "BenchSupport.h"
#include "ScriptedPrompts.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/BatchRun.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kStatements = 10000;
constexpr int kRounds = 5;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::string conn =
        "DRIVER=SQLite3;Database=" +
        std::string(std::getenv("QV_TESTENV") ? std::getenv("QV_TESTENV") : "testenv") +
        "/undobench.db;Timeout=2000;";
    const char* name = "SQLite";
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--pg") {
            conn = "DSN=QV_PG;";
            name = "PostgreSQL";
        } else if (std::string(argv[i]) == "--mariadb") {
            conn = "DSN=QV_MY;";
            name = "MariaDB";
        }
    }
    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm db(lib, prompts);
    QString uid, pwd, qconn = QString::fromStdString(conn);
    if (db.DbConnect(nullptr, QString(), uid, pwd, QString(), qconn) != 0) {
        std::fprintf(stderr, "connect: %s\n", qPrintable(db.DbLastErrorText()));
        return 1;
    }
    db.DbExecute(QStringLiteral("DROP TABLE IF EXISTS qv_undo_bench"));
    db.DbExecute(QStringLiteral("CREATE TABLE qv_undo_bench (id INTEGER)"));
    db.DbCommit();
    BatchRun run(db, prompts, nullptr);
    std::vector<double> with;
    std::vector<double> without;
    for (int r = 0; r < 2 * kRounds; ++r) {
        const bool undo = r % 2 == 0;
        run.setUndoEnabled(undo);
        const auto t = std::chrono::steady_clock::now();
        for (int i = 0; i < kStatements; ++i)
            run.runBatch(QStringLiteral("INSERT INTO qv_undo_bench VALUES (%1)").arg(i));
        (undo ? with : without).push_back(bench::msSince(t));
        prompts.clear();
        db.DbRollback();
    }
    db.DbExecute(QStringLiteral("DROP TABLE qv_undo_bench"));
    db.DbCommit();
    std::printf("%s, %d single-row INSERTs, median of %d\n", name, kStatements, kRounds);
    std::printf("  with savepoints    : %8.1f ms\n", median(with));
    std::printf("  without savepoints : %8.1f ms  (ratio %.2f)\n", median(without),
                median(with) / median(without));
    return 0;
}
