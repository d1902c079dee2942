#include "Backend.h"

#include "TestEnv.h"

#include <string_view>

std::string backendName(const testing::TestParamInfo<Backend>& info)
{
    return info.param.name;
}

std::string scratchConnStr(const Backend& backend, const std::string& fileName)
{
    if (backend.postgres)
        return std::string("DSN=") + testenv::kPgDsn + ";";
    if (backend.mariadb)
        return std::string("DSN=") + testenv::kMyDsn + ";";
    return testenv::freshSqliteConnStr(fileName);
}

const char* chinookDsn(const Backend& backend)
{
    if (backend.mariadb)
        return testenv::kMyChinookDsn;
    return backend.postgres ? testenv::kPgChinookDsn : testenv::kChinookDsn;
}

std::string dsnDriverName(const testing::TestParamInfo<const char*>& info)
{
    const std::string_view dsn(info.param);
    if (dsn.substr(0, 5) == "QV_PG")
        return "PostgreSQL";
    if (dsn.substr(0, 5) == "QV_MY")
        return "MariaDB";
    return "SQLite";
}
