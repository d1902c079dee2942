// The results of ODBCComm: opening and describing a result, reading its rows into the grid
// (blocks fetched on the connection's thread, taken on the window thread as they arrive) or
// streaming them into a file, and closing the cursor.
#include "odbc/comm/ODBCComm.h"

#include "base/BusyCursor.h"
#include "odbc/comm/CommText.h"

#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

using namespace commtext;

namespace {

// A fetch batch on the connection's thread ends after this many rows or this long, whichever
// comes first, so that the rows shown and the counter follow at least that often.
constexpr std::size_t kBatchRows = 256;
constexpr auto kBatchTime = std::chrono::milliseconds(20);

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
    std::vector<OdbcLib::ColumnOrigin> origins;
    std::int16_t code = 0;
    callOnWorker(ConnectionWork::Kind::Execute, [&] {
        code = lib_.OdbcDescribeColumns(names, kinds);
        // Read while the result is fresh; a driver that cannot say leaves no origins, and
        // nothing of the result is then offered for editing.
        if (code == 0 && lib_.OdbcDescribeOrigins(origins) != 0)
            origins.clear();
    });
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
    info.origins.clear();
    if (origins.size() >= static_cast<std::size_t>(n)) {
        info.origins.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const OdbcLib::ColumnOrigin& o = origins[static_cast<std::size_t>(i)];
            info.origins.push_back({fromUtf8(o.schema), fromUtf8(o.table), fromUtf8(o.column),
                                    o.sqlType, o.size, o.decimals, o.autoNumbered,
                                    o.unsignedColumn});
        }
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
