#include "odbc/OdbcLib.h"

#include "odbc/OdbcCalls.h"

#include "odbc/DriverTraits.h"

#include "sql/SqlStatement.h"
#include "text/CodePage.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <sql.h>
#include <sqlext.h>
#include <type_traits>

static_assert(std::is_same_v<SQLLEN, std::int64_t>,
              "the block indicator buffer is bound as SQLLEN values");

using odbccalls::succeeded;

namespace {

// What the layer needs to know of a statement before sending it: whether it ends the
// transaction (sent as the transaction call, which keeps the driver's own state right), whether
// it sets MariaDB's sql_mode, and on a read-only session whether it could undo the setting. Read
// only when one of them can be at stake, so that a load's INSERTs cost no reading.
sql::StatementEffect effectOf(std::string_view sql, const sql::Dialect& dialect, bool readOnly)
{
    std::size_t i = 0;
    while (i < sql.size() && sql::isBlank(sql[i]))
        ++i;
    const char c = i < sql.size() ? sql[i] : '\0';
    const char upper = static_cast<char>(c & ~0x20);
    if (!readOnly && upper != 'C' && upper != 'R' && upper != 'E' && upper != 'S' && c != '/' &&
        c != '-' && c != '#')
        return {};
    return sql::classifyStatement(sql, dialect);
}

constexpr const char* kTextRefusedReadOnly =
    "[OdbcLib]読取専用の接続では実行できません（読取専用を解除しうるSQL、またはDDL）。";
constexpr const char* kTextReadOnlyRestored =
    "[OdbcLib]読取専用が解除されていたため、ROLLBACKして読取専用に戻しました。";

std::int16_t kindOf(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
        return OdbcLib::kKindChar;
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    // ODBC 3 codes, in case a driver reports them despite the ODBC 2 environment.
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
        return OdbcLib::kKindDateTime;
    default:
        return OdbcLib::kKindOther;
    }
}

constexpr std::size_t kSlot = OdbcLib::kSlotBytes;
constexpr std::size_t kRows = OdbcLib::kBlockRows;

} // namespace

void OdbcLib::OdbcCancel()
{
    // Held while cancelling, so the statement cannot be freed under the call.
    std::lock_guard lock(busyMutex_);
    if (busyStmt_ != nullptr)
        SQLCancel(busyStmt_);
}

std::int16_t OdbcLib::OdbcExecute(std::string_view sql, std::int32_t& rows, std::int16_t& cols,
                                  std::int32_t maxRows)
{
    const sql::StatementEffect effect = effectOf(sql, traits_.dialect, readOnly_);
    if (const auto end = transactionEnd(sql, effect); end != sql::TransactionEnd::None) {
        rows = 0;
        cols = 0;
        return end == sql::TransactionEnd::Commit ? OdbcCommit() : OdbcRollback();
    }
    if (refusedOnReadOnly(effect))
        return lastErrorCode_;

    // A half-read catalog enumeration is not continued after other work on the connection.
    endCatalog();
    dropStatement(execStmt_);
    execStmtReusable_ = false;

    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLRETURN rc = SQLAllocStmt(dbc_, &stmt);
    if (succeeded(rc))
        execStmt_ = stmt;
    std::int16_t code = OdbcCheckResult(rc);
    if (code != 0)
        return code;

    code = OdbcCheckResult(SQLSetStmtOption(execStmt_, SQL_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY));
    if (code != 0)
        return code;
    if (maxRows > 0 && traits_.maxRowsKeepsMeaning) {
        // A driver that refuses the cap runs the statement uncapped; its complaint is
        // cleared by the execution below.
        SQLSetStmtOption(execStmt_, SQL_MAX_ROWS, static_cast<SQLULEN>(maxRows));
    }
    if (!selectLimitToRestore_.empty())
        restoreSelectLimit(selectLimitToRestore_);
    // The server sends no more than the cap of a plain SELECT, instead of a whole result the
    // driver would read before the first row. Where the setting fails, the statement runs
    // uncapped.
    const std::string ownSelectLimit = maxRows > 0 && traits_.capsSelectsInSession &&
                                               sql::plainTopLevelSelect(sql, traits_.dialect)
                                           ? capSelectInSession(maxRows)
                                           : std::string();

    std::string scratch;
    const std::string_view text = toDriverText(sql, scratch);
    std::string copy(text);
    // psqlODBC would run a WITH that writes inside a DECLARE CURSOR, which PostgreSQL refuses;
    // it declares none for a statement that starts with a comment. The statement is the same.
    if (traits_.skipsCursorAfterComment && sql::writingWith(text, traits_.dialect))
        copy.insert(0, "/* */ ");
    {
        const BusyStatement busy(*this, execStmt_);
        rc = SQLExecDirect(execStmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(copy.c_str())),
                           static_cast<SQLINTEGER>(std::min<std::size_t>(copy.size(), INT32_MAX)));
    }
    // A result the server cut at the cap has no rest to read later.
    cappedInServer_ = !ownSelectLimit.empty();
    // The driver holds the result by now; the next statement runs with the session's own limit.
    if (!ownSelectLimit.empty())
        restoreSelectLimit(ownSelectLimit);
    code = OdbcCheckResult(rc);
    if (afterStatement(effect) != 0)
        return lastErrorCode_;
    if (code != 0)
        return code;

    SQLSMALLINT columns = 0;
    code = OdbcCheckResult(SQLNumResultCols(execStmt_, &columns));
    if (code != 0)
        return code;

    if (columns < 1) {
        SQLLEN count = 0;
        code = OdbcCheckResult(SQLRowCount(execStmt_, &count));
        if (code != 0)
            return code;
        rows = static_cast<std::int32_t>(std::clamp<SQLLEN>(count, INT32_MIN, INT32_MAX));
        cols = 0;
        return 0;
    }

    cursorRowsFetched_ = 0;
    releaseCursor();
    cursorStmt_ = execStmt_;
    cursorAllocated_ = true;
    cursorColumns_ = columns;
    cursorMaxRows_ = std::max<std::int32_t>(maxRows, 0);
    execStmt_ = nullptr;
    rows = 0;
    cols = columns;
    return 0;
}

bool OdbcLib::runAside(const std::string& sql, std::string* value)
{
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!succeeded(SQLAllocStmt(dbc_, &stmt)))
        return false;
    bool ok = succeeded(
        SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS));
    if (ok && value != nullptr) {
        // Room for a whole sql_mode.
        char text[1024] = {};
        SQLLEN length = 0;
        ok = SQLFetch(stmt) == SQL_SUCCESS &&
             succeeded(SQLGetData(stmt, 1, SQL_C_CHAR, text, sizeof text, &length)) && length >= 0;
        if (ok)
            *value = text;
    }
    SQLFreeStmt(stmt, SQL_DROP);
    return ok;
}

std::string OdbcLib::capSelectInSession(std::int32_t maxRows)
{
    std::string own;
    if (!runAside("SELECT @@SESSION.sql_select_limit", &own) || own.empty() ||
        !std::all_of(own.begin(), own.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    // A limit of the user's at or below the cap stands as it is.
    if (own.size() < 19 && std::stoll(own) <= maxRows)
        return {};
    if (!runAside("SET SESSION sql_select_limit = " + std::to_string(maxRows), nullptr))
        return {};
    return own;
}

void OdbcLib::restoreSelectLimit(const std::string& value)
{
    const bool done = runAside("SET SESSION sql_select_limit = " + value, nullptr);
    selectLimitToRestore_ = done ? std::string() : value;
}

std::int16_t OdbcLib::OdbcExecuteAgain(std::string_view sql)
{
    const sql::StatementEffect effect = effectOf(sql, traits_.dialect, readOnly_);
    if (const auto end = transactionEnd(sql, effect); end != sql::TransactionEnd::None)
        return end == sql::TransactionEnd::Commit ? OdbcCommit() : OdbcRollback();
    if (refusedOnReadOnly(effect))
        return lastErrorCode_;
    endCatalog();
    if (!selectLimitToRestore_.empty())
        restoreSelectLimit(selectLimitToRestore_);
    if (execStmtReusable_ && execStmt_ != nullptr) {
        SQLFreeStmt(execStmt_, SQL_CLOSE);
    } else {
        dropStatement(execStmt_);
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        const SQLRETURN rc = SQLAllocStmt(dbc_, &stmt);
        if (succeeded(rc))
            execStmt_ = stmt;
        std::int16_t code = OdbcCheckResult(rc);
        if (code != 0)
            return code;
        code =
            OdbcCheckResult(SQLSetStmtOption(execStmt_, SQL_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY));
        if (code != 0)
            return code;
        execStmtReusable_ = true;
    }
    std::string scratch;
    const std::string_view text = toDriverText(sql, scratch);
    SQLRETURN rc = SQL_SUCCESS;
    {
        const BusyStatement busy(*this, execStmt_);
        // The length is given, so the text needs no terminating NUL of its own.
        auto* data = reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.data()));
        const auto length = static_cast<SQLINTEGER>(std::min<std::size_t>(text.size(), INT32_MAX));
        rc = SQLExecDirect(execStmt_, data, length);
    }
    const std::int16_t code = OdbcCheckResult(rc);
    if (afterStatement(effect) != 0)
        return lastErrorCode_;
    return code;
}

sql::TransactionEnd OdbcLib::transactionEnd(std::string_view sql,
                                            const sql::StatementEffect& effect) const
{
    // effectOf read it when it could be one.
    if (!effect.commits && !effect.rollsBack)
        return sql::TransactionEnd::None;
    return sql::transactionEndOf(sql, traits_.dialect);
}

bool OdbcLib::refusedOnReadOnly(const sql::StatementEffect& effect)
{
    if (!readOnly_ || !sql::refusedWhenReadOnly(effect, traits_.dialect))
        return false;
    lastErrorCode_ = -9999;
    lastErrorText_ = kTextRefusedReadOnly;
    return true;
}

std::int16_t OdbcLib::afterStatement(const sql::StatementEffect& effect)
{
    if (effect.changesSqlMode)
        readSqlMode();
    if (!readOnly_ || traits_.readOnlyCheck.empty())
        return 0;
    std::string value;
    const bool asked = runAside(traits_.readOnlyCheck, &value);
    if (asked && (value == "1" || value == "on" || value == "ON"))
        return 0;
    // Whatever the statement did, nothing of it may reach a COMMIT: the transaction goes, and
    // the session is made read-only again. A check that cannot be asked counts as lost too.
    releaseCursor();
    SQLTransact(env_, dbc_, SQL_ROLLBACK);
    if (!traits_.readOnlyStatement.empty() && runAside(traits_.readOnlyStatement, nullptr))
        SQLTransact(env_, dbc_, SQL_COMMIT);
    lastErrorCode_ = -9999;
    lastErrorText_ = kTextReadOnlyRestored;
    return lastErrorCode_;
}

void OdbcLib::readSqlMode()
{
    if (traits_.dialect.engine != sql::Engine::MariaDb)
        return;
    std::string mode;
    if (runAside("SELECT @@SESSION.sql_mode", &mode))
        traits_.dialect = sql::dialectOf("MariaDB", mode);
    dialectShared_ = traits_.dialect;
}

sql::Dialect OdbcLib::dialect() const
{
    return dialectShared_.load();
}

bool OdbcLib::OdbcResultColumnsDeclared()
{
    if (!cursorAllocated_)
        return false;
    const int n = cursorColumnsHandled();
    for (int c = 1; c <= n; ++c) {
        SQLCHAR table[256] = {};
        SQLCHAR type[64] = {};
        SQLSMALLINT length = 0;
        if (!succeeded(SQLColAttribute(cursorStmt_, static_cast<SQLUSMALLINT>(c),
                                       SQL_DESC_TABLE_NAME, table, sizeof table, &length,
                                       nullptr)) ||
            !succeeded(SQLColAttribute(cursorStmt_, static_cast<SQLUSMALLINT>(c),
                                       SQL_DESC_TYPE_NAME, type, sizeof type, &length, nullptr)))
            return false;
        // "varchar" in lower case is the driver's own name for a column without a declared type.
        if (table[0] == 0 || std::strcmp(reinterpret_cast<const char*>(type), "varchar") == 0)
            return false;
    }
    return true;
}

std::int16_t OdbcLib::OdbcDescribeColumns(std::vector<std::string>& names,
                                          std::vector<std::int16_t>& kinds)
{
    const int n = cursorColumnsHandled();
    if (names.size() < static_cast<std::size_t>(n))
        names.resize(n);
    if (kinds.size() < static_cast<std::size_t>(n))
        kinds.resize(n);
    for (int i = 0; i < n; ++i) {
        SQLCHAR name[256] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT sqlType = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        const SQLRETURN rc =
            SQLDescribeCol(cursorStmt_, static_cast<SQLUSMALLINT>(i + 1), name, sizeof name,
                           &nameLength, &sqlType, &size, &digits, &nullable);
        // Success with information is a name longer than the buffer: it is kept, cut on a
        // character boundary, rather than losing the whole result for one long alias.
        if (!succeeded(rc))
            return OdbcCheckResult(rc);
        const auto* text = reinterpret_cast<const char*>(name);
        const std::size_t bytes = strnlen(text, sizeof name - 1);
        storeDriverText(text, bytes, sizeof name - 1, nameLength >= SQLSMALLINT(sizeof name - 1),
                        names[i]);
        kinds[i] = kindOf(sqlType);
    }
    return 0;
}

std::int16_t OdbcLib::OdbcExecuteBound(std::string_view sql, std::size_t columns,
                                       const std::vector<ParamValue>& values)
{
    if (!connected_ || columns == 0 || values.size() % columns != 0)
        return OdbcCheckResult(SQL_INVALID_HANDLE);
    const std::size_t rows = values.size() / columns;
    if (rows > 1 && paramArraysRefused_) {
        // Row by row, as one piece of work that fails as a whole.
        for (std::size_t r = 0; r < rows; ++r) {
            const std::vector<ParamValue> row(
                values.begin() + static_cast<std::ptrdiff_t>(r * columns),
                values.begin() + static_cast<std::ptrdiff_t>((r + 1) * columns));
            const std::int16_t code = OdbcExecuteBound(sql, columns, row);
            if (code != 0)
                return code;
        }
        return 0;
    }
    BoundEffect& last = boundEffect_;
    if (!last.known || last.sql != sql || last.dialect != traits_.dialect ||
        last.readOnly != readOnly_) {
        last.effect = effectOf(sql, traits_.dialect, readOnly_);
        last.sql.assign(sql);
        last.dialect = traits_.dialect;
        last.readOnly = readOnly_;
        last.known = true;
    }
    const sql::StatementEffect effect = last.effect;
    if (refusedOnReadOnly(effect))
        return lastErrorCode_;
    endCatalog();
    if (!selectLimitToRestore_.empty())
        restoreSelectLimit(selectLimitToRestore_);

    SQLRETURN rc = SQL_SUCCESS;
    if (boundStmt_ == nullptr || boundSql_ != sql) {
        dropStatement(boundStmt_);
        boundSql_.clear();
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        rc = SQLAllocStmt(dbc_, &stmt);
        if (!succeeded(rc))
            return OdbcCheckResult(rc);
        boundStmt_ = stmt;
        std::string scratch;
        const std::string_view text = toDriverText(sql, scratch);
        rc = SQLPrepare(boundStmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.data())),
                        static_cast<SQLINTEGER>(std::min<std::size_t>(text.size(), INT32_MAX)));
        if (!succeeded(rc)) {
            const std::int16_t code = OdbcCheckResult(rc);
            dropStatement(boundStmt_);
            return code;
        }
        boundSql_.assign(sql);
    } else {
        SQLFreeStmt(boundStmt_, SQL_CLOSE);
    }
    SQLFreeStmt(boundStmt_, SQL_RESET_PARAMS);

    // Set for every call: the status array may have moved, and a single row needs the size 1.
    paramStatus_.assign(rows, SQL_PARAM_UNUSED);
    SQLSetStmtAttr(boundStmt_, SQL_ATTR_PARAM_BIND_TYPE,
                   reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN), 0);
    const bool arrayTaken =
        succeeded(SQLSetStmtAttr(boundStmt_, SQL_ATTR_PARAMSET_SIZE,
                                 reinterpret_cast<SQLPOINTER>(rows), 0)) &&
        succeeded(SQLSetStmtAttr(boundStmt_, SQL_ATTR_PARAM_STATUS_PTR, paramStatus_.data(), 0));
    if (!arrayTaken && rows > 1) {
        paramArraysRefused_ = true;
        return OdbcExecuteBound(sql, columns, values);
    }

    paramBuffers_.resize(columns);
    paramIndicators_.resize(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        ParamKind kind = ParamKind::Null;
        std::size_t longest = 0;
        SQLSMALLINT described = 0;
        for (std::size_t r = 0; r < rows; ++r) {
            const ParamValue& v = values[r * columns + c];
            if (described == 0)
                described = v.sqlType;
            if (v.kind == ParamKind::Null)
                continue;
            if (kind != ParamKind::Null && v.kind != kind) {
                lastErrorCode_ = -9999;
                lastErrorText_ = "[OdbcLib]parameter kinds differ in one column";
                return lastErrorCode_;
            }
            kind = v.kind;
            longest = std::max(longest, v.text.size());
        }
        std::vector<char>& buffer = paramBuffers_[c];
        std::vector<std::int64_t>& indicators = paramIndicators_[c];
        buffer.clear();
        indicators.assign(rows, SQL_NULL_DATA);
        SQLSMALLINT cType = traits_.bindsWideText ? SQL_C_WCHAR : SQL_C_CHAR;
        SQLSMALLINT sqlType = traits_.bindsWideText ? SQL_WVARCHAR : SQL_VARCHAR;
        std::size_t slot = 0;
        if (kind == ParamKind::Integer) {
            cType = SQL_C_SBIGINT;
            sqlType = SQL_BIGINT;
            slot = sizeof(std::int64_t);
        } else if (kind == ParamKind::Real) {
            cType = SQL_C_DOUBLE;
            sqlType = SQL_DOUBLE;
            slot = sizeof(double);
        } else {
            // Characters: a UTF-8 byte is at most one UTF-16 unit, so longest units suffice.
            slot = (longest + 1) * (traits_.bindsWideText ? 2 : 1);
            if (described != 0)
                sqlType = described;
        }
        buffer.assign(slot * rows, '\0');
        for (std::size_t r = 0; r < rows; ++r) {
            const ParamValue& v = values[r * columns + c];
            if (v.kind == ParamKind::Null)
                continue;
            char* at = buffer.data() + r * slot;
            const char* end = v.text.data() + v.text.size();
            // The caller gives numbers that read whole.
            const char* from = v.text.data() + (!v.text.empty() && v.text[0] == '+' ? 1 : 0);
            if (kind == ParamKind::Integer) {
                std::int64_t n = 0;
                std::from_chars(from, end, n);
                std::memcpy(at, &n, sizeof n);
                indicators[r] = sizeof n;
            } else if (kind == ParamKind::Real) {
                double d = 0;
                std::from_chars(from, end, d);
                std::memcpy(at, &d, sizeof d);
                indicators[r] = sizeof d;
            } else if (traits_.bindsWideText) {
                const std::u16string wide = codepage::utf8ToUtf16(v.text);
                const std::size_t bytes = wide.size() * sizeof(char16_t);
                std::memcpy(at, wide.data(), bytes);
                indicators[r] = static_cast<std::int64_t>(bytes);
            } else {
                std::memcpy(at, v.text.data(), v.text.size());
                indicators[r] = static_cast<std::int64_t>(v.text.size());
            }
        }
        SQLULEN size =
            kind == ParamKind::Text || kind == ParamKind::Null ? std::max<SQLULEN>(longest, 1) : 0;
        // A typed text's size is its type's: a date's characters, a decimal's digits.
        if (described == SQL_TYPE_DATE || described == SQL_DATE)
            size = 10;
        else if (described == SQL_TYPE_TIMESTAMP || described == SQL_TIMESTAMP)
            size = 26;
        else if (described == SQL_TYPE_TIME || described == SQL_TIME)
            size = 15;
        rc = SQLBindParameter(boundStmt_, static_cast<SQLUSMALLINT>(c + 1), SQL_PARAM_INPUT, cType,
                              sqlType, size,
                              kind == ParamKind::Real                                         ? 15
                              : described == SQL_TYPE_TIMESTAMP || described == SQL_TIMESTAMP ? 6
                                                                                              : 0,
                              buffer.data(), static_cast<SQLLEN>(slot), indicators.data());
        if (!succeeded(rc))
            return OdbcCheckResult(rc);
    }
    {
        const BusyStatement busy(*this, boundStmt_);
        rc = SQLExecute(boundStmt_);
    }
    std::int16_t code = OdbcCheckResult(rc);
    if (code == 0 && rows > 1 && arrayTaken) {
        // A driver may report a refused row only in its status.
        for (const std::uint16_t status : paramStatus_) {
            if (status != SQL_PARAM_SUCCESS && status != SQL_PARAM_SUCCESS_WITH_INFO) {
                lastErrorCode_ = -9999;
                lastErrorText_ = "[OdbcLib]a row of the parameter array was refused";
                code = lastErrorCode_;
                break;
            }
        }
    }
    if (afterStatement(effect) != 0)
        return lastErrorCode_;
    return code;
}
