#pragma once

#include "odbc/OdbcLib.h"
#include "odbc/comm/ConnectionWork.h"
#include "odbc/comm/PendingWork.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Prompts;
class QWidget;
struct OpenedResult;
struct ResultSetInfo;

// The only door from the windows to OdbcLib: the busy pointer around database work, the
// message boxes of initialisation, connect, COMMIT and ROLLBACK failures, and the list loops
// over the one-row catalog enumerators. Status codes are OdbcLib's; texts are QString.
//
// Every driver call runs as a job on the connection's thread (ConnectionWork::run) while the
// window keeps painting; DbCancel stops the call in progress. work() tells what the connection
// is doing.
class ODBCComm {
public:
    ODBCComm(OdbcLib& lib, Prompts& prompts);
    ~ODBCComm();
    ODBCComm(const ODBCComm&) = delete;
    ODBCComm& operator=(const ODBCComm&) = delete;

    // Status of an operation refused because other work is running on the connection.
    static constexpr std::int16_t kBusy = -9999;

    ConnectionWork& work() { return work_; }
    const ConnectionWork& work() const { return work_; }
    // The user's statements since the last COMMIT or ROLLBACK that may have changed data; the
    // runner records them, every COMMIT, ROLLBACK and disconnect here clears them.
    PendingWork& pending() { return pending_; }
    const PendingWork& pending() const { return pending_; }
    // Counts every statement, COMMIT, ROLLBACK and disconnect sent: a savepoint set before a
    // statement still takes back just that statement while the count has not moved on.
    std::uint64_t DbStatementsSent() const { return statementsSent_; }
    // Counts the COMMITs and ROLLBACKs sent (also a failed one, and a load's own) and the
    // disconnects: a savepoint of the transaction is gone once it has moved on.
    std::uint64_t DbTransactionEnds() const { return transactionEnds_; }
    bool DbSavepointsUndo() const;
    bool DbDdlCommitsItself() const;
    // How the connected database reads SQL text (sql::Other when not connected).
    sql::Dialect DbDialect() const;
    // Ends whatever holds the result cursor (a suspended fill) before a catalog read, COMMIT,
    // ROLLBACK or disconnect needs the cursor gone. Without one, the cursor is simply closed.
    // forCatalog: the end is for a catalog read, which the driver cannot do beside a result.
    void setCursorHolder(std::function<void(bool forCatalog)> endHolder)
    {
        endCursorHolder_ = std::move(endHolder);
    }
    // Stops the execute or fetch in progress: the driver is asked to cancel the running call,
    // and a fetch batch ends before its next row. Safe to press twice.
    void DbCancel();

    // Allocates the environment; shows "INIT エラー" on failure. True on success.
    bool DbInit();
    // uid, pwd and connStr are in-out (the driver's completed string and the keys found in it).
    // 0, or -99 after the one message box that explains the failure.
    int DbConnect(QWidget* owner, const QString& dsn, QString& uid, QString& pwd,
                  const QString& driver, QString& connStr);
    // Commits and disconnects; 0, or -99 when a call failed. A COMMIT that fails is the one
    // failure shown: the work of the transaction is lost, and the user must know. With
    // RollBack the work is rolled back instead, without a box (an end nobody is there for).
    enum class EndOfWork { Commit, RollBack };
    int DbDisconnect(QWidget* owner = nullptr, EndOfWork end = EndOfWork::Commit);
    // Makes the open connection read-only for its session (OdbcSetReadOnly); the statements
    // it runs reach no history. 0 when set. When the database is not one whose server setting
    // is known, only the driver's access mode is set and, with tellUnguarded, a box says that
    // read-only is not guaranteed. On failure a box says so and the connection is closed:
    // -99, so it is never used as if it were read-only.
    int DbSetReadOnly(QWidget* owner, bool tellUnguarded);
    bool DbIsConnected() const { return work_.open(); }
    bool DbFailedStatementMayDropWrites() const; // a failure may take back earlier writes
    std::int16_t DbCommit(QWidget* owner = nullptr);
    std::int16_t DbRollback(QWidget* owner = nullptr);

    // maxRows > 0 caps the rows of a result in the driver (0: no cap).
    std::int16_t DbExecute(const QString& sql, std::int32_t maxRows = 0);
    // Executes sql and describes its result, if it has columns: the one start of the grid's
    // fill and of execute-and-save. A failed description leaves the cursor open for the
    // caller to close.
    OpenedResult DbOpenResult(const QString& sql, std::int32_t maxRows = 0);
    // DbOpenResult for execute-and-save. Where the driver streams a result only in autocommit
    // mode (SQLite ODBC), a statement that only reads (readsOnly, the caller's judgement of its
    // words) runs in autocommit mode when nothing is pending, until its cursor is closed: its
    // rows are then never all in memory at once.
    OpenedResult DbOpenResultToStream(const QString& sql, bool readsOnly);
    std::int32_t DbLastRowCount() const { return lastRowCount_; }
    // The true column count of the last result, which may exceed ResultSetInfo::kCapacity.
    std::int16_t DbLastColumnCount() const { return lastColumnCount_; }
    // info.columnCount must be set (from DbLastColumnCount); it is capped at kCapacity and the
    // names and kinds are filled. On failure info is left unchanged.
    std::int16_t DbDescribeResult(ResultSetInfo& info);
    // The next row of the open result into values.
    // One fetch job per row: for a single value or a short look, not for a fill.
    std::int16_t DbFetch(QVector<QString>& values, bool singleRowMode);
    // Decodes one fetched row on the connection's thread, as UTF-8 views it may point to parts
    // of their values (dates trimmed, widths measured), so that the window thread only makes
    // the texts and appends.
    using RowDecoder = std::function<void(std::vector<std::string_view>& values)>;
    using BlockSink = std::function<void(std::vector<QVector<QString>>& rows)>;
    // Up to maxRows rows of the open result in one job on the connection's thread, fetched in
    // blocks of up to 256 rows (the first of one row when firstAlone, so that its time is its
    // own), each decoded there and handed to onBlock on this thread as it arrives, while the
    // next block is fetched: the window appends what the connection has decoded. The job ends at
    // the end of the result (100), at a failure (its status), after maxRows rows, or before its
    // next block once DbPauseFetch or a stop was asked for (0). Blocks of a result closed or
    // replaced meanwhile are dropped (they have an earlier generation) and the call reports 100.
    std::int16_t DbFetchRows(int maxRows, bool singleRowMode, bool firstAlone,
                             const RowDecoder& decode, const BlockSink& onBlock);
    // Ends a DbFetchRows job before its next block (a suspension). Safe from any thread.
    void DbPauseFetch() { pauseRequested_ = true; }
    // Streaming a result into a file (execute-and-save): every value whole, one SQLFetch per
    // row, handed to onRow on the worker thread as UTF-8 views (NULL as empty; views last
    // until onRow returns) while the window's events run. A call ends after `slice`, when
    // onRow returns false, or at the end of the result: 0 when rows may remain (call again),
    // 100 at the end, else the failure's status. Views, not QStrings: a million rows are written as
    // bytes.
    using RowSink = std::function<bool(const std::vector<std::string_view>& values)>;
    // AsGrid goes on with a result the grid has begun to read, with the grid's fetch: its
    // values are the grid's texts, cut as the grid cuts them.
    enum class StreamFetch { Whole, AsGrid };
    std::int16_t DbStreamRows(const RowSink& onRow, std::chrono::milliseconds slice,
                              StreamFetch how = StreamFetch::Whole);
    // Lets the open result go on past the row cap it was executed with; false when its rows
    // past the cap cannot be read without executing it again.
    bool DbLiftRowCap();
    void DbCloseCursor();

    // The driver calls of long work that runs many statements without a result in a row (a
    // load), one piece after another on the worker thread: see DbRunStatements.
    class StatementCalls {
    public:
        // Executes one statement; its failure text is the last error. A result it may have is
        // not read (an INSERT has none) and never takes the cursor.
        std::int16_t execute(std::string_view utf8Sql);
        // Executes a statement with parameter markers once per row of values, as one piece
        // that fails as a whole (OdbcLib::OdbcExecuteBound): values never enter the text.
        std::int16_t executeBound(std::string_view utf8Sql, std::size_t columns,
                                  const std::vector<ParamValue>& values);
        // The failure text of the last call that failed, before a later call replaces it.
        QString lastErrorText() const;
        // Rows the last executeBound changed (-1 when the driver cannot say).
        std::int64_t boundRowCount();
        // The next row of the last executeBound's result (nullopt values are NULL); 100 when
        // there is none.
        std::int16_t fetchBoundRow(std::vector<std::optional<std::string>>& values);
        // What differs for the connected driver and database.
        const DriverTraits& traits() const;
        // Commits, as DbCommit does, but shows nothing: a failure is the caller's to show
        // (DbShowError with the code).
        std::int16_t commit();

    private:
        friend class ODBCComm;
        explicit StatementCalls(ODBCComm& db) : db_(db) {}
        ODBCComm& db_;
        bool committed_ = false;
        bool commitSent_ = false;
    };
    // Runs work on the worker thread while the window's events run, with the busy pointer
    // shown and the work marked on the connection (Kind::Transfer); inside work only the
    // calls of StatementCalls and plain values may be used, never widgets or boxes. One thread
    // serves many statements, so that a statement costs what the driver takes. False, with the
    // refusal as the last error, while another driver call is in progress.
    bool DbRunStatements(const std::function<void(StatementCalls&)>& work);

    QString DbLastErrorText() const;
    void DbShowError(std::int16_t code, const QString& title, QWidget* owner = nullptr);

    // List operations: the output lists are replaced (count == their size); 0 at the end of the
    // data, else the code that ended the list, with the elements read so far kept.
    std::int16_t DbListDataSources(int max, int& count, QStringList& names,
                                   QStringList& descriptions);
    std::int16_t DbListDrivers(int max, int& count, QStringList& names);
    // owner: std::nullopt lists every owner's objects; a present owner (even empty) is a
    // pattern passed to the driver as given.
    std::int16_t DbListObjects(const std::optional<QString>& owner, int& tableCount,
                               QStringList& tables, int& viewCount, QStringList& views,
                               int& otherCount, QStringList& others);
    // Columns of exactly this table (rows of other tables matching the name pattern dropped).
    std::int16_t DbListColumns(const std::optional<QString>& owner, const QString& table, int max,
                               int& count, QStringList& names, QStringList& typeTexts);
    // Sets keyPositions[i] to the position of names[i] in a unique index of the table; entries
    // of other columns keep their value. keyPositions is grown to count when shorter.
    std::int16_t DbMarkKeyColumns(const std::optional<QString>& owner, const QString& table,
                                  int count, const QStringList& names,
                                  QVector<std::int16_t>& keyPositions);

    // The key a result of the table can be edited by (OdbcLib::OdbcTableKey): the primary
    // key's columns in key order, else those of the first unique index without NULLs. kind is
    // the catalog's type of the object ("TABLE", "VIEW", ...), empty when none was found;
    // tableColumns are the table's column names.
    struct TableKey {
        QString kind;
        bool primary = false;
        QStringList columns;
        QStringList tableColumns;
    };
    std::int16_t DbTableKey(const std::optional<QString>& owner, const QString& table,
                            TableKey& key);
    // The session was made read-only (DbSetReadOnly).
    bool DbIsReadOnly() const { return lib_.readOnly(); }

private:
    void warn(QWidget* owner, const QString& title, const QString& text);
    // False (with the refusal as the last error) while a driver call is in progress.
    bool mayStart();
    // mayStart for a catalog read, which first ends a suspended fill where the driver cannot
    // keep its result open beside the read.
    bool mayReadCatalog();
    std::int16_t transact(bool commit, QWidget* owner);
    // Runs the driver calls of work on the connection's thread (ConnectionWork::run).
    void callOnWorker(ConnectionWork::Kind kind, const std::function<void()>& work);
    // A catalog read, COMMIT, ROLLBACK or disconnect needs the cursor gone: the result
    // holding it ends first.
    void releaseHeldCursor(bool forCatalog = false);
    // A new or closed cursor: its end is not known yet.
    void forgetFetchEnd();
    // Closes the cursor on the connection's thread; after a driver call in progress ends, when
    // one is.
    void closeCursorNow();
    // A fetched block on its way to the window thread: its values' bytes in one buffer, made
    // texts only there, so that the connection's thread fetches the next block meanwhile.
    class PackedRows {
    public:
        void add(const std::vector<std::string_view>& values);
        std::size_t rowCount() const { return rows_; }
        std::vector<QVector<QString>> unpack() const;

    private:
        std::string bytes_;
        std::vector<std::uint32_t> ends_;  // where each value ends in bytes_
        std::vector<std::uint32_t> cells_; // values per row
        std::vector<std::uint32_t> nulls_; // the NULL values' indexes, ascending
        std::size_t rows_ = 0;
    };
    std::int16_t listDataSources(int max, int& count, QStringList& names,
                                 QStringList& descriptions);
    std::int16_t listDrivers(int max, int& count, QStringList& names);

    OdbcLib& lib_;
    Prompts& prompts_;
    ConnectionWork work_;
    PendingWork pending_;
    std::uint64_t statementsSent_ = 0;
    std::uint64_t transactionEnds_ = 0;
    std::function<void(bool forCatalog)> endCursorHolder_;
    ConnectionWork::Stop driverStop_;
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> pauseRequested_{false};
    QString refusal_;
    std::uint64_t generation_ = 0;
    // The cursor was closed while a driver call was in progress: closed when the call ends.
    bool closePending_ = false;
    // Execute-and-save's result runs in autocommit mode (DbOpenResultToStream) until closed;
    // turning it off again failed, so the next statement tries first.
    bool autocommitUntilClosed_ = false;
    bool autocommitLeftOn_ = false;
    std::int32_t lastRowCount_ = 0;
    std::int16_t lastColumnCount_ = 0;
    // Row buffer reused by every fetch: views of the values in OdbcLib's buffers, so that the
    // per-row path allocates only the QStrings.
    std::vector<std::string_view> row_;
    // The status that ended the result, if it has ended.
    std::optional<std::int16_t> fetchEnd_;
};
