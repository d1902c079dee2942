#include "odbc/comm/ODBCComm.h"

#include "base/BusyCursor.h"
#include "base/Prompts.h"
#include "base/Utf8Text.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ResultSetInfo.h"

#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

namespace {

const char* const kObjectTypes = "TABLE,VIEW,SYNONYM";

// A fetch batch on the connection's thread ends after this many rows or this long, whichever
// comes first, so that the rows shown and the counter follow at least that often.
constexpr std::size_t kBatchRows = 256;
constexpr auto kBatchTime = std::chrono::milliseconds(20);

QString fromUtf8(const std::string& text)
{
    return textFromUtf8(text);
}

// A fetched value. Most values are ASCII, which QString takes in one widening copy; an empty
// value is the empty (not null) text, as fromUtf8 gives it.
QString fromFetched(std::string_view text)
{
    const std::size_t n = text.size();
    if (n == 0)
        return QStringLiteral(""); // empty, not null: a null QString is a NULL
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    unsigned char high = 0;
    for (std::size_t i = 0; i < n; ++i)
        high |= bytes[i];
    if (high < 0x80)
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(n));
    return textFromUtf8(text);
}

std::string toUtf8(const QString& text)
{
    return text.toStdString();
}

std::optional<std::string> toUtf8(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    return text->toStdString();
}

// A status code as the boxes write it: decimal, "-" when negative, no blanks.
QString codeText(int code)
{
    return QString::number(code);
}

// What the grid and the export make of a column kind the driver layer reports.
ColumnKind columnKindOf(std::int16_t libKind)
{
    if (libKind == OdbcLib::kKindChar)
        return ColumnKind::Text;
    if (libKind == OdbcLib::kKindDateTime)
        return ColumnKind::DateTime;
    return ColumnKind::Number;
}

} // namespace

void ODBCComm::PackedRows::add(const std::vector<std::string_view>& values)
{
    cells_.push_back(static_cast<std::uint32_t>(values.size()));
    for (const std::string_view value : values) {
        // A NULL is a view of no data; an empty value has data of length 0.
        if (value.data() == nullptr)
            nulls_.push_back(static_cast<std::uint32_t>(ends_.size()));
        bytes_.append(value);
        ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    }
    ++rows_;
}

std::vector<QVector<QString>> ODBCComm::PackedRows::unpack() const
{
    std::vector<QVector<QString>> rows;
    rows.reserve(rows_);
    std::size_t cell = 0;
    std::size_t nextNull = 0;
    std::uint32_t start = 0;
    for (const std::uint32_t n : cells_) {
        QVector<QString> values(static_cast<qsizetype>(n));
        for (std::uint32_t c = 0; c < n; ++c, ++cell) {
            const std::uint32_t end = ends_[cell];
            // A NULL stays a null QString, told apart from an empty text (the exports can
            // write them differently).
            if (nextNull < nulls_.size() && nulls_[nextNull] == cell)
                ++nextNull;
            else
                values[c] = fromFetched(std::string_view(bytes_).substr(start, end - start));
            start = end;
        }
        rows.push_back(std::move(values));
    }
    return rows;
}

ODBCComm::ODBCComm(OdbcLib& lib, Prompts& prompts)
    : lib_(lib), prompts_(prompts), driverStop_(work_, [this] {
          // A load runs its statements back to back on one statement handle, and stops between
          // them by its own flag: SQLite ODBC 0.9998 frees that handle's buffers in SQLCancel
          // while the next execute uses them (a double free under AddressSanitizer).
          if (work_.call() == ConnectionWork::Kind::Transfer)
              cancelRequested_ = true;
          else
              DbCancel();
      })
{
}

ODBCComm::~ODBCComm()
{
    // The handles are released where they were used; the thread ends with work_.
    if (lib_.hasEnvironment())
        work_.run(ConnectionWork::Kind::Connect, [this] { lib_.OdbcFreeEnv(); });
}

void ODBCComm::warn(QWidget* owner, const QString& title, const QString& text)
{
    prompts_.tell(owner, Prompts::Icon::Warning, title, text);
}

bool ODBCComm::DbInit()
{
    int code = 0;
    work_.run(ConnectionWork::Kind::Connect, [&] { code = lib_.OdbcInitEnv(); });
    if (code != 0) {
        warn(nullptr, QStringLiteral("INIT エラー"),
             QStringLiteral("ＯＤＢＣの初期化に失敗しました。"));
        return false;
    }
    return true;
}

int ODBCComm::DbConnect(QWidget* owner, const QString& dsn, QString& uid, QString& pwd,
                        const QString& driver, QString& connStr)
{
    const QString title = QStringLiteral("CONNECT エラー");
    if (work_.open()) {
        warn(owner, title, QStringLiteral("ＤＢは既に接続されています。"));
        return -99;
    }
    // A new connection starts with autocommit off.
    autocommitUntilClosed_ = false;
    autocommitLeftOn_ = false;
    if (!mayStart()) {
        warn(owner, title, refusal_);
        return -99;
    }
    // The attempt owns its texts: a connect given up on goes on without this frame.
    struct Attempt {
        std::string uid, pwd, conn, dsn, driver;
        bool envFailed = false;
        std::int16_t code = 0;
        std::string error;
    };
    const auto a = std::make_shared<Attempt>();
    a->uid = toUtf8(uid);
    a->pwd = toUtf8(pwd);
    a->conn = toUtf8(connStr);
    a->dsn = toUtf8(dsn);
    a->driver = toUtf8(driver);
    const bool ended = work_.runUntilStopped(
        ConnectionWork::Kind::Connect,
        [this, a] {
            lib_.OdbcFreeEnv();
            if (lib_.OdbcInitEnv() != 0) {
                a->envFailed = true;
                return;
            }
            // unixODBC reads the window argument as its own ODBCINSTWND record naming a
            // prompt plugin, not as a window id; none of our drivers prompts, so no window is
            // passed.
            a->code = lib_.OdbcConnect(nullptr, a->dsn, a->uid, a->pwd, a->driver, a->conn);
            if (a->code != 0)
                a->error = lib_.OdbcTakeLastError();
        },
        // Nobody waits for a late connection: it is closed and its handles freed.
        [this, a] {
            if (!a->envFailed && a->code == 0)
                lib_.OdbcDisconnect();
            lib_.OdbcFreeEnv();
        });
    if (!ended) {
        warn(owner, title, QStringLiteral("接続を中止しました。ＤＢは接続されていません。"));
        return -99;
    }
    if (a->envFailed) {
        warn(owner, title, QStringLiteral("ＯＤＢＣの初期化に失敗しました。"));
        return -99;
    }
    uid = fromUtf8(a->uid);
    pwd = fromUtf8(a->pwd);
    connStr = fromUtf8(a->conn);
    if (a->code != 0) {
        warn(owner, title,
             codeText(a->code) + QStringLiteral(":ＤＢ接続に失敗しました。") + QLatin1Char('\n') +
                 fromUtf8(a->error));
        return -99;
    }
    work_.setOpen(true);
    return 0;
}

int ODBCComm::DbDisconnect(QWidget* owner, EndOfWork end)
{
    if (!work_.open())
        return 0;
    if (!mayStart())
        return -99;
    // A result left open would be computed to its end by the COMMIT (a cursor kept across
    // it): it ends first, as for a new statement.
    releaseHeldCursor();
    forgetFetchEnd();
    int result = 0;
    std::int16_t commit = 0;
    QString commitError;
    callOnWorker(ConnectionWork::Kind::Execute, [&] {
        if (end == EndOfWork::RollBack) {
            result = lib_.OdbcRollback() != 0 || lib_.OdbcDisconnect() != 0 ? -99 : 0;
            lib_.OdbcFreeEnv();
            return;
        }
        commit = lib_.OdbcCommit();
        if (commit != 0)
            commitError = fromUtf8(lib_.OdbcLastError());
        result = lib_.OdbcDisconnect() != 0 || commit != 0 ? -99 : 0;
        lib_.OdbcFreeEnv();
    });
    if (commit != 0)
        warn(owner, QStringLiteral("QUORVANT - COMMITエラー"),
             codeText(commit) +
                 QStringLiteral(":切断時のCOMMITに失敗しました。"
                                "作業内容はCOMMITされていません。") +
                 QLatin1Char('\n') + commitError);
    ++generation_;
    ++statementsSent_;
    ++transactionEnds_;
    pending_.clear();
    work_.setCursorHeld(false);
    work_.setOpen(false);
    return result;
}

int ODBCComm::DbSetReadOnly(QWidget* owner, bool tellUnguarded)
{
    if (!work_.open() || !mayStart())
        return -99;
    std::int16_t code = 0;
    bool serverEnforced = false;
    QString error;
    callOnWorker(ConnectionWork::Kind::Connect, [&] {
        code = lib_.OdbcSetReadOnly(serverEnforced);
        if (code != 0)
            error = fromUtf8(lib_.OdbcLastError());
    });
    if (code != 0) {
        warn(owner, QStringLiteral("CONNECT エラー"),
             codeText(code) +
                 QStringLiteral(":読取専用に設定できませんでした。接続を切断します。") +
                 QLatin1Char('\n') + error);
        DbDisconnect(owner);
        return -99;
    }
    if (!serverEnforced && tellUnguarded)
        warn(owner, QStringLiteral("QUORVANT - 読取専用"),
             QStringLiteral("このデータベースでは読取専用を保証できません。"
                            "ドライバに読取専用を指定しましたが、"
                            "更新がデータベースに拒否されるとは限りません。"));
    return 0;
}

std::int16_t ODBCComm::transact(bool commit, QWidget* owner)
{
    if (!mayStart())
        return kBusy;
    // A suspended result would be kept across the COMMIT and computed to its end there.
    releaseHeldCursor();
    std::int16_t code = 0;
    ++statementsSent_;
    ++transactionEnds_;
    callOnWorker(ConnectionWork::Kind::Transact,
                 [&] { code = commit ? lib_.OdbcCommit() : lib_.OdbcRollback(); });
    // A failed one leaves the transaction as the database has it: the record stays.
    if (code == 0)
        pending_.clear();
    if (code != 0)
        DbShowError(code,
                    commit ? QStringLiteral("COMMIT エラー") : QStringLiteral("ROLLBACK エラー"),
                    owner);
    return code;
}

std::int16_t ODBCComm::DbCommit(QWidget* owner)
{
    return transact(true, owner);
}

std::int16_t ODBCComm::DbRollback(QWidget* owner)
{
    return transact(false, owner);
}

std::int16_t ODBCComm::DbExecute(const QString& sql, std::int32_t maxRows)
{
    lastRowCount_ = 0;
    lastColumnCount_ = 0;
    if (!mayStart())
        return kBusy;
    if (autocommitLeftOn_) {
        // No statement of the user's may run in autocommit mode: it would commit itself.
        std::int16_t off = 0;
        work_.run(ConnectionWork::Kind::Execute, [&] { off = lib_.OdbcSetAutocommit(false); });
        if (off != 0)
            return off;
        autocommitLeftOn_ = false;
    }
    cancelRequested_ = false;
    const std::string text = toUtf8(sql);
    std::int16_t code = 0;
    ++statementsSent_;
    callOnWorker(ConnectionWork::Kind::Execute,
                 [&] { code = lib_.OdbcExecute(text, lastRowCount_, lastColumnCount_, maxRows); });
    if (code == 0 && lastColumnCount_ > 0) {
        // The new result took the cursor; rows read ahead from an earlier one are gone with it.
        forgetFetchEnd();
        ++generation_;
        work_.setCursorHeld(true);
    } else if (!lib_.cursorAllocated()) {
        forgetFetchEnd();
        work_.setCursorHeld(false);
    }
    return code;
}

std::int16_t ODBCComm::StatementCalls::execute(std::string_view utf8Sql)
{
    return db_.lib_.OdbcExecuteAgain(utf8Sql);
}

std::int16_t ODBCComm::StatementCalls::executeBound(std::string_view utf8Sql, std::size_t columns,
                                                    const std::vector<ParamValue>& values)
{
    return db_.lib_.OdbcExecuteBound(utf8Sql, columns, values);
}

const DriverTraits& ODBCComm::StatementCalls::traits() const
{
    return db_.lib_.traits();
}

std::int16_t ODBCComm::StatementCalls::commit()
{
    commitSent_ = true;
    const std::int16_t code = db_.lib_.OdbcCommit();
    if (code == 0)
        committed_ = true;
    return code;
}

bool ODBCComm::DbRunStatements(const std::function<void(StatementCalls&)>& work)
{
    lastRowCount_ = 0;
    lastColumnCount_ = 0;
    if (!mayStart())
        return false;
    StatementCalls calls(*this);
    ++statementsSent_;
    callOnWorker(ConnectionWork::Kind::Transfer, [&] { work(calls); });
    // The work's own COMMIT committed what the user had pending as well.
    if (calls.commitSent_)
        ++transactionEnds_;
    if (calls.committed_)
        pending_.clear();
    return true;
}

void ODBCComm::DbCancel()
{
    cancelRequested_ = true;
    lib_.OdbcCancel();
}

void ODBCComm::callOnWorker(ConnectionWork::Kind kind, const std::function<void()>& work)
{
    work_.run(kind, work);
    if (closePending_) {
        closePending_ = false;
        closeCursorNow();
    }
}

bool ODBCComm::mayStart()
{
    refusal_.clear();
    if (!work_.callInProgress())
        return true;
    refusal_ = ConnectionWork::busyText();
    return false;
}

void ODBCComm::releaseHeldCursor(bool forCatalog)
{
    if (!work_.cursorHeld())
        return;
    if (endCursorHolder_)
        endCursorHolder_(forCatalog);
    if (work_.cursorHeld())
        DbCloseCursor();
}

void ODBCComm::forgetFetchEnd()
{
    fetchEnd_.reset();
}

OpenedResult ODBCComm::DbOpenResultToStream(const QString& sql, bool readsOnly)
{
    if (readsOnly && pending_.empty() && lib_.streamsOnlyInAutocommit() && work_.open() &&
        !work_.cursorHeld() && mayStart()) {
        // Nothing uncommitted can be lost by the commit that autocommit mode begins with.
        std::int16_t code = 0;
        work_.run(ConnectionWork::Kind::Execute, [&] { code = lib_.OdbcSetAutocommit(true); });
        ++transactionEnds_;
        autocommitUntilClosed_ = true;
        if (code != 0)
            closeCursorNow();
    }
    OpenedResult opened = DbOpenResult(sql);
    if (autocommitUntilClosed_ && work_.cursorHeld()) {
        bool declared = false;
        work_.run(ConnectionWork::Kind::Execute,
                  [&] { declared = lib_.OdbcResultColumnsDeclared(); });
        if (declared)
            return opened;
        // Its columns would be typed otherwise than the same read in the transaction: it runs
        // there instead. Nothing of it has been read, and it only reads.
        DbCloseCursor();
        return DbOpenResult(sql);
    }
    if (autocommitUntilClosed_)
        closeCursorNow();
    return opened;
}

OpenedResult ODBCComm::DbOpenResult(const QString& sql, std::int32_t maxRows)
{
    OpenedResult opened;
    opened.code = DbExecute(sql, maxRows);
    opened.rowCount = lastRowCount_;
    opened.columnCount = lastColumnCount_;
    if (opened.code == 0 && opened.columnCount > 0) {
        opened.info.columnCount = opened.columnCount;
        opened.describeCode = DbDescribeResult(opened.info);
    }
    return opened;
}

std::int16_t ODBCComm::DbDescribeResult(ResultSetInfo& info)
{
    if (!mayStart())
        return kBusy;
    const int n = std::clamp<int>(info.columnCount, 0, ResultSetInfo::kCapacity);
    std::vector<std::string> names(n + 1);
    std::vector<std::int16_t> kinds(n + 1, OdbcLib::kKindOther);
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Execute,
                 [&] { code = lib_.OdbcDescribeColumns(names, kinds); });
    if (code != 0)
        return code;
    info.columnCount = static_cast<std::int16_t>(n);
    info.names.clear();
    info.names.reserve(n);
    info.kinds.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        info.names.append(fromUtf8(names[i]));
        info.kinds[static_cast<std::size_t>(i)] = columnKindOf(kinds[i]);
    }
    return 0;
}

std::int16_t ODBCComm::DbFetch(QVector<QString>& values, bool singleRowMode)
{
    // One row is one fetch job: nothing is read ahead, so the cursor is the only state of the
    // result and a fill that follows starts at the next row.
    const std::int16_t code =
        DbFetchRows(1, singleRowMode, true, {}, [&values](std::vector<QVector<QString>>& rows) {
            if (!rows.empty())
                values = std::move(rows.front());
        });
    return code;
}

std::int16_t ODBCComm::DbFetchRows(int maxRows, bool singleRowMode, bool firstAlone,
                                   const RowDecoder& decode, const BlockSink& onBlock)
{
    if (maxRows <= 0)
        return 0;
    if (fetchEnd_)
        return *fetchEnd_;
    if (!mayStart())
        return kBusy;
    cancelRequested_ = false;
    pauseRequested_ = false;
    const std::uint64_t generation = generation_;

    // Blocks wait here for the window thread, which takes them in order as it can.
    struct Handover {
        std::mutex mutex;
        std::deque<PackedRows> blocks;
        bool takePosted = false;
    };
    const auto handover = std::make_shared<Handover>();
    // Hands one block to onBlock; true when more wait. On this thread only.
    const auto takeOne = [this, handover, generation, &onBlock] {
        PackedRows packed;
        bool more = false;
        {
            const std::lock_guard lock(handover->mutex);
            if (handover->blocks.empty()) {
                handover->takePosted = false;
                return false;
            }
            packed = std::move(handover->blocks.front());
            handover->blocks.pop_front();
            more = !handover->blocks.empty();
            handover->takePosted = more;
        }
        if (generation == generation_) {
            std::vector<QVector<QString>> block = packed.unpack();
            onBlock(block);
        }
        return more;
    };
    // Posted while the job runs: one block per event, so that a click (suspend, stop) and the
    // painting get their turn between blocks.
    std::function<void()> takeNext;
    takeNext = [this, takeOne, &takeNext] {
        // A zero timer, not a posted call: timers and input queued meanwhile come first.
        if (takeOne())
            QTimer::singleShot(0, &work_, takeNext);
    };

    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Fetch, [&] {
        std::size_t left = static_cast<std::size_t>(maxRows);
        bool first = firstAlone;
        while (left > 0) {
            const auto started = std::chrono::steady_clock::now();
            const std::size_t limit = std::min(left, first ? std::size_t{1} : kBatchRows);
            first = false;
            PackedRows block;
            while (block.rowCount() < limit) {
                code =
                    singleRowMode ? lib_.OdbcFetchRowView(row_) : lib_.OdbcFetchBlockRowView(row_);
                if (code != 0)
                    break;
                const int n = std::min<int>(
                    std::clamp<int>(lib_.cursorColumnCount(), 0, OdbcLib::kMaxColumns),
                    static_cast<int>(row_.size()));
                if (row_.size() != static_cast<std::size_t>(n))
                    row_.resize(static_cast<std::size_t>(n));
                if (decode)
                    decode(row_);
                block.add(row_);
                if (cancelRequested_ || std::chrono::steady_clock::now() - started >= kBatchTime)
                    break;
            }
            left -= block.rowCount();
            if (block.rowCount() > 0) {
                const std::lock_guard lock(handover->mutex);
                handover->blocks.push_back(std::move(block));
                if (!handover->takePosted) {
                    handover->takePosted = true;
                    QMetaObject::invokeMethod(&work_, takeNext, Qt::QueuedConnection);
                }
            }
            if (code != 0 || cancelRequested_ || pauseRequested_)
                return;
        }
    });
    // Blocks the connection fetched faster than the window took them: events run before each,
    // so that a suspension or a stop pressed meanwhile still acts before the next.
    const auto blocksWait = [&handover] {
        const std::lock_guard lock(handover->mutex);
        return !handover->blocks.empty();
    };
    while (blocksWait()) {
        ConnectionWork::letGatedEventsRun();
        takeOne();
    }
    // The result was closed or replaced while its rows were on their way.
    if (generation != generation_)
        return 100;
    if (code != 0)
        fetchEnd_ = code;
    return code;
}

std::int16_t ODBCComm::DbStreamRows(const RowSink& onRow, std::chrono::milliseconds slice,
                                    StreamFetch how)
{
    if (!mayStart())
        return kBusy;
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Fetch, [&] {
        const auto until = std::chrono::steady_clock::now() + slice;
        std::vector<std::string_view>& row = row_;
        for (;;) {
            code = how == StreamFetch::Whole ? lib_.OdbcFetchRowWhole(row)
                                             : lib_.OdbcFetchBlockRowView(row);
            if (code != 0)
                return;
            const std::size_t n = std::min<std::size_t>(
                row.size(), static_cast<std::size_t>(std::clamp<int>(lib_.cursorColumnCount(), 0,
                                                                     OdbcLib::kMaxColumns)));
            if (row.size() != n)
                row.resize(n);
            if (!onRow(row) || std::chrono::steady_clock::now() >= until)
                return;
        }
    });
    return code;
}

bool ODBCComm::DbLiftRowCap()
{
    if (!work_.cursorHeld() || !mayStart())
        return false;
    bool lifted = false;
    work_.run(ConnectionWork::Kind::Fetch, [&] { lifted = lib_.OdbcLiftRowCap(); });
    return lifted;
}

void ODBCComm::DbCloseCursor()
{
    forgetFetchEnd();
    ++generation_;
    work_.setCursorHeld(false);
    if (work_.callInProgress()) {
        // A fetch job ends before its next block; the cursor closes when the call has ended.
        pauseRequested_ = true;
        closePending_ = true;
        return;
    }
    closeCursorNow();
}

void ODBCComm::closeCursorNow()
{
    work_.run(ConnectionWork::Kind::Fetch, [this] {
        lib_.OdbcCloseCursor();
        if (autocommitUntilClosed_) {
            autocommitUntilClosed_ = false;
            if (lib_.OdbcSetAutocommit(false) != 0)
                autocommitLeftOn_ = true;
        }
    });
}

QString ODBCComm::DbLastErrorText() const
{
    if (!refusal_.isEmpty())
        return refusal_;
    return fromUtf8(lib_.OdbcLastError());
}

void ODBCComm::DbShowError(std::int16_t code, const QString& title, QWidget* owner)
{
    try {
        // The text stays readable after the box: the COMMIT and ROLLBACK commands repeat it
        // in the status bar.
        QString text = codeText(code);
        if (code == -9)
            text += QStringLiteral(":データが重複しています。コードを変更して下さい。");
        else if (code == 100)
            text += QStringLiteral(":該当データがありません。コードを変更して下さい。");
        else if (work_.open())
            text += QStringLiteral(":以下のメッセージを参照。") + QLatin1Char('\n') +
                    fromUtf8(lib_.OdbcLastError());
        else
            text += QStringLiteral(":ＤＢ接続に失敗しています。") + QLatin1Char('\n') +
                    fromUtf8(lib_.OdbcLastError());
        warn(owner, title, text);
    } catch (...) {
        // An error box that cannot be shown must not take the program down with it.
    }
}

std::int16_t ODBCComm::DbListDataSources(int max, int& count, QStringList& names,
                                         QStringList& descriptions)
{
    if (!mayStart())
        return kBusy;
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Connect,
                 [&] { code = listDataSources(max, count, names, descriptions); });
    return code;
}

std::int16_t ODBCComm::listDataSources(int max, int& count, QStringList& names,
                                       QStringList& descriptions)
{
    count = 0;
    names.clear();
    descriptions.clear();
    std::string name;
    std::string description;
    std::int16_t code = 0;
    while ((code = lib_.OdbcNextDataSource(name, description)) == 0) {
        if (count < max) {
            names.append(fromUtf8(name));
            descriptions.append(fromUtf8(description));
            ++count;
        }
    }
    return code == 100 ? 0 : code;
}

std::int16_t ODBCComm::DbListDrivers(int max, int& count, QStringList& names)
{
    if (!mayStart())
        return kBusy;
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Connect, [&] { code = listDrivers(max, count, names); });
    return code;
}

std::int16_t ODBCComm::listDrivers(int max, int& count, QStringList& names)
{
    count = 0;
    names.clear();
    std::string description;
    std::string attributes;
    std::int16_t code = 0;
    while ((code = lib_.OdbcNextDriver(description, attributes)) == 0) {
        if (count < max) {
            names.append(fromUtf8(description));
            ++count;
        }
    }
    return code == 100 ? 0 : code;
}

std::int16_t ODBCComm::DbListObjects(const std::optional<QString>& owner, int& tableCount,
                                     QStringList& tables, int& viewCount, QStringList& views,
                                     int& otherCount, QStringList& others)
{
    if (!mayStart())
        return kBusy;
    // Where the driver keeps a result open beside a catalog read, a suspended fill stays.
    if (!lib_.catalogBesideCursor())
        releaseHeldCursor(true);
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Catalog, [&] {
        tableCount = 0;
        viewCount = 0;
        otherCount = 0;
        tables.clear();
        views.clear();
        others.clear();
        const std::optional<std::string> ownerText = toUtf8(owner);
        std::string type;
        std::string name;
        while ((code = lib_.OdbcNextTable(kObjectTypes, ownerText, type, name)) == 0) {
            if (type == "TABLE") {
                tables.append(fromUtf8(name));
                ++tableCount;
            } else if (type == "VIEW") {
                views.append(fromUtf8(name));
                ++viewCount;
            } else {
                others.append(fromUtf8(name));
                ++otherCount;
            }
        }
    });
    return code == 100 ? 0 : code;
}

std::int16_t ODBCComm::DbListColumns(const std::optional<QString>& owner, const QString& table,
                                     int max, int& count, QStringList& names,
                                     QStringList& typeTexts)
{
    if (!mayStart())
        return kBusy;
    // Where the driver keeps a result open beside a catalog read, a suspended fill stays.
    if (!lib_.catalogBesideCursor())
        releaseHeldCursor(true);
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Catalog, [&] {
        count = 0;
        names.clear();
        typeTexts.clear();
        const std::optional<std::string> ownerText = toUtf8(owner);
        const std::string tableText = toUtf8(table);
        std::string rowTable;
        std::string column;
        std::string typeText;
        while ((code = lib_.OdbcNextColumn(ownerText, tableText, rowTable, column, typeText)) ==
               0) {
            // The table name is a pattern to the driver ("_" matches any character).
            if (rowTable != tableText)
                continue;
            if (count < max) {
                names.append(fromUtf8(column));
                typeTexts.append(fromUtf8(typeText));
                ++count;
            }
        }
    });
    return code == 100 ? 0 : code;
}

std::int16_t ODBCComm::DbMarkKeyColumns(const std::optional<QString>& owner, const QString& table,
                                        int count, const QStringList& names,
                                        QVector<std::int16_t>& keyPositions)
{
    if (!mayStart())
        return kBusy;
    // Where the driver keeps a result open beside a catalog read, a suspended fill stays.
    if (!lib_.catalogBesideCursor())
        releaseHeldCursor(true);
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Catalog, [&] {
        count = std::clamp<int>(count, 0, static_cast<int>(names.size()));
        if (keyPositions.size() < count)
            keyPositions.resize(count, 0);
        const std::optional<std::string> ownerText = toUtf8(owner);
        const std::string tableText = toUtf8(table);
        std::string column;
        std::int16_t position = 0;
        while ((code = lib_.OdbcNextIndexColumn(ownerText, tableText, column, position)) == 0) {
            const QString name = fromUtf8(column);
            for (int i = 0; i < count; ++i) {
                if (names[i] == name) {
                    keyPositions[i] = position;
                    break;
                }
            }
        }
    });
    return code == 100 ? 0 : code;
}

bool ODBCComm::DbFailedStatementMayDropWrites() const
{
    return lib_.failedStatementMayDropWrites();
}

bool ODBCComm::DbSavepointsUndo() const
{
    return lib_.savepointsUndo();
}

bool ODBCComm::DbDdlCommitsItself() const
{
    return lib_.ddlCommitsItself();
}

sql::Dialect ODBCComm::DbDialect() const
{
    return lib_.isConnected() ? lib_.dialect() : sql::Dialect{};
}
