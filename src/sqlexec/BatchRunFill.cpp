// The grid's side of a run: filling the model from the open result in blocks, the fetch
// strip and its counters, suspending and resuming, the rest of a capped result, and tables
// that are not results.
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

// The row counter is repainted at this pace while rows arrive; its last value is always
// written when the fill ends. Repainting after every row would cost more than the fetch.
constexpr auto kCounterPaintInterval = std::chrono::milliseconds(100);

} // namespace

void BatchRun::endSuspendedFetch()
{
    if (fill_ == Fill::None)
        return;
    close_fetch();
    FetchStrip strip = strip_;
    strip.message.remove(QStringLiteral("（中断されました）"));
    setStrip(strip);
}

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
                gridSql_.clear();
                update_fetch_counters(true);
                prompts.tell(boxOwner_, Prompts::Icon::Warning, ExecErrorTitle(),
                             db_.DbLastErrorText());
                result = described;
                break;
            }
            model_.setColumns(info.names.mid(0, info.columnCount), info.kinds);
            gridSql_ = sql;
            gridInfo_ = info;
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
                prompts.tell(boxOwner_, Prompts::Icon::Warning, ExecErrorTitle(),
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
                        prompts.tell(boxOwner_, Prompts::Icon::Warning, ExecErrorTitle(),
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
    // The button stays usable while other work runs (a statement between, an export): a
    // resume then would start a fill inside that work.
    if (db_.work().refuseWhileBusy(prompts_, boxOwner_, QStringLiteral("QUORVANT - ＳＱＬの実行")))
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
    gridSql_.clear();
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
