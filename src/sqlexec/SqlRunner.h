#pragma once

#include "sqlexec/BatchRun.h"

#include <QIcon>
#include <QObject>

class QLabel;
class QTableView;
class QToolButton;
class QWidget;

// The main window's widgets that show a run. The main window keeps ownership; a null pointer
// is skipped.
struct SqlRunnerUi {
    QWidget* owner = nullptr;        // owner of the message boxes
    QTableView* ListView1 = nullptr; // gets the run's model
    QToolButton* Cmd_start_stop = nullptr;
    QLabel* L_cols = nullptr;
    QLabel* L_rows = nullptr;
    QLabel* L_sec = nullptr;
    QLabel* L_msg = nullptr;
    // Status bar panels "status", "cnt", "time", "msg".
    QLabel* status = nullptr;
    QLabel* cnt = nullptr;
    QLabel* time = nullptr;
    QLabel* msg = nullptr;
};

// The window side of running statements: shows what the BatchRun reports (the status bar
// panels, the fetch strip, the grid as its rows arrive) and passes the commands on.
class SqlRunner : public QObject {
    Q_OBJECT

public:
    SqlRunner(ODBCComm& db, Prompts& prompts, const SqlRunnerUi& ui, BatchRunHooks hooks = {},
              QObject* parent = nullptr);

    BatchRun& batch() { return batch_; }
    const BatchRun& batch() const { return batch_; }

    void runBatch(const QString& text) { batch_.runBatch(text); }
    void stopCommand() { batch_.stopCommand(); }
    void abandonBatch() { batch_.abandonBatch(); }
    void endSuspendedFetch() { batch_.endSuspendedFetch(); }
    void commit_command() { batch_.commit_command(); }
    void rollback_command() { batch_.rollback_command(); }
    void Cmd_start_stop_Click() { batch_.suspendOrResume(); }
    void close_fetch() { batch_.close_fetch(); }
    void reset_fetch_strip() { batch_.reset_fetch_strip(); }
    void showTable(const QStringList& headers, const ColumnKinds& kinds,
                   const std::vector<QVector<QString>>& rows, int numberWidth)
    {
        batch_.showTable(headers, kinds, rows, numberWidth);
    }

    bool running() const { return batch_.running(); }
    ResultGridModel& model() { return batch_.model(); }
    const ResultGridModel& model() const { return batch_.model(); }

private:
    void showPanels(const RunPanels& panels);
    void showStrip(const FetchStrip& strip, bool rowsOnly);
    // L_rows: the run's count, or "n / m" while a filter hides rows.
    QString rowsText() const;
    void showRows();
    // Fits the grid's columns to its rows: to the rows shown at the first paced count of a
    // fill, and to all of them at its end.
    void fitGrid();

    SqlRunnerUi ui_;
    BatchRun batch_;
    QIcon imgStop_;
    QIcon imgStart_;
    QString stripRows_;
    bool fitted_ = false;
};
