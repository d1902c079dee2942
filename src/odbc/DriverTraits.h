#pragma once

#include "sql/SqlLexer.h"

#include <string>
#include <string_view>

// What differs between drivers and databases, decided once at connect: one record, so that a
// new quirk is one edit here (a predicate below and its field in DriverTraits).
//
// Per-driver connection and statement defaults keep a large result from filling memory.
//
// psqlODBC reads a whole result into memory when a statement is executed, unless it fetches
// through a cursor (its option UseDeclareFetch=1): a million-row SELECT would then cost
// hundreds of megabytes before the first row shows. Most data sources are made without the
// option, so the program asks for it when connecting, in the connection string given to the
// driver: UseDeclareFetch=1, and Fetch (rows per cursor read) equal to the program's block size.
// MariaDB Connector/ODBC reads a whole result at execute time as well; from 3.1.17 on its
// option NO_CACHE=1 streams a forward-only result instead (earlier versions ignore the key).
// A data source or connection string that sets an option keeps its own value; strings for
// other drivers come back unchanged.
std::string withFetchDefaults(const std::string& connStr);

// True when the driver, named as in odbcinst.ini or by its library path, is psqlODBC.
bool isPsqlOdbcDriver(const std::string& driver);
// True when the driver, named as in odbcinst.ini or by its library path, is MariaDB
// Connector/ODBC.
bool isMariaDbDriver(const std::string& driver);
// True when the driver, named as in odbcinst.ini or by its library path, is SQLite ODBC.
bool isSqliteOdbcDriver(const std::string& driver);

// The driver reads any column of any row of a fetched block again with SQLSetPos and
// SQLGetData. psqlODBC 13.02 does; MariaDB Connector/ODBC 3.1.15 claims it (SQL_GD_BLOCK) but
// then reads the block's first row and ends the result early.
bool driverGetsDataOfAnyBlockRow(const std::string& driverFile);

// SQLite ODBC 0.9998 with StepAPI=1 (asked for at connect) steps through a result row by row
// only in autocommit mode; otherwise it computes the whole result at the execute.
bool driverStreamsOnlyInAutocommit(const std::string& driverFile);

// True when the connection string's driver (DRIVER=, else the data source's) is MariaDB
// Connector/ODBC. On Linux it has no login dialog: asked to complete a connection that fails
// (a server that does not answer), it reports "Dialog failed" instead of the reason, so it is
// connected without prompting.
bool usesMariaDbDriver(const std::string& connStr);
// The same for SQLite ODBC.
bool usesSqliteOdbcDriver(const std::string& connStr);

// Whether the row cap may be left to the driver (SQL_MAX_ROWS), by the driver's file name as
// SQLGetInfo(SQL_DRIVER_NAME) reports it. Only drivers known to stop the result without
// touching the statement qualify: MariaDB Connector/ODBC appends "LIMIT n" to the statement
// text, which breaks every statement that is not a plain SELECT. For any other driver the
// layer keeps the cap alone.
bool driverMaxRowsKeepsMeaning(const std::string& driverFile);

// True when a result executed under SQL_MAX_ROWS holds no row past the cap, so that its rest
// cannot be read by lifting the cap afterwards: SQLite ODBC reads the capped rows at execute.
// psqlODBC fetching through a cursor goes on once the cap is lifted (tests/odbc/RowCapTest.cpp).
bool driverMaxRowsEndsResult(const std::string& driverFile);

// True when the driver, named by its library file as SQL_DRIVER_NAME gives it, can take an
// SQLCancel from another thread while a fetch is in progress on the statement. MariaDB's
// Connector/ODBC 3.1 reads from a result it already holds and takes such a cancel for a close
// of the cursor under the running fetch (a crash, seen in the tests): its fetches are stopped
// between rows only.
bool driverCancelsFetches(const std::string& driverFile);

// True when the driver, by its library file and version as SQL_DRIVER_NAME and SQL_DRIVER_VER
// give them, keeps an open result fetchable, whole and in order while a catalog enumeration
// runs to its end on a second statement of the connection (checked by
// tests/odbc/OdbcStatementTest.cpp for each driver named here). Then a catalog read in the
// object tree need not end a suspended result.
bool driverKeepsResultBesideCatalog(const std::string& driverFile,
                                    const std::string& driverVersion);

// True when the row cap of a plain SELECT (plainTopLevelSelect) is given to the server as the
// session's sql_select_limit around the statement, by the driver's library file and version:
// MariaDB Connector/ODBC before 3.1.17 reads a whole result at execute, so without it a large
// table is read whole before its first row shows. The result is then held by the driver, so
// the setting is put back on a second statement right after the execute.
bool driverCapsSelectsInSession(const std::string& driverFile, const std::string& driverVersion);

// psqlODBC 13.02 declares a cursor for a statement that starts with SELECT or WITH, but not for
// one that starts with a comment.
bool driverSkipsCursorAfterComment(const std::string& driverFile);

// True when a failed statement may take back the writes made before it in the transaction, by
// the driver's library file. psqlODBC 13.02 rolls back only the failed statement when it fails
// while running, but a statement that fails to parse aborts the whole transaction; SQLite and
// MariaDB take back only the failed statement.
bool driverFailureMayDropWrites(const std::string& driverFile);

// True when a savepoint set before a statement can take the statement back (ROLLBACK TO
// SAVEPOINT) inside the open transaction, without changing what the statement does or what
// COMMIT commits: checked for SQLite ODBC 0.9998, psqlODBC 13.02 and MariaDB Connector/ODBC
// 3.1.15 over InnoDB (tests/sqlexec).
bool driverSavepointsUndo(const std::string& driverFile);

// True when DDL commits the transaction by itself, savepoints with it (MariaDB).
bool driverDdlCommitsItself(const std::string& driverFile);

// Everything above for one connection, filled once at connect from the driver's library file
// and version (SQL_DRIVER_NAME, SQL_DRIVER_VER) and the database's name (SQL_DBMS_NAME).
struct DriverTraits {
    // How the database reads SQL text (on MariaDB its sql_mode is read after connecting).
    sql::Dialect dialect;
    bool maxRowsKeepsMeaning = false;
    bool maxRowsEndsResult = false;
    bool cancelsFetches = false;
    bool failureMayDropWrites = false;
    bool savepointsUndo = false;
    bool ddlCommitsItself = false;
    bool skipsCursorAfterComment = false;
    bool streamsOnlyInAutocommit = false;
    bool getsDataOfAnyBlockRow = false;
    bool capsSelectsInSession = false;
    bool keepsResultBesideCatalog = false;
    // The statement that makes a session read-only, and the query asked after every statement
    // of a read-only session whose one value says whether it still is ("1", "on" or "ON").
    std::string readOnlyStatement;
    std::string readOnlyCheck;
    // A load's batch goes as one parameter array of a one-row INSERT (MariaDB Connector/ODBC
    // sends it in one go, and a row then means what it means alone); elsewhere as one INSERT
    // of many rows of markers, which psqlODBC and SQLite ODBC run four times faster than an
    // array they execute row by row.
    bool batchesAsParameterArrays = true;
    // Bound texts go as SQL_C_WCHAR instead of UTF-8 (drivers not known to take UTF-8 as it is).
    bool bindsWideText = true;
    // The driver gives a bound value the type of its C buffer, whatever the column (SQLite
    // ODBC): a number from a file is bound as a number, as the same text in SQL would be.
    bool typesValuesByBuffer = false;
    // An UPDATE's row count is the rows it changed, not those it found (MariaDB Connector/ODBC
    // 3.1.15 without the FOUND_ROWS bit of OPTION): a row set to the values it holds counts 0.
    bool countsChangedRows = false;
};

DriverTraits driverTraits(const std::string& driverFile, const std::string& driverVersion,
                          std::string_view dbms);
