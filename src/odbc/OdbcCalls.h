#pragma once

#include "odbc/OdbcLib.h"

#include <sql.h>

#include <mutex>

// What the parts of OdbcLib (its connection, execute, fetch and catalog files) share about
// driver calls; nothing outside OdbcLib includes it.
namespace odbccalls {

inline bool succeeded(SQLRETURN rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

} // namespace odbccalls

// Marks a statement as busy in a driver call for the call's duration.
class OdbcLib::BusyStatement {
public:
    BusyStatement(OdbcLib& lib, Handle statement) : lib_(lib)
    {
        std::lock_guard lock(lib_.busyMutex_);
        lib_.busyStmt_ = statement;
    }
    ~BusyStatement()
    {
        std::lock_guard lock(lib_.busyMutex_);
        lib_.busyStmt_ = nullptr;
    }
    BusyStatement(const BusyStatement&) = delete;
    BusyStatement& operator=(const BusyStatement&) = delete;

private:
    OdbcLib& lib_;
};
