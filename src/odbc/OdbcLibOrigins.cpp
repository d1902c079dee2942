// Where a result's columns come from, and the key of a table: what editing a result by its
// table's key needs to know from the driver.
#include "odbc/OdbcLib.h"

#include "odbc/OdbcCalls.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <map>
#include <sql.h>
#include <sqlext.h>

using odbccalls::argument;
using odbccalls::catalogNumber;
using odbccalls::succeeded;

std::int16_t OdbcLib::OdbcDescribeOrigins(std::vector<ColumnOrigin>& origins)
{
    const int n = cursorColumnsHandled();
    origins.assign(static_cast<std::size_t>(n), ColumnOrigin());
    const auto read = [this](int column, SQLUSMALLINT field, std::string& out) {
        SQLCHAR text[kSlotBytes] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLColAttribute(cursorStmt_, static_cast<SQLUSMALLINT>(column + 1),
                                             field, text, sizeof text, &length, nullptr);
        if (!succeeded(rc))
            return rc;
        const auto* bytes = reinterpret_cast<const char*>(text);
        storeDriverText(bytes, strnlen(bytes, sizeof text - 1), sizeof text - 1,
                        length >= SQLSMALLINT(sizeof text - 1), out);
        return SQLRETURN(SQL_SUCCESS);
    };
    for (int i = 0; i < n; ++i) {
        ColumnOrigin& o = origins[static_cast<std::size_t>(i)];
        SQLRETURN rc = read(i, SQL_DESC_BASE_TABLE_NAME, o.table);
        if (succeeded(rc))
            rc = read(i, SQL_DESC_BASE_COLUMN_NAME, o.column);
        if (!succeeded(rc))
            return OdbcCheckResult(rc);
        // A schema is a help, not a need: a driver without one names none.
        if (!succeeded(read(i, SQL_DESC_SCHEMA_NAME, o.schema)))
            o.schema.clear();
        // SQLite names an expression's column by its label; without a table it is no column.
        if (o.table.empty())
            o.column.clear();
        const auto number = [&](SQLUSMALLINT field) {
            SQLLEN value = 0;
            if (!succeeded(SQLColAttribute(cursorStmt_, static_cast<SQLUSMALLINT>(i + 1), field,
                                           nullptr, 0, nullptr, &value)))
                value = 0;
            return value;
        };
        o.sqlType = static_cast<std::int16_t>(number(SQL_DESC_CONCISE_TYPE));
        const bool decimal = o.sqlType == SQL_DECIMAL || o.sqlType == SQL_NUMERIC;
        o.size = static_cast<std::int32_t>(
            std::clamp<SQLLEN>(number(decimal ? SQL_DESC_PRECISION : SQL_DESC_LENGTH), 0, INT_MAX));
        o.decimals = static_cast<std::int16_t>(decimal ? number(SQL_DESC_SCALE) : 0);
        o.autoNumbered = number(SQL_DESC_AUTO_UNIQUE_VALUE) == SQL_TRUE;
        o.unsignedColumn = number(SQL_DESC_UNSIGNED) == SQL_TRUE;
    }
    return 0;
}

std::int16_t OdbcLib::beginOwnCatalog()
{
    endCatalog();
    if (!catalogBesideCursor_)
        releaseCursor();
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    const SQLRETURN rc = SQLAllocStmt(dbc_, &stmt);
    if (succeeded(rc))
        catalogStmt_ = stmt;
    return OdbcCheckResult(rc);
}

std::int16_t OdbcLib::readCatalogRows(int columns, std::vector<std::vector<std::string>>& rows)
{
    rows.clear();
    std::vector<std::string> row;
    for (;;) {
        const int rc = fetchOnce(catalogStmt_);
        if (rc == SQL_NO_DATA)
            break;
        if (rc != SQL_SUCCESS)
            return OdbcCheckResult(rc);
        const int status = OdbcGetRowData(catalogStmt_, columns, row, kMaxCatalogTextBytes);
        if (status != 0)
            return OdbcCheckResult(status);
        rows.emplace_back(row.begin(), row.begin() + columns);
    }
    SQLFreeStmt(catalogStmt_, SQL_CLOSE);
    return 0;
}

std::int16_t OdbcLib::OdbcTableKey(const std::optional<std::string>& owner,
                                   const std::string& table, TableKey& key)
{
    key = TableKey();
    std::int16_t code = beginOwnCatalog();
    if (code != 0)
        return code;
    const CatalogScope scope = catalogScope(owner, table);
    const odbccalls::TextArg c = argument(scope.catalog);
    const odbccalls::TextArg o = argument(scope.owner);
    const odbccalls::TextArg t = argument(scope.table);
    std::vector<std::vector<std::string>> rows;
    const auto ask = [&](SQLRETURN rc, int columns) -> std::int16_t {
        const std::int16_t status = OdbcCheckResult(rc);
        return status != 0 ? status : readCatalogRows(columns, rows);
    };

    // The table name is a pattern to SQLTables and SQLColumns ("_" matches any character):
    // rows of other names are dropped.
    code = ask(
        SQLTables(catalogStmt_, c.text, c.length, o.text, o.length, t.text, t.length, nullptr, 0),
        odbccalls::kTableColumns);
    for (const auto& r : rows)
        if (r[2] == scope.table) {
            key.kind = r[3];
            break;
        }
    // A view or anything else has no key to edit its rows by.
    if (code != 0 || key.kind != "TABLE") {
        endCatalog();
        return code;
    }
    // The table's columns: which the result shows, and which take no NULL.
    std::map<std::string, bool> notNull;
    code = ask(
        SQLColumns(catalogStmt_, c.text, c.length, o.text, o.length, t.text, t.length, nullptr, 0),
        odbccalls::kColumnColumns);
    for (const auto& r : rows)
        if (r[2] == scope.table) {
            key.tableColumns.push_back(r[3]);
            notNull[r[3]] = r[10] == "0";
        }
    if (code == 0)
        code =
            ask(SQLPrimaryKeys(catalogStmt_, c.text, c.length, o.text, o.length, t.text, t.length),
                odbccalls::kPrimaryKeyColumns);
    if (code == 0 && !rows.empty()) {
        std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
            return catalogNumber(a[4]) < catalogNumber(b[4]);
        });
        for (const auto& r : rows)
            key.columns.push_back(r[3]);
        key.primary = true;
        endCatalog();
        return 0;
    }
    std::map<std::string, std::vector<std::pair<int, std::string>>> indexes;
    if (code == 0)
        code = ask(SQLStatistics(catalogStmt_, c.text, c.length, o.text, o.length, t.text, t.length,
                                 SQL_INDEX_UNIQUE, SQL_QUICK),
                   odbccalls::kStatisticsColumns);
    endCatalog();
    if (code != 0)
        return code;
    // Rows of type SQL_TABLE_STAT describe the table, not an index.
    for (const auto& r : rows)
        if (r[6] != "0" && r[3] == "0")
            indexes[r[5]].emplace_back(catalogNumber(r[7]), r[8]);
    for (auto& [name, columns] : indexes) {
        const bool allNotNull = std::all_of(columns.begin(), columns.end(),
                                            [&](const auto& c) { return notNull[c.second]; });
        if (!allNotNull)
            continue;
        std::sort(columns.begin(), columns.end());
        for (const auto& col : columns)
            key.columns.push_back(col.second);
        break;
    }
    return 0;
}

std::int64_t OdbcLib::OdbcBoundRowCount()
{
    SQLLEN rows = -1;
    if (boundStmt_ == nullptr || !succeeded(SQLRowCount(boundStmt_, &rows)))
        return -1;
    return rows;
}

std::int16_t OdbcLib::OdbcFetchBoundRow(std::vector<std::optional<std::string>>& values)
{
    values.clear();
    if (boundStmt_ == nullptr)
        return 100;
    SQLSMALLINT columns = 0;
    SQLRETURN rc = SQLNumResultCols(boundStmt_, &columns);
    if (!succeeded(rc))
        return OdbcCheckResult(rc);
    rc = SQLFetch(boundStmt_);
    if (rc == SQL_NO_DATA)
        return 100;
    if (!succeeded(rc))
        return OdbcCheckResult(rc);
    std::vector<char> buffer(kSlotBytes);
    for (SQLSMALLINT c = 1; c <= columns; ++c) {
        std::string text;
        bool null = false;
        // Long values come in pieces; each piece but the last fills the buffer less its NUL.
        for (;;) {
            SQLLEN indicator = 0;
            rc = SQLGetData(boundStmt_, static_cast<SQLUSMALLINT>(c), SQL_C_CHAR, buffer.data(),
                            static_cast<SQLLEN>(buffer.size()), &indicator);
            if (rc == SQL_NO_DATA)
                break;
            if (!succeeded(rc))
                return OdbcCheckResult(rc);
            if (indicator == SQL_NULL_DATA) {
                null = true;
                break;
            }
            const std::size_t piece =
                indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(buffer.size())
                    ? buffer.size() - 1
                    : static_cast<std::size_t>(indicator);
            text.append(buffer.data(), piece);
            if (rc == SQL_SUCCESS)
                break;
        }
        if (null)
            values.emplace_back(std::nullopt);
        else
            values.emplace_back(std::string(wholeText(text, text.size())));
    }
    return 0;
}
