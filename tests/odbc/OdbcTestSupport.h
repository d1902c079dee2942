#pragma once

#include "Backend.h"
#include "TestEnv.h"
#include "odbc/OdbcLib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A quoted name: MariaDB quotes with backticks (double quotes are texts there).
inline std::string quoted(const Backend& backend, const std::string& name)
{
    return backend.mariadb ? "`" + name + "`" : "\"" + name + "\"";
}

// Connects an instance with a full connection string (dsn and driver empty).
inline std::int16_t connectWith(OdbcLib& lib, const std::string& connStr)
{
    if (!lib.hasEnvironment())
        lib.OdbcInitEnv();
    std::string uid;
    std::string pwd;
    std::string conn = connStr;
    return lib.OdbcConnect(nullptr, "", uid, pwd, "", conn);
}

struct ExecResult {
    std::int16_t code = 0;
    std::int32_t rows = 0;
    std::int16_t cols = 0;
};

inline ExecResult exec(OdbcLib& lib, const std::string& sql, std::int32_t maxRows = 0)
{
    ExecResult r;
    r.code = lib.OdbcExecute(sql, r.rows, r.cols, maxRows);
    return r;
}

// Executes and expects success, reporting the driver's text otherwise.
inline void execOk(OdbcLib& lib, const std::string& sql)
{
    const ExecResult r = exec(lib, sql);
    ASSERT_EQ(r.code, 0) << sql << "\n" << lib.OdbcLastError();
}

// Drops a table that may not exist (PostgreSQL reports the notice as success with
// information, which the layer counts as a failure) and commits.
inline void dropTable(OdbcLib& lib, const std::string& table)
{
    exec(lib, "DROP TABLE IF EXISTS " + table);
    lib.OdbcCommit();
}

// The library holds no connection: a statement is refused before it reaches a driver.
inline bool holdsNoConnection(OdbcLib& lib)
{
    return exec(lib, "SELECT 1").code == 9999;
}

enum class FetchMode { Row, Block };

// The block fetch the program reads its rows with, its views copied out: they last only until
// the next fetch.
inline std::int16_t fetchBlockRow(OdbcLib& lib, std::vector<std::string>& values)
{
    std::vector<std::string_view> views;
    const std::int16_t code = lib.OdbcFetchBlockRowView(views);
    if (code == 0)
        values.assign(views.begin(), views.end());
    return code;
}

inline std::int16_t fetch(OdbcLib& lib, FetchMode mode, std::vector<std::string>& values)
{
    return mode == FetchMode::Row ? lib.OdbcFetchRow(values) : fetchBlockRow(lib, values);
}

// Every remaining row of the cursor; the final status in *end.
inline std::vector<std::vector<std::string>> fetchAll(OdbcLib& lib, FetchMode mode,
                                                      std::int16_t* end = nullptr)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> values;
    std::int16_t code = 0;
    while ((code = fetch(lib, mode, values)) == 0)
        rows.emplace_back(values.begin(), values.begin() + std::min<int>(lib.cursorColumnCount(),
                                                                         OdbcLib::kMaxColumns));
    if (end != nullptr)
        *end = code;
    return rows;
}

// A row source of 1..n that both SQLite and PostgreSQL understand.
inline std::string seriesSql(int n)
{
    return "WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < " +
           std::to_string(n) + ") SELECT n FROM s";
}
