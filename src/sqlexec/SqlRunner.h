#pragma once

#include "odbc/comm/ConnectionWork.h"
#include "odbc/comm/ResultSetInfo.h"
#include "sqlexec/ResultGridModel.h"
#include "sqlexec/SqlExecText.h"

#include <QDateTime>
#include <QIcon>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class ODBCComm;
class Prompts;
class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
class QToolButton;
class QWidget;

// The main window's widgets that SQL execution reads or writes. The main window keeps
// ownership; a null pointer is skipped.
struct SqlRunnerUi {
    QWidget* owner = nullptr;        // owner of the message boxes
    QTableView* ListView1 = nullptr; // gets the runner's model
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

// Work of other features that a run starts. Empty functions are skipped.
struct SqlRunnerHooks {
    // Records a statement in the SQL history (which names the connection itself).
    std::function<void(const QString& sql)> AddHist;
};

// Runs the statements of the SQL input area on the open connection: splitting, the running
// and idle states of the commands, execution with timing and status bar, the result grid fill
// with suspend, resume and stop, and the COMMIT and ROLLBACK commands.
//
// The run state is public: sorting, copying and export read it after a fill.
class SqlRunner : public QObject {
    Q_OBJECT

public:
    // Rows a result grid shows at most.
    static constexpr std::int32_t kMaxGridRows = 10000;
    // Row cap given to the driver for grid queries: one row more than the grid shows, so the
    // fill still sees that the result went on. Without it both drivers read a whole result at
    // execute time. Only grid executions are capped; affected-row counts are never limited.
    static constexpr std::int32_t kExecuteRowCap = kMaxGridRows + 1;

    SqlRunner(ODBCComm& db, Prompts& prompts, const SqlRunnerUi& ui, SqlRunnerHooks hooks = {},
              QObject* parent = nullptr);

    // The run command: every statement of text, asking before each one after the first.
    void runBatch(const QString& text);
    // Stop command: the statement running is cancelled in the driver, a fill ends before its
    // next row.
    void stopCommand();
    // The window is closing: stop, and ask nothing more of the batch (no further statement, no
    // history question).
    void abandonBatch();
    // A catalog read needs the cursor of a suspended fill: the fill ends as stopped, its rows
    // stay.
    void endSuspendedFetch();
    void commit_command();
    void rollback_command();
    // Suspends a fill in progress, or resumes the suspended one.
    void Cmd_start_stop_Click();

    // One statement; ReFetch resumes the suspended fill of resume_sql instead.
    void exec_sql(const QString& sql, bool ReFetch);
    // New (ReFetch false) or resumed fill of the grid from the open result; the final status.
    std::int16_t fill_result_grid(const QString& sql, bool ReFetch);

    void start_fetch_strip(const QString& sql, int columnCount);
    void update_fetch_counters(bool final);
    // Releases the open result; nothing can be resumed afterwards. Also for disconnecting.
    void close_fetch();
    // The strip without a result (window load, column attribute view).
    void reset_fetch_strip();

    bool running() const { return running_ > 0; }
    // True while a result is open (fetching or suspended).
    bool resultOpen() const { return resultOpen_; }
    ResultGridModel& model() { return model_; }
    const ResultGridModel& model() const { return model_; }
    const QIcon& Img_stop() const { return imgStop_; }
    const QIcon& Img_start() const { return imgStart_; }

    // Run state.
    bool stop_requested = false;
    QDateTime exec_started_at;
    std::chrono::steady_clock::time_point exec_start_tick;
    std::int64_t exec_elapsed_ms = 0;
    std::int64_t first_row_ms = 0;
    std::int32_t exec_row_count = 0;
    std::int16_t result_column_count = 0;
    QString resume_sql;
    bool fetch_suspended = false;
    // Index i (1-based result column) holds the widths seen in a number column; index 0 unused.
    std::vector<NumberWidth> numeric_column_widths;

    // Shows a table that is not a result (the column attribute view) in the grid: a suspended
    // fill ends first, the fetch strip and the status panels are reset, and the grid shows the
    // headers (the first names the numbering column, whose cells are the row numbers in
    // numberWidth characters) and rows, with one kind per data column. No headers
    // leave the grid empty. Ignored while a statement runs.
    void showTable(const QStringList& headers, const ColumnKinds& kinds,
                   const std::vector<QVector<QString>>& rows, int numberWidth);

private:
    void setRunState(bool running);
    // The run's outcome boxes and questions; none after the batch was abandoned.
    bool askingAllowed() const { return !batchAbandoned_; }
    void setPanels(const QString& status, const QString& cnt, const QString& time,
                   const QString& msg);
    // The message panel: the first line of text; the whole of it, and detail, as tool tip.
    void setMessage(const QString& text, const QString& detail = {});
    void showGrid(bool show);
    void layOutGrid();
    std::int64_t msSince(std::chrono::steady_clock::time_point from) const;
    void addHistory(const QString& sql);

    ODBCComm& db_;
    Prompts& prompts_;
    SqlRunnerUi ui_;
    SqlRunnerHooks hooks_;
    ResultGridModel model_;
    QIcon imgStop_;
    QIcon imgStart_;
    int running_ = 0;
    // Work on the connection for the whole run, between its statements too.
    std::optional<ConnectionWork::Scope> runScope_;
    bool batchAbandoned_ = false;
    bool resultOpen_ = false;
    bool gridWasHidden_ = false;
    bool gridHiddenByFill_ = false;
    std::chrono::steady_clock::time_point lastRowsPaint_;
    // The statement's result as its execute opened it: the fill lays out its columns.
    OpenedResult opened_;
    // Rows fetched while the fill was being suspended, shown first when it resumes.
    std::vector<QVector<QString>> heldRows_;
    // Times of the fill in the grid, for its resumption after other statements.
    QDateTime fillStartedAt_;
    std::int64_t fillElapsedMs_ = 0;
    std::int64_t fillFirstRowMs_ = 0;
};
