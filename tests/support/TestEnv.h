#pragma once

#include <string>

// Where the private test environment lives (see tests/fixture/testenv.sh).
namespace testenv {

// The build tree's testenv folder (environment variable QV_TESTENV).
std::string dir();
// The source tree (QV_SOURCE_DIR), for test data such as tests/data/chinook.
std::string sourceDir();
// Data source names of the private odbc.ini.
inline const char* kSqliteDsn = "QV_SQLITE";        // scratch SQLite database
inline const char* kChinookDsn = "QV_CHINOOK";      // Chinook sample in SQLite
inline const char* kDemoDsn = "QV_DEMO";            // the demo database
inline const char* kPgDsn = "QV_PG";                // PostgreSQL, UseDeclareFetch=1
inline const char* kPgDefaultDsn = "QV_PG_DEFAULT"; // PostgreSQL, driver defaults
inline const char* kPgChinookDsn = "QV_PG_CHINOOK"; // Chinook sample in PostgreSQL
inline const char* kMyDsn = "QV_MY";                // MariaDB, Connector/ODBC
inline const char* kMyChinookDsn = "QV_MY_CHINOOK"; // Chinook sample in MariaDB
inline const char* kPgUser = "qvtest";
inline const char* kPgPassword = "qvtest-secret";
inline const char* kMyUser = "qvtest";
inline const char* kMyPassword = "qvtest-secret";

// A DSN-less connection string for a fresh SQLite database file in a temporary folder.
std::string freshSqliteConnStr(const std::string& fileName);
// Stops / starts the test PostgreSQL server (for fault tests). True on success.
bool pgStop();
bool pgStart();
// TCP port of the test PostgreSQL server.
int pgPort();
// The same for the test MariaDB server.
bool myStop();
bool myStart();
int myPort();

} // namespace testenv
