#pragma once

#include "odbc/DriverTraits.h"
#include "odbc/ParamValue.h"
#include "sql/SqlStatement.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The procedural layer over the ODBC 2.x call set: one environment, one connection, the
// execution statement, the one open cursor and the statement of a catalog enumeration, with the
// program's status-code convention.
// Texts are UTF-8 std::string both ways; no Qt here.
//
// Status codes (16-bit): 0 success, 100 no (more) data, the negated native code of the first
// diagnostic (-9 when that is 1; clamped to -32768..32767), -9999 error without native code,
// -9998 success-with-information without native code, 9999 invalid handle, else the raw
// ODBC return passed through.
class OdbcLib {
public:
    // unixODBC handles are plain pointers; kept opaque so that users need not include sql.h.
    using Handle = void*;

    // Column capacity of a described or fetched result. Results with more columns report
    // their true count from OdbcExecute, but only the first kMaxColumns are described and
    // fetched.
    static constexpr int kMaxColumns = 1000;
    // Rows per SQLExtendedFetch block and bytes per bound value slot.
    static constexpr int kBlockRows = 256;
    static constexpr int kSlotBytes = 256;
    // Longest value delivered, in UTF-8 bytes, cut on a character boundary.
    static constexpr std::size_t kMaxValueBytes = 254;
    // Longest name a catalog read delivers: a name cut like a value would name no object, and
    // the statements built from it would fail. Far beyond what the servers allow (PostgreSQL 63
    // bytes, MariaDB 64 characters); SQLite has no limit of its own.
    static constexpr std::size_t kMaxCatalogTextBytes = 1024;

    // Column kinds of OdbcDescribeColumns.
    static constexpr std::int16_t kKindOther = 0;
    static constexpr std::int16_t kKindChar = 1;
    static constexpr std::int16_t kKindDateTime = 2;

    OdbcLib() = default;
    ~OdbcLib();
    OdbcLib(const OdbcLib&) = delete;
    OdbcLib& operator=(const OdbcLib&) = delete;

    // --- environment and connection ---

    // Raw ODBC return of allocating the environment (0 on success).
    int OdbcInitEnv();
    // Raw return of releasing the environment; 0 when there is none. An open connection is
    // disconnected first so that no handle is left behind.
    int OdbcFreeEnv();
    // ownerWindow is the native window handle for a driver's login dialog, or nullptr.
    // uid, pwd and connStr are in-out. A failed connect releases the connection handle.
    std::int16_t OdbcConnect(Handle ownerWindow, const std::string& dsn, std::string& uid,
                             std::string& pwd, const std::string& driver, std::string& connStr);
    // Commits, then releases statements and the connection. Bitwise OR of the raw returns
    // (0 when all succeeded or when not connected).
    int OdbcDisconnect();
    std::int16_t OdbcCommit();
    std::int16_t OdbcRollback();
    // Makes the open connection refuse writes for the rest of the session, by the server's own
    // session setting where the database is known (PostgreSQL, MariaDB/MySQL, SQLite), and
    // commits it so that a later ROLLBACK cannot take it back. Also asks the driver for
    // SQL_MODE_READ_ONLY, which some drivers ignore. serverEnforced: false when the database
    // is none of those, so only the driver's access mode stands. 0, or the status of the call
    // that failed (the connection is then not read-only and should not be used as such).
    std::int16_t OdbcSetReadOnly(bool& serverEnforced);
    // Autocommit on or off (the program keeps it off); 0 or the failure's status.
    std::int16_t OdbcSetAutocommit(bool on);
    // The driver streams a result only in autocommit mode (driverStreamsOnlyInAutocommit).
    bool streamsOnlyInAutocommit() const { return traits_.streamsOnlyInAutocommit; }

    // Status code of a raw ODBC return; collects the diagnostics of the execution statement,
    // cursor statement, connection and environment, in that order, as the last error.
    std::int16_t OdbcCheckResult(int rawReturn);
    const std::string& OdbcLastError() const { return lastErrorText_; }
    std::string OdbcTakeLastError();
    std::int16_t OdbcLastErrorCode() const { return lastErrorCode_; }

    // Byte length of a text as given to the driver (UTF-8 bytes).
    static std::size_t AnsiByteLength(std::string_view text) { return text.size(); }
    // Status code for the native code of a diagnostic record (non-zero native).
    static std::int16_t StatusFromNative(std::int64_t native);

    // --- statements and rows ---

    // Executes one statement. rows: affected rows of a statement without result columns (as
    // the driver reports it, -1 when unknown). cols: result columns, 0 when none (the true
    // count, even beyond kMaxColumns). maxRows > 0 stops a result after that many rows: the
    // fetches stop there, and drivers that keep the statement's meaning under SQL_MAX_ROWS
    // are asked for it too (driverMaxRowsKeepsMeaning), MariaDB's before 3.1.17 has the server
    // cut a plain SELECT by sql_select_limit (driverCapsSelectsInSession); a driver that
    // refuses the option runs it uncapped.
    std::int16_t OdbcExecute(std::string_view sql, std::int32_t& rows, std::int16_t& cols,
                             std::int32_t maxRows = 0);
    // Executes a statement whose result, if it has one, is not wanted (a load's INSERTs), on
    // the execution statement that its previous call left, instead of a new statement per
    // call; the result is discarded by the next call. COMMIT and ROLLBACK as OdbcExecute.
    std::int16_t OdbcExecuteAgain(std::string_view sql);
    // Executes a statement with `columns` parameter markers once for each row of values (row
    // after row in values), prepared once and kept while the text stays the same (a load's
    // INSERT). Several rows go as one parameter array (SQL_ATTR_PARAMSET_SIZE) where the driver
    // takes it, else row by row; either way it fails as a whole when any row fails. The values
    // of one parameter are of one kind, NULL aside. Texts go as wide characters where the
    // driver takes them (bindsWideText), so that no code page of the driver changes them.
    // Prepared, not executed directly: psqlODBC sets its own savepoint (statement-level
    // rollback) in the same query as a statement executed directly, and PostgreSQL parses a
    // query whole first, so a statement that did not parse took the whole transaction with it.
    std::int16_t OdbcExecuteBound(std::string_view sql, std::size_t columns,
                                  const std::vector<ParamValue>& values);
    // Names and kinds of the cursor's columns (at most kMaxColumns); the vectors are grown
    // to the described count when they are shorter.
    // Every column of the open result is a table's column with a declared type. SQLite ODBC
    // streaming in autocommit mode (streamsOnlyInAutocommit) types any other column as text
    // before its rows, where it otherwise takes the type of the first row's value.
    bool OdbcResultColumnsDeclared();
    std::int16_t OdbcDescribeColumns(std::vector<std::string>& names,
                                     std::vector<std::int16_t>& kinds);
    // Where a described column comes from, as the driver names it: its base table and base
    // column, and the table's schema where the driver gives one. An empty table is a computed
    // column (an expression, an aggregate, on some drivers a UNION's column). Read with the
    // narrow SQLColAttribute: the wide one garbles names beyond ASCII on SQLite and psqlODBC
    // ANSI.
    struct ColumnOrigin {
        std::string schema;
        std::string table;
        std::string column;
        // The column's concise SQL type, its size (characters, or a decimal's precision) and
        // scale, and whether the database numbers it by itself.
        std::int16_t sqlType = 0;
        std::int32_t size = 0;
        std::int16_t decimals = 0;
        bool autoNumbered = false;
        bool unsignedColumn = false;
    };
    // Origins of the open result's described columns (as many as OdbcDescribeColumns gives).
    std::int16_t OdbcDescribeOrigins(std::vector<ColumnOrigin>& origins);
    // Rows the last OdbcExecuteBound changed, as the driver counts them (-1 when it cannot say).
    std::int64_t OdbcBoundRowCount();
    // The next row of the result of the last OdbcExecuteBound (a SELECT by key), each value as
    // UTF-8 text or nullopt for NULL; 100 when there is none. The result is closed by the next
    // OdbcExecuteBound.
    std::int16_t OdbcFetchBoundRow(std::vector<std::optional<std::string>>& values);
    // One row as texts (NULL as empty), one SQLFetch per row. 100 after the last row.
    std::int16_t OdbcFetchRow(std::vector<std::string>& values);
    // The same as views, without a copy of each value: a view shows the driver's bytes when
    // they are delivered as they are, else a repaired copy kept here. Views stay valid until
    // the next fetch or the end of the cursor.
    std::int16_t OdbcFetchRowView(std::vector<std::string_view>& values);
    // As OdbcFetchRowView, served from 256-row blocks when the driver offers SQLExtendedFetch.
    std::int16_t OdbcFetchBlockRowView(std::vector<std::string_view>& values);
    // One row with every value whole, however long (the rest of a long value is read with
    // further SQLGetData calls), for streaming a result into a file: valid UTF-8, NULL as
    // empty. Read in blocks where the driver allows it (wholeBlockFetch_), else one SQLFetch
    // per row. Views stay valid until the next fetch or the end of the cursor. 100 after the
    // last row.
    std::int16_t OdbcFetchRowWhole(std::vector<std::string_view>& values);
    // Reads columns 1..n of the statement's current row with SQLGetData, each cut at maxBytes
    // on a character boundary; 0 or the raw return of the first failing read.
    int OdbcGetRowData(Handle statement, int n, std::vector<std::string>& values,
                       std::size_t maxBytes = kMaxValueBytes);
    // Closes and releases the cursor statement, if any. A catalog enumeration beside it goes on.
    void OdbcCloseCursor();
    // Lets the open result go on past the row cap it was executed with. False when its rows
    // past the cap cannot be read (the driver stopped the result at execute).
    bool OdbcLiftRowCap();
    // Asks the driver to stop the statement call in progress on another thread (an execute or
    // a fetch); does nothing when no call is in progress. The call then returns as the driver
    // reports it. Safe to call from any thread.
    void OdbcCancel();

    // --- catalog enumerators: 0 row delivered, 100 end, other failure ---
    // Table, column and index enumerations read on a statement of their own. Where the driver
    // keeps an open result beside it (catalogBesideCursor) the result stays fetchable; elsewhere
    // the first call of an enumeration ends the open result. A statement executed meanwhile
    // ends an enumeration in progress, so that its next call starts over.

    std::int16_t OdbcNextDataSource(std::string& name, std::string& description);
    std::int16_t OdbcNextDriver(std::string& description, std::string& attributes);
    // owner: nullopt means all owners; a present owner (even empty) is passed as given. On a
    // driver whose objects live in catalogs (objectsInCatalogs) the owner is not used and the
    // objects are those of the current catalog.
    std::int16_t OdbcNextTable(const std::string& types, const std::optional<std::string>& owner,
                               std::string& tableType, std::string& tableName);
    std::int16_t OdbcNextColumn(const std::optional<std::string>& owner, const std::string& table,
                                std::string& tableName, std::string& columnName,
                                std::string& typeText);
    std::int16_t OdbcNextIndexColumn(const std::optional<std::string>& owner,
                                     const std::string& table, std::string& columnName,
                                     std::int16_t& position);

    // A table's key, by catalog calls only: the primary key's columns in key order, else the
    // first unique index (by name) whose columns are all NOT NULL. kind is the catalog's type
    // of the object ("TABLE", "VIEW", ...), empty when no object of that name was found.
    // tableColumns are the table's column names (read for a TABLE only). Read on a statement
    // of its own, as the enumerations are; it ends one in progress.
    struct TableKey {
        std::string kind;
        bool primary = false;
        std::vector<std::string> columns;
        std::vector<std::string> tableColumns;
    };
    std::int16_t OdbcTableKey(const std::optional<std::string>& owner, const std::string& table,
                              TableKey& key);

    // --- state, for the layer above and for tests ---

    // What differs for this connection's driver and database, decided at connect.
    const DriverTraits& traits() const { return traits_; }
    // How the database reads SQL text now (MariaDB's follows its sql_mode). Any thread.
    sql::Dialect dialect() const;
    bool hasEnvironment() const { return env_ != nullptr; }
    bool blockFetchAvailable() const { return blockFetchAvailable_; }
    // The connection's driver is given the row cap as SQL_MAX_ROWS.
    bool driverCapsRows() const { return traits_.maxRowsKeepsMeaning; }
    // The driver keeps objects in catalogs (databases) and has no owners, as MariaDB's does:
    // catalog enumerations then read the current catalog's objects and ignore the owner.
    bool objectsInCatalogs() const { return objectsInCatalogs_; }
    // A catalog enumeration leaves the open result fetchable, whole and in order
    // (driverKeepsResultBesideCatalog); when false it ends the result.
    bool catalogBesideCursor() const { return catalogBesideCursor_; }
    // A failed statement may take back the transaction's earlier writes
    // (driverFailureMayDropWrites): a caller that counts rows written since the last COMMIT
    // must ask the database whether they are still there.
    bool failedStatementMayDropWrites() const { return traits_.failureMayDropWrites; }
    // A savepoint can take back the last statement (driverSavepointsUndo); DDL commits by
    // itself (driverDdlCommitsItself), so no savepoint outlives it.
    bool savepointsUndo() const { return traits_.savepointsUndo; }
    bool ddlCommitsItself() const { return traits_.ddlCommitsItself; }
    // The session was made read-only (OdbcSetReadOnly).
    bool readOnly() const { return readOnly_; }
    bool cursorAllocated() const { return cursorAllocated_; }
    std::int16_t cursorColumnCount() const { return cursorColumns_; }
    const std::string& keptConnectionString() const { return keptConnStr_; }

    // Diagnostic counts of driver fetch calls since construction or the last reset.
    std::uint64_t extendedFetchCalls() const { return extendedFetchCalls_; }
    std::uint64_t fetchCalls() const { return fetchCalls_; }
    void resetCallCounters()
    {
        extendedFetchCalls_ = 0;
        fetchCalls_ = 0;
    }

private:
    enum class Catalog { Tables, Columns, Statistics };

    static void dropStatement(Handle& statement);
    void releaseCursor();
    // Releases the catalog statement; the enumeration in progress, if any, starts over.
    void endCatalog();
    void releaseConnectionHandle(bool disconnect);
    // The driver knows the server is gone (drivers without the option say no).
    bool connectionDead();
    int fetchOnce(Handle statement);
    // Starts a catalog statement of its own for OdbcTableKey (catalogStmt_, so that its
    // diagnostics are read), ending an enumeration in progress. The status.
    std::int16_t beginOwnCatalog();
    // Every row of the catalog statement's result, its first `columns` columns; the status.
    std::int16_t readCatalogRows(int columns, std::vector<std::vector<std::string>>& rows);
    std::int16_t catalogNext(Catalog kind, const std::optional<std::string>& owner,
                             const std::string& table, const std::string& types);
    // The connection's current catalog as the driver reports it; nullopt when it has none.
    std::optional<std::string> currentCatalog();
    // The catalog, owner and table arguments of a catalog function, in the driver's text: a
    // driver without owners (MariaDB) is asked in its current catalog, since an owner means
    // nothing to it and without a catalog it lists the objects of every database on the server.
    struct CatalogScope {
        std::optional<std::string> catalog;
        std::optional<std::string> owner;
        std::string table;
    };
    CatalogScope catalogScope(const std::optional<std::string>& owner, std::string_view table);
    // Runs a statement of the layer's own on a statement handle of its own, beside an open
    // result; value, when given, gets the first column of its first row. False on failure.
    bool runAside(const std::string& sql, std::string* value);
    // On a read-only session: false, or true with the refusal as the last error, for a statement
    // that could undo the setting.
    bool refusedOnReadOnly(const sql::StatementEffect& effect);
    // Whether the statement is a plain COMMIT or ROLLBACK, sent as the transaction call.
    sql::TransactionEnd transactionEnd(std::string_view sql,
                                       const sql::StatementEffect& effect) const;
    // After a statement: the dialect follows a changed sql_mode, and a read-only session is
    // asked whether it still is; where not, the transaction is rolled back, the session made
    // read-only again and 0 is not returned (the last error says so).
    std::int16_t afterStatement(const sql::StatementEffect& effect);
    // MariaDB's backslash escapes and quotes follow the session's sql_mode.
    void readSqlMode();
    // Sets the session's sql_select_limit to maxRows when it is higher; gives the value to put
    // back, empty when nothing was changed.
    std::string capSelectInSession(std::int32_t maxRows);
    // Puts the session's own sql_select_limit back (selectLimitToRestore_ when it fails).
    void restoreSelectLimit(const std::string& value);
    // Columns handled by describe and fetch: the cursor's, capped at kMaxColumns.
    int cursorColumnsHandled() const;
    // Moves to the next row of the block cursor, fetching the next block when one is used
    // up; row tells whether blockIndex_ then names a row. The raw result.
    int stepBlockCursor(bool& row);
    void viewBlockRow(std::vector<std::string_view>& values);
    // The next row of the block cursor with every value whole: a value longer than its slot is
    // read again from its row (SQLSetPos, then SQLGetData). The raw result.
    int fetchBlockRowWhole(std::vector<std::string_view>& values);
    // One column of the current row, however long, into value; out views it (empty view for
    // NULL). The raw result.
    int readWholeValue(int column, std::string& value, std::string_view& out);
    // The first length bytes of value as valid UTF-8, repaired in place when they are not.
    static std::string_view wholeText(std::string& value, std::size_t length);

    // Bytes from the driver (up to their first NUL, at most n) into valid UTF-8 of at most
    // maxBytes, cut on a character boundary. full: the driver filled its buffer, so the value
    // may have been cut inside a character.
    static void storeDriverText(const char* bytes, std::size_t n, std::size_t maxBytes, bool full,
                                std::string& out);
    // storeDriverText would deliver these bytes unchanged.
    static bool driverTextAsIs(const char* bytes, std::size_t n, std::size_t maxBytes, bool full);
    // A text for the driver: itself when it is valid UTF-8, else repaired into scratch.
    static std::string_view toDriverText(std::string_view text, std::string& scratch);

    // Environment and connection.
    Handle env_ = nullptr;
    Handle dbc_ = nullptr;
    std::string keptConnStr_;
    bool connected_ = false;
    bool blockFetchAvailable_ = false;
    // The whole-value fetch reads blocks too: the driver lets SQLGetData read a bound column of
    // any row of the block (driverGetsDataOfAnyBlockRow).
    bool wholeBlockFetch_ = false;
    DriverTraits traits_;
    // The session was made read-only (OdbcSetReadOnly): statements that could undo it are
    // refused, and after every statement the server is asked whether it still is.
    bool readOnly_ = false;
    // traits_.dialect for other threads (it changes with the session's sql_mode).
    std::atomic<sql::Dialect> dialectShared_{};
    // The session's own sql_select_limit, when putting it back after a capped SELECT failed:
    // put back before the next statement.
    std::string selectLimitToRestore_;
    // The open result was cut at its cap by the server (sql_select_limit).
    bool cappedInServer_ = false;
    bool objectsInCatalogs_ = false;
    bool catalogBesideCursor_ = false;

    // Statements.
    Handle execStmt_ = nullptr;
    // The prepared statement of OdbcExecuteBound, its text, and its parameter buffers.
    Handle boundStmt_ = nullptr;
    std::string boundSql_;
    // What OdbcExecuteBound read of its last text, under which dialect and read-only setting:
    // an apply's reread runs one SELECT for every row, and reading it each time cost more than
    // the rest of this layer's part of the row on SQLite.
    struct BoundEffect {
        bool known = false;
        std::string sql;
        sql::Dialect dialect;
        bool readOnly = false;
        sql::StatementEffect effect;
    } boundEffect_;
    std::vector<std::vector<char>> paramBuffers_;
    std::vector<std::vector<std::int64_t>> paramIndicators_;
    std::vector<std::uint16_t> paramStatus_;
    // The driver took no parameter array: rows go one by one.
    bool paramArraysRefused_ = false;
    // execStmt_ was allocated by OdbcExecuteAgain (no row cap) and may serve it again.
    bool execStmtReusable_ = false;
    Handle cursorStmt_ = nullptr;
    bool cursorAllocated_ = false;
    std::int16_t cursorColumns_ = 0;
    std::int32_t cursorRowsFetched_ = 0;
    // Row cap of the cursor's statement (0: none), enforced here as well as in the driver.
    std::int32_t cursorMaxRows_ = 0;

    // Block fetch: column-wise bound buffers of kBlockRows slots per column.
    std::vector<char> blockValues_;
    std::vector<std::int64_t> blockIndicators_;
    std::int32_t blockRowsDelivered_ = 0;
    std::int16_t blockIndex_ = 0;
    std::int32_t blockRowsInBlock_ = 0;
    int blockColumns_ = 0;
    // Values of the viewing fetches that are not viewed in the block buffer.
    std::vector<std::string> viewCopies_;
    // Values of the whole-value fetch, each buffer kept at the largest size it needed.
    std::vector<std::string> wholeValues_;
    // Views of the copying block fetch, reused between rows.

    // Catalog first-call flags: set while an enumeration of that kind is in progress.
    bool dataSourcesStarted_ = false;
    bool driversStarted_ = false;
    bool tablesStarted_ = false;
    bool columnsStarted_ = false;
    bool statisticsStarted_ = false;
    // The statement of the table, column or index enumeration in progress, and its columns.
    Handle catalogStmt_ = nullptr;
    int catalogColumns_ = 0;
    // Row buffer of the catalog enumerators, reused between calls.
    std::vector<std::string> catalogRow_;

    std::int16_t lastErrorCode_ = 0;
    std::string lastErrorText_;

    // The statement whose execute or fetch is in progress, for OdbcCancel from another thread.
    // SQLCancel on an idle statement would close its cursor, so only a busy one is cancelled.
    class BusyStatement;
    std::mutex busyMutex_;
    Handle busyStmt_ = nullptr;

    std::uint64_t extendedFetchCalls_ = 0;
    std::uint64_t fetchCalls_ = 0;
};
