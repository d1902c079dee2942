#include "odbc/OdbcLib.h"

#include "odbc/OdbcCalls.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <sql.h>
#include <sqlext.h>

using odbccalls::succeeded;

namespace {

using odbccalls::argument;
using odbccalls::catalogNumber;
using odbccalls::kColumnColumns;
using odbccalls::kStatisticsColumns;
using odbccalls::kTableColumns;
using odbccalls::TextArg;

std::int16_t toPosition(const std::string& text)
{
    return static_cast<std::int16_t>(std::clamp(catalogNumber(text), INT16_MIN, INT16_MAX));
}

} // namespace

std::int16_t OdbcLib::OdbcNextDataSource(std::string& name, std::string& description)
{
    const SQLUSMALLINT direction = dataSourcesStarted_ ? SQL_FETCH_NEXT : SQL_FETCH_FIRST;
    dataSourcesStarted_ = true;
    SQLCHAR nameBuffer[256] = {};
    SQLCHAR descriptionBuffer[256] = {};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    const SQLRETURN rc =
        SQLDataSources(env_, direction, nameBuffer, sizeof nameBuffer, &nameLength,
                       descriptionBuffer, sizeof descriptionBuffer, &descriptionLength);
    if (rc != SQL_SUCCESS) {
        dataSourcesStarted_ = false;
        return OdbcCheckResult(rc);
    }
    const auto* n = reinterpret_cast<const char*>(nameBuffer);
    const auto* d = reinterpret_cast<const char*>(descriptionBuffer);
    storeDriverText(n, strnlen(n, 255), 255, false, name);
    storeDriverText(d, strnlen(d, 255), 255, false, description);
    return 0;
}

std::int16_t OdbcLib::OdbcNextDriver(std::string& description, std::string& attributes)
{
    const SQLUSMALLINT direction = driversStarted_ ? SQL_FETCH_NEXT : SQL_FETCH_FIRST;
    driversStarted_ = true;
    SQLCHAR descriptionBuffer[256] = {};
    SQLCHAR attributeBuffer[256] = {};
    SQLSMALLINT descriptionLength = 0;
    SQLSMALLINT attributeLength = 0;
    const SQLRETURN rc =
        SQLDrivers(env_, direction, descriptionBuffer, sizeof descriptionBuffer, &descriptionLength,
                   attributeBuffer, sizeof attributeBuffer, &attributeLength);
    if (rc != SQL_SUCCESS) {
        driversStarted_ = false;
        return OdbcCheckResult(rc);
    }
    const auto* d = reinterpret_cast<const char*>(descriptionBuffer);
    const auto* a = reinterpret_cast<const char*>(attributeBuffer);
    storeDriverText(d, strnlen(d, 255), 255, false, description);
    // The attribute list is NUL-separated: only its first key=value pair is read.
    storeDriverText(a, strnlen(a, 255), 255, false, attributes);
    return 0;
}

std::optional<std::string> OdbcLib::currentCatalog()
{
    // Asked at every enumeration: a USE statement changes it.
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!succeeded(SQLGetInfo(dbc_, SQL_DATABASE_NAME, name, sizeof name - 1, &length)))
        return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(name);
    std::string out;
    storeDriverText(text, strnlen(text, sizeof name - 1), sizeof name - 1, false, out);
    if (out.empty())
        return std::nullopt;
    return out;
}

OdbcLib::CatalogScope OdbcLib::catalogScope(const std::optional<std::string>& owner,
                                            std::string_view table)
{
    CatalogScope scope;
    std::string scratch;
    scope.table = std::string(toDriverText(table, scratch));
    if (objectsInCatalogs_)
        scope.catalog = currentCatalog();
    else if (owner)
        scope.owner = std::string(toDriverText(*owner, scratch));
    return scope;
}

std::int16_t OdbcLib::catalogNext(Catalog kind, const std::optional<std::string>& owner,
                                  const std::string& table, const std::string& types)
{
    bool& started = kind == Catalog::Tables    ? tablesStarted_
                    : kind == Catalog::Columns ? columnsStarted_
                                               : statisticsStarted_;
    if (!started) {
        // One enumeration at a time: one left unfinished by another kind ends here.
        endCatalog();
        if (!catalogBesideCursor_)
            releaseCursor();
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        const SQLRETURN alloc = SQLAllocStmt(dbc_, &stmt);
        if (succeeded(alloc))
            catalogStmt_ = stmt;
        std::int16_t code = OdbcCheckResult(alloc);
        if (code != 0)
            return code;

        const CatalogScope scope = catalogScope(owner, table);
        std::string typesScratch;
        const std::string typesText(toDriverText(types, typesScratch));
        const TextArg o = argument(scope.owner);
        const TextArg c = argument(scope.catalog);
        const TextArg t = argument(scope.table);

        SQLRETURN rc = SQL_ERROR;
        int columns = 0;
        switch (kind) {
        case Catalog::Tables: {
            const TextArg ty = argument(typesText);
            rc = SQLTables(catalogStmt_, c.text, c.length, o.text, o.length, nullptr, 0, ty.text,
                           ty.length);
            columns = kTableColumns;
            break;
        }
        case Catalog::Columns:
            rc = SQLColumns(catalogStmt_, c.text, c.length, o.text, o.length, t.text, t.length,
                            nullptr, 0);
            columns = kColumnColumns;
            break;
        case Catalog::Statistics:
            rc = SQLStatistics(catalogStmt_, c.text, c.length, o.text, o.length, t.text, t.length,
                               SQL_INDEX_UNIQUE, SQL_QUICK);
            columns = kStatisticsColumns;
            break;
        }
        code = OdbcCheckResult(rc);
        if (code != 0) {
            endCatalog();
            return code;
        }
        started = true;
        catalogColumns_ = columns;
    }

    for (;;) {
        const SQLRETURN rc = fetchOnce(catalogStmt_);
        int status = rc;
        if (rc == SQL_SUCCESS) {
            status =
                OdbcGetRowData(catalogStmt_, catalogColumns_, catalogRow_, kMaxCatalogTextBytes);
            // Statistics rows of the table itself (type SQL_TABLE_STAT) describe no column.
            if (status == 0 && kind == Catalog::Statistics && catalogRow_[6] == "0")
                continue;
        } else if (rc == SQL_NO_DATA) {
            std::fill(catalogRow_.begin(), catalogRow_.end(), std::string());
        }
        const std::int16_t code = OdbcCheckResult(status);
        // The next call after the end or a failure starts over.
        if (status != 0)
            endCatalog();
        return code;
    }
}

std::int16_t OdbcLib::OdbcNextTable(const std::string& types,
                                    const std::optional<std::string>& owner, std::string& tableType,
                                    std::string& tableName)
{
    const std::int16_t code = catalogNext(Catalog::Tables, owner, std::string(), types);
    if (code == 0) {
        tableType = catalogRow_[3];
        tableName = catalogRow_[2];
    } else if (code == 100) {
        tableType.clear();
        tableName.clear();
    }
    return code;
}

std::int16_t OdbcLib::OdbcNextColumn(const std::optional<std::string>& owner,
                                     const std::string& table, std::string& tableName,
                                     std::string& columnName, std::string& typeText)
{
    const std::int16_t code = catalogNext(Catalog::Columns, owner, table, std::string());
    if (code == 0) {
        const std::vector<std::string>& row = catalogRow_;
        tableName = row[2];
        columnName = row[3];
        typeText = row[5];
        typeText += '(';
        typeText += row[6];
        if (!row[8].empty()) {
            typeText += ',';
            typeText += row[8];
        }
        typeText += ')';
        if (row[10] == "0")
            typeText += " NOT NULL";
    } else if (code == 100) {
        tableName.clear();
        columnName.clear();
        typeText.clear();
    }
    return code;
}

std::int16_t OdbcLib::OdbcNextIndexColumn(const std::optional<std::string>& owner,
                                          const std::string& table, std::string& columnName,
                                          std::int16_t& position)
{
    const std::int16_t code = catalogNext(Catalog::Statistics, owner, table, std::string());
    if (code == 0) {
        columnName = catalogRow_[8];
        position = toPosition(catalogRow_[7]);
    } else if (code == 100) {
        columnName.clear();
        position = 0;
    }
    return code;
}
