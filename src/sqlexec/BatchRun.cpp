#include "sqlexec/BatchRun.h"

#include "base/DateTimeText.h"
#include "base/Prompts.h"
#include "odbc/comm/ODBCComm.h"
#include "odbc/comm/ResultSetInfo.h"

#include <algorithm>
#include <iterator>

namespace {

using Clock = std::chrono::steady_clock;

// The row counter is repainted at this pace while rows arrive; its last value is always
// written when the fill ends. Repainting after every row would cost more than the fetch.
constexpr auto kCounterPaintInterval = std::chrono::milliseconds(100);

const QString kNotConnected = QStringLiteral("ＤＢが接続されていません。");
const QString kExecErrorTitle = QStringLiteral("QUORVANT - ＳＱＬ実行エラー");

QString codeText(int code)
{
    return QStringLiteral("SQLCode:") + QString::number(code);
}

QString rowsText(std::int64_t rows)
{
    return QStringLiteral("行数:") + QString::number(rows);
}

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
                      kNotConnected);
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

void BatchRun::endSuspendedFetch()
{
    if (fill_ == Fill::None)
        return;
    close_fetch();
    FetchStrip strip = strip_;
    strip.message.remove(QStringLiteral("（中断されました）"));
    setStrip(strip);
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
            prompts.tell(boxOwner_, Prompts::Icon::Warning, kExecErrorTitle, errorText);
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
        panels_.status = codeText(code);
        setMessage(QStringLiteral("SQL実行エラー：") + errorText);
        return;
    }
    // The window is closing: the work it cut short is not reported.
    if (!askingAllowed())
        return;
    // A fill the user stopped shows the rows read so far as stopped, as a stopped statement.
    if (stop_requested && result_column_count > 0 && code != 100) {
        setPanels(codeText(code), rowsText(exec_row_count),
                  QStringLiteral("実行時間：") + ElapsedTimeText(exec_elapsed_ms),
                  QStringLiteral("SQL実行：中断しました。"));
        return;
    }

    QString text = QStringLiteral("正常に終了しました。") + QStringLiteral("\n\n") + codeText(code);
    if (exec_row_count >= 0)
        text += QLatin1Char('\n') + rowsText(exec_row_count);
    prompts.tell(boxOwner_, Prompts::Icon::Information, QStringLiteral("QUORVANT - ＳＱＬ正常終了"),
                 text);
    setPanels(codeText(code), rowsText(exec_row_count),
              QStringLiteral("実行時間：") + ElapsedTimeText(exec_elapsed_ms),
              QStringLiteral("SQL実行：正常に終了しました。"));
}

// --- result grid fill ---

void BatchRun::endFill()
{
    model_.flush();
    emit fillEnded();
}

std::int16_t BatchRun::fill_result_grid(const QString& sql, bool ReFetch)
{
    Prompts& prompts = prompts_;
    bool retried = false;
    bool startOver = !ReFetch;
    std::int16_t result = 0;

    for (;;) {
        if (startOver) {
            start_fetch_strip(sql, result_column_count);
            exec_row_count = 0;
            const ResultSetInfo& info = opened_.info;
            const std::int16_t described = opened_.describeCode;
            if (described != 0) {
                // Rows without their columns would be empty: the result fails instead.
                model_.setColumns({}, {});
                update_fetch_counters(true);
                prompts.tell(boxOwner_, Prompts::Icon::Warning, kExecErrorTitle,
                             db_.DbLastErrorText());
                result = described;
                break;
            }
            model_.setColumns(info.names.mid(0, info.columnCount), info.kinds);
        }
        const int n = model_.resultColumnCount();
        std::vector<bool> timeColumn(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            timeColumn[static_cast<std::size_t>(i)] = model_.kind(i) == ColumnKind::DateTime;
        // Dates are trimmed on the connection's thread as it decodes.
        const ODBCComm::RowDecoder decode = [&](std::vector<std::string_view>& values) {
            const int cells = std::min(n, static_cast<int>(values.size()));
            for (int i = 0; i < cells; ++i) {
                if (timeColumn[static_cast<std::size_t>(i)])
                    values[static_cast<std::size_t>(i)] =
                        TrimDateTimeText(values[static_cast<std::size_t>(i)]);
            }
        };

        std::int16_t s = 0;
        bool fetchEnded = false; // left the loop on a fetch status other than 0
        bool capped = false;
        // Blocks arrive while the window waits for the fetch: a stop or a suspension pressed
        // meanwhile takes effect at once, so the grid shows no row that came after it.
        const ODBCComm::BlockSink append = [&](std::vector<QVector<QString>>& rows) {
            if (stop_requested || fill_ == Fill::None)
                return;
            if (capped) {
                std::move(rows.begin(), rows.end(), std::back_inserter(heldRows_));
                return;
            }
            if (fill_ == Fill::Suspended) {
                std::move(rows.begin(), rows.end(), std::back_inserter(heldRows_));
                return;
            }
            const bool firstRows = exec_row_count == 0;
            if (firstRows && !retried)
                first_row_ms = msSince(exec_start_tick);
            for (QVector<QString>& values : rows) {
                // One row beyond the grid's cap tells that the result goes on; it is kept for
                // the rest of the result.
                if (exec_row_count >= kMaxGridRows) {
                    capped = true;
                    heldRows_.push_back(std::move(values));
                    continue;
                }
                ++exec_row_count;
                model_.appendRow(exec_row_count, std::move(values));
            }
            // The first row is shown as soon as it is there; the rest as the count moves on.
            if (firstRows)
                model_.flush();
            update_fetch_counters(false);
        };
        for (;;) {
            if (fill_ != Fill::Running) {
                update_fetch_counters(true);
                break;
            }
            if (stop_requested) {
                update_fetch_counters(true);
                close_fetch();
                break;
            }
            if (!heldRows_.empty()) {
                // Rows that arrived as the fill was suspended are shown first on resume.
                std::vector<QVector<QString>> held;
                held.swap(heldRows_);
                append(held);
                s = 0;
            } else {
                const bool firstAlone = exec_row_count == 0 && !retried;
                s = db_.DbFetchRows(kMaxGridRows - exec_row_count + 1, retried, firstAlone, decode,
                                    append);
                if (firstAlone && exec_row_count == 0)
                    first_row_ms = msSince(exec_start_tick);
            }
            // Suspended with rows still to show: the result's end (or failure) comes after them,
            // on resume.
            if (fill_ == Fill::Suspended && !heldRows_.empty())
                continue;
            if (capped) {
                update_fetch_counters(true);
                // The cursor stays open so that the rest can go to a file; the next statement,
                // COMMIT, ROLLBACK or a catalog read ends it, as a suspended fill.
                fill_ = Fill::Capped;
                FetchStrip strip = strip_;
                strip.button = FetchStrip::Button::Off;
                setStrip(strip);
                s = 0;
                break;
            }
            if (s != 0) {
                fetchEnded = true;
                break;
            }
        }
        result = 0;
        if (fetchEnded) {
            update_fetch_counters(true);
            if (stop_requested && s != 100) {
                // The stop cancelled the fetch in the driver: a stop, not a failure.
                close_fetch();
            } else if (s == 100) {
                close_fetch();
                result = 100;
            } else {
                prompts.tell(boxOwner_, Prompts::Icon::Warning, kExecErrorTitle,
                             db_.DbLastErrorText());
                result = s;
                // Retrying re-executes the statement, which may change data when it is more
                // than a query; so No is the default.
                if (s == -9999 && !retried &&
                    prompts.ask(
                        boxOwner_, Prompts::Icon::Question, QStringLiteral("FETCH再試行確認"),
                        QStringLiteral("FETCHを先頭行から再試行しますか？"),
                        Prompts::Buttons::YesNo, Prompts::Answer::No) == Prompts::Answer::Yes) {
                    retried = true;
                    opened_ = db_.DbOpenResult(sql, kExecuteRowCap);
                    const std::int16_t code = opened_.code;
                    if (code == 0 && opened_.columnCount > 0) {
                        result_column_count = opened_.columnCount;
                        // The retry reads the result from its first row, so the grid starts
                        // over too, also on resume: appending would show rows twice.
                        startOver = true;
                        continue;
                    }
                    if (code != 0) {
                        prompts.tell(boxOwner_, Prompts::Icon::Warning, kExecErrorTitle,
                                     db_.DbLastErrorText());
                        result = code;
                    }
                }
            }
        }
        break;
    }

    fillStartedAt_ = exec_started_at;
    fillElapsedMs_ = exec_elapsed_ms;
    fillFirstRowMs_ = first_row_ms;
    endFill();
    return result;
}

// --- fetch strip ---

void BatchRun::start_fetch_strip(const QString& sql, int columnCount)
{
    resume_sql = sql;
    FetchStrip strip;
    strip.button = FetchStrip::Button::Suspend;
    strip.columns = QString::number(columnCount);
    strip.rows = QStringLiteral("0");
    strip.seconds = QStringLiteral("0.000");
    fill_ = Fill::Running;
    setStrip(strip);
    lastRowsPaint_ = Clock::now();
}

void BatchRun::update_fetch_counters(bool final)
{
    const auto now = Clock::now();
    if (!final) {
        if (now - lastRowsPaint_ < kCounterPaintInterval)
            return;
        lastRowsPaint_ = now;
        // The rows so far are shown as the count moves on: a slow result is read as it comes.
        model_.flush();
        strip_.rows = QString::number(exec_row_count);
        emit stripChanged(strip_, true);
        return;
    }
    lastRowsPaint_ = now;
    FetchStrip strip = strip_;
    strip.rows = QString::number(exec_row_count);
    exec_elapsed_ms += msSince(exec_start_tick);
    // Counted once: a later final update of the same period adds nothing more.
    exec_start_tick = Clock::now();
    strip.seconds = SecondsText(exec_elapsed_ms);
    if (exec_row_count > 0)
        strip.secondsTip =
            QStringLiteral("1行目:") + SecondsText(first_row_ms) + QStringLiteral("秒");
    strip.message = exec_started_at.toString(QStringLiteral("hh:mm:ss")) + QStringLiteral("～") +
                    QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss"));
    if (fill_ == Fill::Suspended)
        strip.message += QStringLiteral("（中断されました）");
    setStrip(strip);
}

void BatchRun::close_fetch()
{
    heldRows_.clear();
    db_.DbCloseCursor();
    fill_ = Fill::None;
    if (strip_.button != FetchStrip::Button::Off) {
        FetchStrip strip = strip_;
        strip.button = FetchStrip::Button::Off;
        setStrip(strip);
    }
}

void BatchRun::reset_fetch_strip()
{
    setStrip(FetchStrip{});
}

bool BatchRun::restOpen() const
{
    return (fill_ == Fill::Suspended || fill_ == Fill::Capped) && !running() &&
           db_.work().cursorHeld();
}

bool BatchRun::takeRest(std::vector<QVector<QString>>& held)
{
    if (!restOpen() || !db_.DbLiftRowCap())
        return false;
    held.swap(heldRows_);
    heldRows_.clear();
    return true;
}

void BatchRun::suspendOrResume()
{
    if (fill_ == Fill::None || fill_ == Fill::Capped)
        return;
    if (fill_ == Fill::Running) {
        fill_ = Fill::Suspended;
        db_.DbPauseFetch();
        FetchStrip strip = strip_;
        strip.button = FetchStrip::Button::Resume;
        setStrip(strip);
        return;
    }
    // Resuming inside a run would start a second fill within the first.
    if (running())
        return;
    fill_ = Fill::Running;
    FetchStrip strip = strip_;
    strip.button = FetchStrip::Button::Suspend;
    strip.message.clear();
    setStrip(strip);
    // A resumed fill is a run of its own: the commands that could start another statement are
    // disabled until it ends.
    setRunState(true);
    exec_sql(resume_sql, true);
    setRunState(false);
}

// --- COMMIT and ROLLBACK ---

void BatchRun::commit_command()
{
    transact(true);
}

void BatchRun::rollback_command()
{
    transact(false);
}

void BatchRun::transact(bool commit)
{
    const QString word = commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK");
    if (!db_.DbIsConnected()) {
        prompts_.tell(boxOwner_, Prompts::Icon::Warning,
                      QStringLiteral("QUORVANT - ") + word + QStringLiteral("の実行"),
                      kNotConnected);
        return;
    }
    // A result kept open across it would be computed to its end by the server.
    endSuspendedFetch();
    const std::int16_t code = commit ? db_.DbCommit(boxOwner_) : db_.DbRollback(boxOwner_);
    QString message;
    if (code == 0) {
        message = word + QStringLiteral("が完了しました。");
        prompts_.tell(boxOwner_, Prompts::Icon::Information,
                      QStringLiteral("QUORVANT - ") + word + QStringLiteral("完了"), message);
    } else {
        message = word + QStringLiteral("エラー：") + db_.DbLastErrorText();
    }
    setPanels(codeText(code), QStringLiteral("行数:"), QStringLiteral("実行時間："), message);
}

// --- pending work and undo ---

namespace {

const QString kUndoSavepoint = QStringLiteral("quorvant_undo");

} // namespace

bool BatchRun::undoAvailable() const
{
    return undoLive_ && db_.DbIsConnected() && db_.DbStatementsSent() == undoStamp_;
}

void BatchRun::dropUndo()
{
    if (!undoLive_)
        return;
    undoLive_ = false;
    emit undoChanged();
}

void BatchRun::forgetSavepointAfterFailure()
{
    // psqlODBC takes back the whole transaction at a failure when our savepoint came first in
    // it: releasing the savepoint that is gone would abort the next transaction.
    if (db_.DbFailedStatementMayDropWrites())
        savepointSet_ = false;
}

void BatchRun::afterImplicitCommitFailed()
{
    // The question would take the cursor of a suspended result; the ledger then stays.
    if (db_.work().cursorHeld() || db_.DbExecute(QStringLiteral("SELECT @@in_transaction")) != 0)
        return;
    QVector<QString> values;
    const bool ended = db_.DbFetch(values, true) == 0 && !values.isEmpty() && values[0] == u"0";
    db_.DbCloseCursor();
    if (ended) {
        savepointSet_ = false;
        db_.pending().clear();
    }
}

bool BatchRun::setSavepoint(const StatementEffect& effect)
{
    if (!undoEnabled_ || !db_.DbSavepointsUndo() || (effect.ddl && db_.DbDdlCommitsItself()))
        return false;
    // The previous one is released first, while it is known to exist: savepoints that pile up
    // in one transaction slow PostgreSQL down, and releasing one that is gone would abort it.
    const bool release = savepointSet_ && savepointTransactions_ == db_.DbTransactionEnds();
    const std::string name = kUndoSavepoint.toStdString();
    std::int16_t code = ODBCComm::kBusy;
    db_.DbRunStatements([&](ODBCComm::StatementCalls& calls) {
        code = release ? calls.execute("RELEASE SAVEPOINT " + name) : 0;
        if (code == 0)
            code = calls.execute("SAVEPOINT " + name);
    });
    savepointSet_ = code == 0;
    savepointTransactions_ = db_.DbTransactionEnds();
    return savepointSet_;
}

bool BatchRun::afterChange(const QString& sql, const StatementEffect& effect, bool savepoint,
                           std::int64_t rows)
{
    // COMMIT, ROLLBACK, DDL that commits by itself, or a statement before which the database
    // commits (MariaDB's BEGIN, LOCK TABLES, ...): the transaction has ended, with what was
    // pending and the savepoints.
    const bool ddlCommitted = effect.ddl && db_.DbDdlCommitsItself();
    if (effect.commits || effect.rollsBack || ddlCommitted || effect.commitsBefore) {
        savepointSet_ = false;
        db_.pending().clear();
    }
    if (effect.mayChange && !ddlCommitted)
        db_.pending().record(
            {sql, exec_started_at, std::max<std::int64_t>(0, rows), exec_elapsed_ms});
    if (!savepoint)
        return true;
    undoLive_ = true;
    undoStamp_ = db_.DbStatementsSent();
    undoSql_ = sql;
    emit undoChanged();
    if (!effect.updateOrDelete || (!effect.withoutWhere && rows <= undoAskRows_) ||
        !askingAllowed())
        return true;
    // Asked after it ran, with the exact count; taking it back is the safe answer.
    if (prompts_.ask(boxOwner_, Prompts::Icon::Question, QStringLiteral("QUORVANT"),
                     QStringLiteral("%1行が変更されました。この変更を残しますか？").arg(rows),
                     Prompts::Buttons::KeepUndo, Prompts::Answer::No) == Prompts::Answer::Yes)
        return true;
    undoLast();
    return false;
}

void BatchRun::undoLast()
{
    if (!undoAvailable())
        return;
    // The undone statement's own result would be closed under its fill by the rollback; a
    // suspended result of an earlier statement stays.
    if (resultStamp_ == undoStamp_)
        endSuspendedFetch();
    const std::string sql = "ROLLBACK TO SAVEPOINT " + kUndoSavepoint.toStdString();
    std::int16_t code = ODBCComm::kBusy;
    db_.DbRunStatements([&](ODBCComm::StatementCalls& calls) { code = calls.execute(sql); });
    undoLive_ = false;
    emit undoChanged();
    if (code != 0) {
        const QString error = db_.DbLastErrorText();
        prompts_.tell(boxOwner_, Prompts::Icon::Warning, kExecErrorTitle, error);
        setPanels(codeText(code), QStringLiteral("行数:"), QStringLiteral("実行時間："),
                  QStringLiteral("取り消しエラー：") + error);
        return;
    }
    db_.pending().dropLast();
    setPanels(codeText(0), QStringLiteral("行数:"), QStringLiteral("実行時間："),
              QStringLiteral("直前のSQLを取り消しました：") + StatementPreview(undoSql_));
}

// --- tables that are not results ---

void BatchRun::showTable(const QStringList& headers, const ColumnKinds& kinds,
                         const std::vector<QVector<QString>>& rows, int numberWidth)
{
    if (running())
        return;
    // The grid is about to show other rows: a suspended fill could never be resumed into it.
    endSuspendedFetch();
    reset_fetch_strip();
    setPanels(QStringLiteral("SQLCode:"), QStringLiteral("行数:"), QStringLiteral("実行時間："),
              QString());
    resume_sql.clear();
    if (headers.isEmpty()) {
        model_.clear();
        result_column_count = 0;
        exec_row_count = 0;
        return;
    }
    const QStringList columns = headers.mid(1);
    result_column_count = static_cast<std::int16_t>(columns.size());
    model_.setColumns(columns, kinds);
    model_.setNumberColumn(headers.first(), numberWidth);
    std::int32_t number = 0;
    for (const QVector<QString>& row : rows)
        model_.appendRow(++number, QVector<QString>(row));
    exec_row_count = number;
    endFill();
}
