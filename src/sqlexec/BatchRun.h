#pragma once

#include "odbc/comm/ConnectionWork.h"
#include "odbc/comm/ResultSetInfo.h"
#include "sqlexec/ResultGridModel.h"
#include "sqlexec/SqlExecText.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class ODBCComm;
class Prompts;
struct EditStatement;
class QWidget;

// Work of other features that a run starts. Empty functions are skipped.
struct BatchRunHooks {
    // Records a statement in the SQL history (which names the connection itself).
    std::function<void(const QString& sql)> AddHist;
};

// The texts of the status bar panels "status", "cnt", "time" and "msg" as a run leaves them.
struct RunPanels {
    QString status;
    QString count;
    QString time;
    QString message;
    // More of the message than its panel shows (the whole text, the driver's words of a stop).
    QString messageDetail;
};

// The fetch strip above the grid: its labels and what its button does now.
struct FetchStrip {
    enum class Button { Off, Suspend, Resume };
    QString columns;
    QString rows;
    QString seconds;
    QString secondsTip;
    QString message;
    Button button = Button::Off;
};

// Running statements on the open connection, without a widget: splitting a batch, asking
// before each statement after the first, execution with timing, the fill of the result model
// in blocks with suspend, resume and stop, and COMMIT and ROLLBACK. It reports what a window
// shows through signals; the window only shows it and passes the commands on.
//
// The run state is public: sorting, copying and export read it after a fill.
class BatchRun : public QObject {
    Q_OBJECT

public:
    // Rows a result grid shows at most.
    static constexpr std::int32_t kMaxGridRows = 10000;
    // Row cap given to the driver for grid queries: one row more than the grid shows, so the
    // fill still sees that the result went on. Without it both drivers read a whole result at
    // execute time. Only grid executions are capped; affected-row counts are never limited.
    static constexpr std::int32_t kExecuteRowCap = kMaxGridRows + 1;

    // boxOwner is only the parent of the message boxes (may be null).
    BatchRun(ODBCComm& db, Prompts& prompts, QWidget* boxOwner, BatchRunHooks hooks = {},
             QObject* parent = nullptr);

    // The run command: every statement of text, asking before each one after the first.
    void runBatch(const QString& text);
    // Stop command: the statement running is cancelled in the driver, a fill ends before its
    // next block.
    void stopCommand();
    // The window is closing: stop, and ask nothing more of the batch (no further statement, no
    // history question).
    void abandonBatch();
    // A catalog read needs the cursor of a suspended fill: the fill ends as stopped, its rows
    // stay.
    void endSuspendedFetch();
    void commit_command();
    void rollback_command();
    // "直前のSQLを取り消す": rolls back to the savepoint set before the last statement.
    void undoLast();
    // The savepoint of the last statement still lives: nothing else has run on the
    // connection since.
    bool undoAvailable() const;
    // An UPDATE or DELETE that changed more rows than this asks whether to keep the change.
    void setUndoAskRows(std::int64_t rows) { undoAskRows_ = rows; }
    // Off: no savepoints at all (no undo, and the guard says beforehand that it cannot undo).
    void setUndoEnabled(bool on) { undoEnabled_ = on; }
    // The statements of the grid's edits, after one savepoint in the user's transaction: all
    // of them or none. A statement refused, or finding no row or more than one, rolls back to
    // the savepoint and is named in the outcome. Applied, they count as pending work and
    // "直前のSQLを取り消す" takes them back together; nothing is committed. Each row is then read
    // again by rereadSql and its key after the statement (none where the key is left to the
    // database).
    struct EditOutcome {
        bool applied = false;
        int failed = -1; // the statement that stopped the apply
        QString problem;
        // Per statement: the row as read again, one value per table column of rereadSql.
        std::vector<std::optional<std::vector<std::optional<std::string>>>> reread;
    };
    EditOutcome applyEdits(const std::vector<EditStatement>& statements,
                           const std::string& rereadSql);
    // Suspends a fill in progress, or resumes the suspended one.
    void suspendOrResume();

    // Releases the open result; nothing can be resumed afterwards. Also for disconnecting.
    void close_fetch();
    // The strip without a result (window load, column attribute view).
    void reset_fetch_strip();

    // Shows a table that is not a result (the column attribute view) in the model: a suspended
    // fill ends first, the fetch strip and the panels are reset, and the model has the
    // headers (the first names the numbering column, whose cells are the row numbers in
    // numberWidth characters) and rows, with one kind per data column. No headers
    // leave the model empty. Ignored while a statement runs.
    void showTable(const QStringList& headers, const ColumnKinds& kinds,
                   const std::vector<QVector<QString>>& rows, int numberWidth);

    // A batch (or a resumed fill) runs: work on the connection for all of it.
    bool running() const { return runScope_.has_value(); }
    // The grid's result: none, being filled, or suspended with its cursor kept open. Whether
    // the connection holds a cursor is the connection's record (ConnectionWork::cursorHeld);
    // this is only what the grid makes of it. Capped: the grid shows its cap, and the rest of
    // the result waits in the open cursor, for a file; it cannot be resumed into the grid.
    enum class Fill { None, Running, Suspended, Capped };
    // The grid's result goes on in the open cursor beyond the rows shown.
    bool restOpen() const;
    // For writing the rest elsewhere: the rows read but not shown (in fetch order), and the
    // cursor freed of the grid's cap. False (nothing taken) when the rest cannot be read
    // without executing the statement again. The result is the caller's until it ends it
    // (endSuspendedFetch); the grid keeps its rows.
    bool takeRest(std::vector<QVector<QString>>& held);
    ResultGridModel& model() { return model_; }
    const ResultGridModel& model() const { return model_; }
    // The statement whose result the grid shows and the result's description (no statement
    // for a table that is not a result).
    const QString& gridSql() const { return gridSql_; }
    const ResultSetInfo& gridInfo() const { return gridInfo_; }

signals:
    void panelsChanged(const RunPanels& panels);
    // rowsOnly: only the row counter moved (paced while rows arrive).
    void stripChanged(const FetchStrip& strip, bool rowsOnly);
    // The model has been filled (a result's rows, or a table shown): the grid fits its columns
    // to all of them.
    void fillEnded();
    // Whether the last statement can be taken back has changed.
    void undoChanged();

private:
    // One statement; ReFetch resumes the suspended fill of resume_sql instead.
    void exec_sql(const QString& sql, bool ReFetch);
    // New (ReFetch false) or resumed fill of the model from the open result; the final status.
    std::int16_t fill_result_grid(const QString& sql, bool ReFetch);
    void setRunState(bool running);
    // The run's outcome boxes and questions; none after the batch was abandoned.
    bool askingAllowed() const { return !batchAbandoned_; }
    void setPanels(const QString& status, const QString& cnt, const QString& time,
                   const QString& msg);
    void setMessage(const QString& text, const QString& detail = {});
    void setStrip(const FetchStrip& strip);
    void start_fetch_strip(const QString& sql, int columnCount);
    void update_fetch_counters(bool final);
    void endFill();
    std::int64_t msSince(std::chrono::steady_clock::time_point from) const;
    void addHistory(const QString& sql);
    void transact(bool commit);
    // After a failed statement: where the driver may have taken back the whole transaction,
    // our savepoint is no longer known to exist.
    void forgetSavepointAfterFailure();
    // After a failed statement before which the database commits (MariaDB's DDL): whether it
    // got as far as the commit is asked of the server, and the pending work follows.
    void afterImplicitCommitFailed();
    // Sets the savepoint before a statement that may change data; false where none can be set.
    bool setSavepoint(const StatementEffect& effect);
    // After a statement ran: the record of pending work, the undo and its guard. False when
    // the guard took the statement back.
    bool afterChange(const QString& sql, const StatementEffect& effect, bool savepoint,
                     std::int64_t rows);
    void dropUndo();

    ODBCComm& db_;
    Prompts& prompts_;
    QWidget* boxOwner_;
    BatchRunHooks hooks_;
    ResultGridModel model_;
    RunPanels panels_;
    FetchStrip strip_;
    Fill fill_ = Fill::None;
    // Work on the connection for the whole run, between its statements too.
    std::optional<ConnectionWork::Scope> runScope_;
    bool batchAbandoned_ = false;
    std::chrono::steady_clock::time_point lastRowsPaint_;
    // The statement's result as its execute opened it: the fill lays out its columns.
    OpenedResult opened_;
    // Rows fetched while the fill was being suspended, shown first when it resumes.
    std::vector<QVector<QString>> heldRows_;
    // Times of the fill in the grid, for its resumption after other statements.
    QDateTime fillStartedAt_;
    std::int64_t fillElapsedMs_ = 0;
    std::int64_t fillFirstRowMs_ = 0;
    // The undo savepoint: set in this transaction (it must be released before the next), and
    // the count of statements sent when it covered the last statement.
    bool savepointSet_ = false;
    std::uint64_t savepointTransactions_ = 0;
    bool undoLive_ = false;
    std::uint64_t undoStamp_ = 0;
    QString undoSql_;
    // Pending-work entries the undo takes back (an apply records one per statement).
    int undoEntries_ = 1;
    std::int64_t undoAskRows_ = 1000;
    bool undoEnabled_ = true;
    // The statement in the grid and its fill.
    bool stop_requested = false;
    QDateTime exec_started_at;
    std::chrono::steady_clock::time_point exec_start_tick;
    std::int64_t exec_elapsed_ms = 0;
    std::int64_t first_row_ms = 0;
    std::int32_t exec_row_count = 0;
    std::int16_t result_column_count = 0;
    QString resume_sql;
    QString gridSql_;
    ResultSetInfo gridInfo_;
    // The count of statements sent when the grid's result was opened.
    std::uint64_t resultStamp_ = 0;
};
