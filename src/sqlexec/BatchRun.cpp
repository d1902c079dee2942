#include "sqlexec/BatchRun.h"

#include "sqlexec/SqlExecText.h"

#include "base/DateTimeText.h"
#include "base/Prompts.h"
#include "odbc/comm/ODBCComm.h"
#include "odbc/comm/ResultSetInfo.h"

#include <algorithm>
#include <iterator>

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

BatchRun::BatchRun(ODBCComm& db, Prompts& prompts, QWidget* boxOwner, BatchRunHooks hooks,
                   QObject* parent)
    : QObject(parent), db_(db), prompts_(prompts), boxOwner_(boxOwner), hooks_(std::move(hooks))
{
}

void BatchRun::setRunState(bool running)
{
    if (running) {
        runScope_.emplace(db_.work(), ConnectionWork::Kind::Execute);
        return;
    }
    runScope_.reset();
    batchAbandoned_ = false;
}

void BatchRun::setPanels(const QString& status, const QString& cnt, const QString& time,
                         const QString& msg)
{
    panels_.status = status;
    panels_.count = cnt;
    panels_.time = time;
    panels_.message = msg;
    panels_.messageDetail.clear();
    emit panelsChanged(panels_);
}

void BatchRun::setMessage(const QString& text, const QString& detail)
{
    panels_.message = text;
    panels_.messageDetail = detail;
    emit panelsChanged(panels_);
}

void BatchRun::setStrip(const FetchStrip& strip)
{
    strip_ = strip;
    emit stripChanged(strip_, false);
}

std::int64_t BatchRun::msSince(Clock::time_point from) const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - from).count();
}

void BatchRun::addHistory(const QString& sql)
{
    if (hooks_.AddHist)
        hooks_.AddHist(sql);
}

// --- batch run ---

void BatchRun::runBatch(const QString& text)
{
    // The commands are disabled during work; a call that still arrives (a shortcut, a quick
    // statement) must not start a run inside the running work.
    if (db_.work().refuseWhileBusy(prompts_, boxOwner_, QStringLiteral("QUORVANT - ＳＱＬの実行")))
        return;
    if (!db_.DbIsConnected()) {
        prompts_.tell(boxOwner_, Prompts::Icon::Warning, QStringLiteral("QUORVANT - ＳＱＬの実行"),
                      NotConnectedText());
        return;
    }
    if (text.count(QLatin1Char(' ')) == text.size())
        return;

    setRunState(true);
    int counter = 0;
    for (const QString& piece : SplitStatements(text)) {
        if (batchAbandoned_ || !db_.DbIsConnected())
            break;
        // The next piece may be a DELETE: going on is the risky choice, so Cancel is the default.
        if (counter == 0 ||
            prompts_.ask(boxOwner_, Prompts::Icon::Question, QStringLiteral("SQL連続実行"),
                         ContinueQuestionText(piece), Prompts::Buttons::OkCancel,
                         Prompts::Answer::Cancel) == Prompts::Answer::Ok)
            exec_sql(piece, false);
        ++counter;
    }
    setRunState(false);
}

void BatchRun::stopCommand()
{
    if (db_.work().call() == ConnectionWork::Kind::Transact) {
        // The driver has no way to cancel a COMMIT or ROLLBACK: it ends by itself.
        setMessage(QStringLiteral("COMMIT・ROLLBACKは中断できません。終了までお待ち下さい。"));
        return;
    }
    // Whatever runs on the connection stops: this run, or an export or a load.
    stop_requested = true;
    // The strip answers at once; a driver that cannot cancel a fetch (psqlODBC's cursor)
    // first finishes the round trip it is in, and the grid shows no row of it.
    if (fill_ == Fill::Running) {
        FetchStrip strip = strip_;
        strip.button = FetchStrip::Button::Off;
        setStrip(strip);
    }
    if (db_.work().busy())
        db_.work().cancelAll();
    else
        db_.DbCancel();
}

void BatchRun::abandonBatch()
{
    if (running())
        batchAbandoned_ = true;
    stopCommand();
}

// --- one statement ---

void BatchRun::exec_sql(const QString& sql, bool ReFetch)
{
    Prompts& prompts = prompts_;
    stop_requested = false;
    setPanels(QStringLiteral("SQLCode:"), QStringLiteral("行数:"), QStringLiteral("実行時間："),
              QString());

    std::int16_t code = 0;
    QString errorText;
    bool failed = false;
    StatementEffect effect;
    bool savepoint = false;
    if (ReFetch) {
        exec_start_tick = Clock::now();
        // A statement run while the fetch was suspended has put its own count and times
        // here; the fill goes on from its own.
        exec_row_count = static_cast<std::int32_t>(model_.rows().size());
        // Resumed rows follow the rows shown in fetch order, not a sort the user chose meanwhile.
        model_.restoreFetchOrder();
        exec_started_at = fillStartedAt_;
        exec_elapsed_ms = fillElapsedMs_;
        first_row_ms = fillFirstRowMs_;
        code = fill_result_grid(sql, true);
        failed = code != 0 && code != 100;
    } else {
        exec_elapsed_ms = 0;
        first_row_ms = 0;
        exec_started_at = QDateTime::currentDateTime();
        exec_start_tick = Clock::now();
        effect = ClassifyStatement(sql, db_.DbDialect());
        dropUndo();
        // Releasing ours would now also release the user's own savepoints set after it, or
        // ours may be gone with a ROLLBACK TO: it is left alone from here on.
        if (effect.savepoints)
            savepointSet_ = false;
        if (effect.mayChange) {
            savepoint = setSavepoint(effect);
            // Without a way back, the statement that changes every row asks first.
            if (!savepoint && effect.updateOrDelete && effect.withoutWhere && askingAllowed() &&
                prompts.ask(boxOwner_, Prompts::Icon::Warning, QStringLiteral("QUORVANT"),
                            QStringLiteral("WHEREのない%1は実行後に取り消せません。実行しますか？")
                                .arg(FirstWord(sql, db_.DbDialect())),
                            Prompts::Buttons::OkCancel,
                            Prompts::Answer::Cancel) != Prompts::Answer::Ok) {
                setMessage(QStringLiteral("SQL実行：実行しませんでした。"));
                return;
            }
        }
        opened_ = db_.DbOpenResult(sql, kExecuteRowCap);
        code = opened_.code;
        if (code != 0)
            forgetSavepointAfterFailure();
        if (code != 0 && stop_requested) {
            // The user asked for it (or the window is closing): a stop, not a failure. The
            // driver's words stay in the tool tip.
            close_fetch();
            exec_elapsed_ms = msSince(exec_start_tick);
            // The code is the cancelled call's, no outcome of the statement.
            panels_.status = QStringLiteral("SQLCode:");
            panels_.time = QStringLiteral("実行時間：") + ElapsedTimeText(exec_elapsed_ms);
            setMessage(QStringLiteral("SQL実行：中断しました。"), db_.DbLastErrorText());
            return;
        }
        if (code != 0) {
            errorText = db_.DbLastErrorText();
            if (!askingAllowed()) {
                close_fetch();
                return;
            }
            prompts.tell(boxOwner_, Prompts::Icon::Warning, ExecErrorTitle(), errorText);
            if (askingAllowed() &&
                prompts.ask(boxOwner_, Prompts::Icon::Question, QStringLiteral("QUORVANT"),
                            QStringLiteral("SQLを履歴に追加しますか？"), Prompts::Buttons::OkCancel,
                            Prompts::Answer::Cancel) == Prompts::Answer::Ok)
                addHistory(sql);
            failed = true;
        } else {
            result_column_count = opened_.columnCount;
            if (result_column_count > 0)
                resultStamp_ = db_.DbStatementsSent();
            addHistory(sql);
            if (result_column_count > 0) {
                code = fill_result_grid(sql, false);
                failed = code != 0 && code != 100;
            } else {
                exec_elapsed_ms = msSince(exec_start_tick);
                exec_row_count = opened_.rowCount;
            }
            if (!failed &&
                !afterChange(sql, effect, savepoint,
                             result_column_count > 0 ? exec_row_count : opened_.rowCount))
                return;
        }
    }

    if (failed) {
        forgetSavepointAfterFailure();
        if (effect.commitsBefore)
            afterImplicitCommitFailed();
        close_fetch();
        panels_.status = StatusCodeText(code);
        setMessage(QStringLiteral("SQL実行エラー：") + errorText);
        return;
    }
    // The window is closing: the work it cut short is not reported.
    if (!askingAllowed())
        return;
    // A fill the user stopped shows the rows read so far as stopped, as a stopped statement.
    if (stop_requested && result_column_count > 0 && code != 100) {
        setPanels(StatusCodeText(code), RowCountText(exec_row_count),
                  QStringLiteral("実行時間：") + ElapsedTimeText(exec_elapsed_ms),
                  QStringLiteral("SQL実行：中断しました。"));
        return;
    }

    QString text =
        QStringLiteral("正常に終了しました。") + QStringLiteral("\n\n") + StatusCodeText(code);
    if (exec_row_count >= 0)
        text += QLatin1Char('\n') + RowCountText(exec_row_count);
    prompts.tell(boxOwner_, Prompts::Icon::Information, QStringLiteral("QUORVANT - ＳＱＬ正常終了"),
                 text);
    setPanels(StatusCodeText(code), RowCountText(exec_row_count),
              QStringLiteral("実行時間：") + ElapsedTimeText(exec_elapsed_ms),
              QStringLiteral("SQL実行：正常に終了しました。"));
}
