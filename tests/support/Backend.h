#pragma once

#include <gtest/gtest.h>

#include <string>

// The real drivers that a shared behaviour test runs against, as its test parameter.
struct Backend {
    const char* name;
    bool postgres;
    bool mariadb = false;
};

inline const Backend kBackends[] = {
    {"SQLite", false, false}, {"PostgreSQL", true, false}, {"MariaDB", false, true}};

std::string backendName(const testing::TestParamInfo<Backend>& info);

// A connection string for a scratch database of the backend. SQLite gets a fresh file per
// call; PostgreSQL and MariaDB share one database each, so tests use their own table names.
std::string scratchConnStr(const Backend& backend, const std::string& fileName);

// The data source of the Chinook sample in the backend's database.
const char* chinookDsn(const Backend& backend);

// The same names for tests whose parameter is a data source of the private odbc.ini
// (testenv::kSqliteDsn, kPgDsn, kMyDsn, ...).
std::string dsnDriverName(const testing::TestParamInfo<const char*>& info);
