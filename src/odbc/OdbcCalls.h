#pragma once

#include "odbc/OdbcLib.h"

#include <sql.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <mutex>
#include <optional>
#include <string>

// What the parts of OdbcLib (its connection, execute, fetch and catalog files) share about
// driver calls; nothing outside OdbcLib includes it.
namespace odbccalls {

inline bool succeeded(SQLRETURN rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// Result columns read per row of the catalog functions (their ODBC 2 layouts).
inline constexpr int kTableColumns = 4;      // SQLTables
inline constexpr int kPrimaryKeyColumns = 5; // SQLPrimaryKeys
inline constexpr int kStatisticsColumns = 9; // SQLStatistics
inline constexpr int kColumnColumns = 11;    // SQLColumns

// A text argument of a catalog function.
struct TextArg {
    SQLCHAR* text = nullptr;
    SQLSMALLINT length = 0;
};

// A present text, even empty, goes as given.
inline TextArg argument(const std::string& text)
{
    return {reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
            static_cast<SQLSMALLINT>(std::min<std::size_t>(text.size(), SHRT_MAX))};
}

// An absent text is a null argument (all owners, every catalog).
inline TextArg argument(const std::optional<std::string>& text)
{
    return text ? argument(*text) : TextArg{};
}

// A number column of a catalog row (a key's or an index column's position); 0 when unreadable.
inline int catalogNumber(const std::string& text)
{
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
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
