#include "transfer/LoadJob.h"

#include "base/Utf8Text.h"
#include "odbc/comm/ODBCComm.h"

#include <QFile>
#include <QMetaObject>
#include <QVector>

#include <algorithm>
#include <chrono>

namespace {

// While statements run, the counts go to the window at most this often: a statement takes
// microseconds, showing it far longer.
constexpr auto kShowEvery = std::chrono::milliseconds(50);

// A batch: at most so many lines, and no more lines once its statement is this long. Larger
// batches gain little (the server's work per row dominates) and cost more to send again line
// by line when one line is refused.
constexpr std::size_t kBatchLines = 256;
constexpr std::size_t kBatchBytes = 1 << 20;
// The batch's own savepoint; the undo of the SQL window has its own name.
constexpr std::string_view kSavepoint = "SAVEPOINT quorvant_load";
constexpr std::string_view kRelease = "RELEASE SAVEPOINT quorvant_load";
constexpr std::string_view kRollbackTo = "ROLLBACK TO SAVEPOINT quorvant_load";

} // namespace

LoadJob::LoadJob(ODBCComm& db, Options options) : db_(db), options_(std::move(options)) {}

LoadJob::~LoadJob() = default;

LoadJob::Progress LoadJob::progress() const
{
    Progress p;
    p.linesRead = linesRead_;
    p.inserted = inserted_;
    p.statement = textFromUtf8(shown_);
    return p;
}

void LoadJob::post()
{
    const std::uint64_t sequence = ++sequence_;
    QMetaObject::invokeMethod(
        &receiver_, [this, sequence, p = progress()] { deliver(sequence, p); },
        Qt::QueuedConnection);
}

void LoadJob::show()
{
    deliver(++sequence_, progress());
}

void LoadJob::deliver(std::uint64_t sequence, const Progress& progress)
{
    if (sequence < delivered_)
        return;
    delivered_ = sequence;
    if (onProgress)
        onProgress(progress);
}

bool LoadJob::pendingRowsLost()
{
    // The probe would take the cursor of a suspended result; then the answer stays unknown.
    if (db_.work().cursorHeld())
        return false;
    // PostgreSQL's own question, asked only of the driver whose failures may cost earlier rows.
    if (!db_.DbFailedStatementMayDropWrites() ||
        db_.DbExecute(QStringLiteral("SELECT txid_current_if_assigned()")) != 0)
        return false;
    QVector<QString> values;
    const bool lost = db_.DbFetch(values, true) == 0 && !values.isEmpty() && values[0].isEmpty();
    db_.DbCloseCursor();
    return lost;
}

std::int16_t LoadJob::commit()
{
    std::int16_t code = ODBCComm::kBusy;
    db_.DbRunStatements([&code](ODBCComm::StatementCalls& calls) { code = calls.commit(); });
    return code;
}

LoadJob::Outcome LoadJob::run()
{
    Outcome out;
    QFile file(options_.filePath);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    // The whole load is one piece of work: COMMIT, ROLLBACK, runs, the tree and disconnect
    // wait, also while its questions are open.
    const ConnectionWork::Scope scope(db_.work(), ConnectionWork::Kind::Transfer);
    const ConnectionWork::Stop stop(db_.work(), [this] { cancel(); });
    csvimport::FileFormat format;
    format.encoding = options_.encoding;
    format.quotedLineBreaks = options_.quotedLineBreaks;
    format.delimiter = csvimport::delimiterBytes(options_.delimiter, options_.encoding);
    csvimport::LineSource source(file, format);
    qint64 sinceCommit = 0;
    int badValues = 0;
    // Values that did not come through as the file holds them are never passed over in
    // silence, whichever way the load ends.
    const auto finish = [&](End end) {
        out.end = end;
        out.inserted = inserted_;
        if (badValues > 0)
            out.badValues =
                QStringLiteral("%1として読めない文字を含む値が %2 個ありました。"
                               "それらの文字は \"\uFFFD\" としてINSERTされています。")
                    .arg(QString::fromUtf8(kEncodingItems[static_cast<int>(options_.encoding)]))
                    .arg(badValues);
        return out;
    };

    // Batches need a savepoint that takes a refused statement back inside the transaction;
    // with an interval of 1 every batch is one line anyway.
    const bool batches = options_.interval > 1 && db_.DbSavepointsUndo();
    // psqlODBC's own savepoint before a statement (its statement-level rollback) needs two
    // things for a refused batch to be taken back alone, the load's savepoint kept: the batch
    // is prepared, since executed directly it shares one query with that savepoint, which
    // PostgreSQL parses whole before running any of it (a batch that does not parse would take
    // the whole transaction); and a statement other than a SAVEPOINT ran before it in the
    // transaction, since the driver sets no savepoint for the first. So there the first line
    // after a COMMIT or a refused line (which may have taken the transaction) goes alone. Lines
    // sent alone stay direct, so that a refused line does what it did without batches.
    const bool prepareBatches = db_.DbFailedStatementMayDropWrites();
    // A line or batch of the load went through in the open transaction.
    bool begun = false;
    enum class Piece { Running, End, Failed, CommitFailed };
    for (;;) {
        Piece piece = Piece::Running;
        std::int16_t code = 0;
        refusal_.clear();
        const bool ran = db_.DbRunStatements([&](ODBCComm::StatementCalls& calls) {
            if (!builder_) {
                QString head = options_.head;
                if (options_.header) {
                    QString header;
                    if (source.next(header) && options_.headerNames)
                        head += csvimport::columnList(header, options_.delimiter);
                }
                builder_.emplace(head, options_.delimiter, options_.encoding,
                                 calls.traits().dialect, calls.traits().typesValuesByBuffer);
                head_ = head.toStdString();
            }
            // Reads the next batch; it never reaches past the next interval commit.
            const auto read = [&] {
                lines_.clear();
                stored_.clear();
                arena_.clear();
                next_ = 0;
                const auto room = static_cast<std::size_t>(
                    batches ? std::min<qint64>(kBatchLines, options_.interval - sinceCommit) : 1);
                std::string_view line;
                while (lines_.size() < room && arena_.size() < kBatchBytes && !cancel_ &&
                       source.nextBytes(line)) {
                    Line l;
                    builder_->build(line, &l.badValues);
                    l.fieldCount = builder_->fieldCount();
                    l.first = stored_.size();
                    const std::vector<ParamValue>& params = builder_->params();
                    for (std::size_t i = 0; i < params.size(); ++i) {
                        stored_.push_back({params[i].kind, arena_.size(), params[i].text.size(),
                                           builder_->bare(i)});
                        arena_.append(params[i].text);
                    }
                    l.count = stored_.size() - l.first;
                    l.alone = !builder_->allBound();
                    if (l.alone)
                        l.statement = builder_->statement();
                    l.refusal = builder_->refusal();
                    // A line of bound values is shown from them when it is the one shown.
                    if (l.alone)
                        l.shown = builder_->shown();
                    lines_.push_back(std::move(l));
                }
            };
            // The values of lines first..last - 1, row after row.
            const auto valuesOf = [&](std::size_t first, std::size_t last) {
                params_.clear();
                for (std::size_t i = lines_[first].first;
                     i < lines_[last - 1].first + lines_[last - 1].count; ++i) {
                    const Stored& v = stored_[i];
                    params_.push_back({v.kind, std::string_view(arena_).substr(v.at, v.size)});
                }
                return params_;
            };
            const auto shownOf = [&](const Line& l) {
                if (l.alone)
                    return l.shown;
                std::string out = head_ + " VALUES(";
                for (std::size_t i = l.first; i < l.first + l.count; ++i) {
                    if (i > l.first)
                        out.push_back(',');
                    const Stored& v = stored_[i];
                    csvimport::appendShownValue(
                        {v.kind, std::string_view(arena_).substr(v.at, v.size)}, v.bare, out);
                }
                out.push_back(')');
                return out;
            };
            // "<head> VALUES(?,...),(?,...),..." for rows lines of fieldCount values.
            const auto boundInsert = [&](std::size_t fieldCount,
                                         std::size_t rows) -> const std::string& {
                if (multiCount_ != fieldCount || multiRows_ != rows || multi_.empty()) {
                    multi_ = head_ + " VALUES";
                    for (std::size_t r = 0; r < rows; ++r) {
                        multi_.append(r == 0 ? "(" : ",(");
                        for (std::size_t i = 0; i < fieldCount; ++i)
                            multi_.append(i == 0 ? "?" : ",?");
                        multi_.push_back(')');
                    }
                    multiCount_ = fieldCount;
                    multiRows_ = rows;
                }
                return multi_;
            };
            const auto sent = [&](std::size_t first, std::size_t last) {
                for (std::size_t i = first; i < last; ++i)
                    badValues += lines_[i].badValues;
                const auto n = static_cast<qint64>(last - first);
                begun = true;
                inserted_ += n;
                sinceCommit += n;
                shown_ = shownOf(lines_[last - 1]);
            };
            // A batch the database refuses leaves nothing behind: its savepoint takes it back
            // (also where a failed statement would abort the whole transaction).
            const auto sendBatch = [&](std::size_t first, std::size_t last) {
                if (calls.execute(kSavepoint) != 0)
                    return false;
                const std::size_t count = lines_[first].fieldCount;
                const bool arrays = calls.traits().batchesAsParameterArrays;
                if (calls.executeBound(boundInsert(count, arrays ? 1 : last - first),
                                       arrays ? count : count * (last - first),
                                       valuesOf(first, last)) == 0) {
                    calls.execute(kRelease);
                    linesRead_ += static_cast<qint64>(last - first);
                    sent(first, last);
                    return true;
                }
                // Where the failure took the whole transaction the savepoint is gone, and
                // releasing it would fail too.
                if (calls.execute(kRollbackTo) == 0)
                    calls.execute(kRelease);
                return false;
            };
            // Lines whose values can share one parameter array: as many values, all bound, of
            // one kind per column (NULL goes with any).
            const auto joins = [&](std::size_t first, std::size_t line) {
                const Line& a = lines_[first];
                const Line& b = lines_[line];
                if (b.alone || b.fieldCount != a.fieldCount)
                    return false;
                for (std::size_t c = 0; c < a.count; ++c) {
                    ParamKind& kind = batchKinds_[c];
                    const ParamKind k = stored_[b.first + c].kind;
                    if (k == ParamKind::Null)
                        continue;
                    if (kind != ParamKind::Null && kind != k)
                        return false;
                    kind = k;
                }
                return true;
            };
            auto shown = std::chrono::steady_clock::now();
            while (piece == Piece::Running) {
                if (next_ >= lines_.size())
                    read();
                if (cancel_ || next_ >= lines_.size()) {
                    piece = Piece::End;
                    break;
                }
                // A line that goes alone ends the batch before it: the order is kept.
                std::size_t last = next_ + 1;
                if (!lines_[next_].alone && (begun || !prepareBatches)) {
                    batchKinds_.assign(lines_[next_].count, ParamKind::Null);
                    joins(next_, next_);
                    while (last < lines_.size() && joins(next_, last))
                        ++last;
                }
                if (last - next_ > 1 && sendBatch(next_, last)) {
                    next_ = last;
                } else {
                    // Line by line, as a refused line is reported and asked about.
                    for (; next_ < last; ++next_) {
                        if (cancel_)
                            break;
                        ++linesRead_;
                        const Line& l = lines_[next_];
                        refusal_ = l.refusal;
                        // A raw value that would reach beyond its place is never sent.
                        code = !l.refusal.isEmpty()
                                   ? std::int16_t{-9999}
                                   : calls.executeBound(l.alone ? l.statement
                                                                : boundInsert(l.fieldCount, 1),
                                                        l.count, valuesOf(next_, next_ + 1));
                        if (code != 0) {
                            shown_ = shownOf(l);
                            ++next_;
                            begun = false;
                            piece = Piece::Failed;
                            break;
                        }
                        sent(next_, next_ + 1);
                    }
                    if (piece == Piece::Failed)
                        break;
                }
                if (sinceCommit >= options_.interval) {
                    sinceCommit = 0;
                    begun = false;
                    code = calls.commit();
                    if (code != 0) {
                        piece = Piece::CommitFailed;
                        break;
                    }
                }
                const auto now = std::chrono::steady_clock::now();
                if (now - shown >= kShowEvery) {
                    shown = now;
                    post();
                }
            }
            // The last rows are committed like every interval.
            if (piece == Piece::End && sinceCommit > 0) {
                sinceCommit = 0;
                code = calls.commit();
                if (code != 0)
                    piece = Piece::CommitFailed;
            }
        });
        if (!ran) {
            piece = Piece::Failed;
            code = ODBCComm::kBusy;
        }
        show();

        if (piece == Piece::End && source.failed()) {
            // The rest of the file was never read: not a completed load, whatever was sent.
            out.message = QStringLiteral("ファイルの読込みに失敗しました。\n") +
                          file.errorString() + QStringLiteral("\n\nINSERT行数:") +
                          QString::number(inserted_);
            return finish(End::ReadFailed);
        }
        if (piece == Piece::End) {
            out.message = QStringLiteral("登録が終了しました。");
            if (cancel_)
                out.message += QStringLiteral("（中断）");
            out.message += QStringLiteral("\n\nINSERT行数:") + QString::number(inserted_);
            return finish(End::Completed);
        }
        if (piece == Piece::CommitFailed) {
            out.commitCode = code;
            return finish(End::CommitFailed);
        }
        FailedLine failed;
        failed.error = refusal_.isEmpty() ? db_.DbLastErrorText() : refusal_;
        if (sinceCommit > 0 && pendingRowsLost()) {
            // The count says what is in the table: rows the failure took back are not counted.
            inserted_ -= sinceCommit;
            failed.rolledBack = QStringLiteral("COMMIT前の") + QString::number(sinceCommit) +
                                QStringLiteral("行は、このエラーでROLLBACKされました。");
            sinceCommit = 0;
            show();
        }
        if (onFailedLine && onFailedLine(failed))
            continue;
        // Stopping keeps what was inserted: it is committed, but the load did not complete.
        if (sinceCommit > 0) {
            out.commitCode = commit();
            if (out.commitCode != 0)
                return finish(End::CommitFailed);
        }
        return finish(End::Stopped);
    }
}
