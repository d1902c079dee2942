// A statement that runs for seconds, through the run command in an offscreen window: how often the
// window repaints meanwhile (a label asks for a repaint every 20 ms) and how long a stop takes
// to end the statement.
//
//   long_statement_bench [sqlite|pg] [seconds] [stop-after-ms]
//
// Run with the environment of the test programs (ODBCSYSINI, ODBCINI, QV_TESTENV). Without
// stop-after-ms the statement runs to its end.
#include "BenchSupport.h"
#include "ScriptedPrompts.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/SqlRunner.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const std::string driver = argc > 1 ? argv[1] : "pg";
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 6;
    const int stopAfter = argc > 3 ? std::atoi(argv[3]) : 0;
    const bool pg = driver == "pg";

    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm db(lib, prompts);
    QString uid;
    QString pwd;
    QString conn = pg ? QStringLiteral("DSN=QV_PG;") : QStringLiteral("DSN=QV_SQLITE;");
    if (db.DbConnect(nullptr, QString(), uid, pwd, QString(), conn) != 0)
        return 1;

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    SqlRunnerUi ui;
    ui.owner = &window;
    ui.L_msg = new QLabel(QStringLiteral("running"), &window);
    layout->addWidget(ui.L_msg);
    window.resize(400, 100);
    window.show();
    SqlRunner runner(db, prompts, ui);

    PaintCounter counter;
    ui.L_msg->installEventFilter(&counter);
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, ui.L_msg, [&] { ui.L_msg->update(); });
    repaint.start(20);

    const QString sql = pg ? QStringLiteral("SELECT pg_sleep(%1)").arg(seconds)
                           : QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT "
                                            "x + 1 FROM c WHERE x < %1) SELECT COUNT(*) FROM c")
                                 .arg(qint64(seconds) * 5000000);
    const auto start = std::chrono::steady_clock::now();
    double stoppedAt = -1;
    if (stopAfter > 0) {
        QTimer::singleShot(stopAfter, &window, [&] {
            stoppedAt = bench::msSince(start);
            runner.stopCommand();
        });
    }
    runner.runBatch(sql);
    const double ended = bench::msSince(start);
    const double runMs = stoppedAt >= 0 ? stoppedAt : ended;
    std::printf("%-6s statement %5.0f ms  repaints %4d (%.1f per second)", driver.c_str(), ended,
                counter.paints, counter.paints * 1000.0 / runMs);
    if (stoppedAt >= 0)
        std::printf("  stop pressed at %.0f ms, statement ended %.0f ms later", stoppedAt,
                    ended - stoppedAt);
    std::printf("  last box: %s\n", prompts.boxes().isEmpty()
                                        ? "-"
                                        : prompts.boxes().first().title.toStdString().c_str());
    return 0;
}
