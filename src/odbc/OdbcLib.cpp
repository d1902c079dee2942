#include "odbc/OdbcLib.h"

#include "odbc/OdbcCalls.h"

#include "odbc/ConnStrValue.h"
#include "odbc/DriverTraits.h"

#include "text/CodePage.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <sql.h>
#include <sqlext.h>

using odbccalls::succeeded;

namespace {

constexpr const char* kTextNoErrorCode = "[OdbcLib]NO ERROR CODE FOUND! (TRIGGER OR OTHER ERROR?)";
constexpr const char* kTextInvalidHandle = "[OdbcLib]INVALID HANDLE:プログラムエラー";
constexpr const char* kTextNoData = "[OdbcLib]NO DATA FOUND";
constexpr const char* kTextOther = "[OdbcLib]エラー";
constexpr const char* kTextAlreadyConnected = "[OdbcLib]ALREADY CONNECTED";
constexpr const char* kTextConnectionLost = "[OdbcLib]CONNECTION LOST:COMMITされていません";

// Diagnostic records read per handle; a driver that keeps handing out the same record must not
// hang the program.
constexpr int kMaxRecordsPerHandle = 64;

constexpr std::size_t kConnStrOutChars = 1024;

// Drops a character that a full driver buffer cut in the middle.
std::size_t withoutIncompleteTail(const char* bytes, std::size_t n)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
        const unsigned char c = s[n - back];
        if ((c & 0xC0) == 0x80)
            continue;
        if (c < 0x80)
            return n;
        const std::size_t want = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        return want > back ? n - back : n;
    }
    return n;
}

} // namespace

OdbcLib::~OdbcLib()
{
    // The program's last act is a disconnect, which commits; a dropped instance behaves alike.
    OdbcDisconnect();
    OdbcFreeEnv();
}

// --- text boundary ---

void OdbcLib::storeDriverText(const char* bytes, std::size_t n, std::size_t maxBytes, bool full,
                              std::string& out)
{
    if (full)
        n = withoutIncompleteTail(bytes, n);
    const std::string_view cut = codepage::cutUtf8(std::string_view(bytes, n), maxBytes);
    if (codepage::isValidUtf8(cut)) {
        out.assign(cut.data(), cut.size());
        return;
    }
    out = codepage::sanitizeUtf8(cut);
    if (out.size() > maxBytes)
        out.resize(codepage::cutUtf8(out, maxBytes).size());
}

bool OdbcLib::driverTextAsIs(const char* bytes, std::size_t n, std::size_t maxBytes, bool full)
{
    if (n > maxBytes || (full && withoutIncompleteTail(bytes, n) != n))
        return false;
    return codepage::isValidUtf8(std::string_view(bytes, n));
}

std::string_view OdbcLib::toDriverText(std::string_view text, std::string& scratch)
{
    if (codepage::isValidUtf8(text))
        return text;
    scratch = codepage::sanitizeUtf8(text);
    return scratch;
}

// --- status codes ---

std::int16_t OdbcLib::StatusFromNative(std::int64_t native)
{
    std::int64_t code = -native;
    code = std::clamp<std::int64_t>(code, INT16_MIN, INT16_MAX);
    if (code == -1)
        return -9;
    // 100 and 9999 mean "no data" and "invalid handle" to every caller; a driver's negative
    // native code must not pass for either, so it counts as no native code at all.
    if (code == 100 || code == 9999)
        return 0;
    return static_cast<std::int16_t>(code);
}

std::int16_t OdbcLib::OdbcCheckResult(int rawReturn)
{
    std::int16_t code = 0;
    std::string text;
    switch (rawReturn) {
    case SQL_SUCCESS:
        break;
    case SQL_ERROR:
    case SQL_SUCCESS_WITH_INFO: {
        struct Target {
            SQLHENV env;
            SQLHDBC dbc;
            SQLHSTMT stmt;
        };
        const Target order[] = {
            {SQL_NULL_HENV, SQL_NULL_HDBC, boundStmt_},
            {SQL_NULL_HENV, SQL_NULL_HDBC, execStmt_},
            {SQL_NULL_HENV, SQL_NULL_HDBC, cursorAllocated_ ? cursorStmt_ : SQL_NULL_HSTMT},
            {SQL_NULL_HENV, SQL_NULL_HDBC, catalogStmt_},
            {SQL_NULL_HENV, dbc_, SQL_NULL_HSTMT},
            {env_, SQL_NULL_HDBC, SQL_NULL_HSTMT},
        };
        for (const Target& t : order) {
            if (t.env == nullptr && t.dbc == nullptr && t.stmt == nullptr)
                continue;
            for (int record = 0; record < kMaxRecordsPerHandle; ++record) {
                SQLCHAR state[6] = {};
                SQLINTEGER native = 0;
                SQLCHAR message[512] = {};
                SQLSMALLINT length = 0;
                const SQLRETURN rc = SQLError(t.env, t.dbc, t.stmt, state, &native, message,
                                              sizeof message, &length);
                if (!succeeded(rc))
                    break;
                if (length <= 0)
                    continue;
                const auto* msg = reinterpret_cast<const char*>(message);
                std::string piece;
                storeDriverText(msg, strnlen(msg, sizeof message - 1), sizeof message - 1,
                                length >= static_cast<SQLSMALLINT>(sizeof message - 1), piece);
                if (!text.empty())
                    text += '\n';
                text += piece;
                if (code == 0)
                    code = StatusFromNative(native);
            }
        }
        if (code == 0) {
            code = rawReturn == SQL_ERROR ? -9999 : -9998;
            if (text.empty())
                text = kTextNoErrorCode;
        }
        break;
    }
    case SQL_INVALID_HANDLE:
        code = 9999;
        text = kTextInvalidHandle;
        break;
    case SQL_NO_DATA:
        code = 100;
        text = kTextNoData;
        break;
    default:
        code = static_cast<std::int16_t>(std::clamp(rawReturn, INT16_MIN, INT16_MAX));
        text = kTextOther;
        break;
    }
    lastErrorCode_ = code;
    lastErrorText_ = std::move(text);
    return code;
}

std::string OdbcLib::OdbcTakeLastError()
{
    std::string text = std::move(lastErrorText_);
    lastErrorText_.clear();
    return text;
}

// --- environment and connection ---

namespace {

// SQLite locks every call on a connection with a mutex of its own. In a process with more than
// one thread each lock is an atomic instruction, and reading a value takes several calls: a
// quarter of an export's time. The program uses a connection from one thread at a time (its
// connection thread), which SQLite's multi-thread mode allows without those locks. The setting
// must reach the library before its first connection, so it is made before the first connect
// through SQLite ODBC (a program that never uses SQLite never loads it); it is the instance the
// driver then uses.
void relaxSqliteLocking()
{
    static std::once_flag once;
    std::call_once(once, [] {
        void* library = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_GLOBAL);
        if (library == nullptr)
            return;
        using Config = int (*)(int, ...);
        const auto config = reinterpret_cast<Config>(dlsym(library, "sqlite3_config"));
        if (config == nullptr)
            return;
        constexpr int kMultiThread = 2; // SQLITE_CONFIG_MULTITHREAD
        constexpr int kMemStatus = 9;   // SQLITE_CONFIG_MEMSTATUS: its counters take a lock too
        config(kMultiThread);
        config(kMemStatus, 0);
        // The library stays loaded for the driver.
    });
}

} // namespace

int OdbcLib::OdbcInitEnv()
{
    if (env_ != nullptr)
        OdbcFreeEnv();
    SQLHENV env = SQL_NULL_HENV;
    const SQLRETURN rc = SQLAllocEnv(&env);
    if (succeeded(rc))
        env_ = env;
    return rc;
}

int OdbcLib::OdbcFreeEnv()
{
    if (env_ == nullptr)
        return 0;
    if (dbc_ != nullptr)
        OdbcDisconnect();
    const SQLRETURN rc = SQLFreeEnv(env_);
    env_ = nullptr;
    dataSourcesStarted_ = false;
    driversStarted_ = false;
    return rc;
}

std::int16_t OdbcLib::OdbcConnect(Handle ownerWindow, const std::string& dsn, std::string& uid,
                                  std::string& pwd, const std::string& driver, std::string& connStr)
{
    if (dbc_ != nullptr) {
        // One connection per instance: a second one would orphan the first handle.
        lastErrorCode_ = -9999;
        lastErrorText_ = kTextAlreadyConnected;
        return lastErrorCode_;
    }

    std::string input;
    // Braces where a value needs them: a ";" in a password would end the item early.
    if (!dsn.empty() && !uid.empty())
        input = "DSN=" + connvalue::quote(dsn) + ";UID=" + connvalue::quote(uid) +
                ";PWD=" + connvalue::quote(pwd) + ";";
    else if (!dsn.empty())
        input = "DSN=" + connvalue::quote(dsn) + ";";
    else if (!driver.empty())
        input = "DRIVER=" + connvalue::quote(driver) + ";";
    else
        input = connStr;
    keptConnStr_ = input;
    input = withFetchDefaults(input);
    if (usesSqliteOdbcDriver(input))
        relaxSqliteLocking();
    const SQLUSMALLINT completion =
        usesMariaDbDriver(input) ? SQL_DRIVER_NOPROMPT : SQL_DRIVER_COMPLETE;

    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLRETURN rc = SQLAllocConnect(env_, &dbc);
    if (rc != SQL_SUCCESS) {
        if (succeeded(rc))
            SQLFreeConnect(dbc);
        return OdbcCheckResult(rc);
    }
    dbc_ = dbc;

    std::string scratch;
    const std::string_view in = toDriverText(input, scratch);
    // The input length is a 16-bit count; a longer string goes as NUL-terminated.
    const SQLSMALLINT inLength = in.size() <= static_cast<std::size_t>(SHRT_MAX)
                                     ? static_cast<SQLSMALLINT>(in.size())
                                     : SQL_NTS;
    const std::string inCopy(in);
    SQLCHAR out[kConnStrOutChars] = {};
    SQLSMALLINT outLength = 0;
    rc = SQLDriverConnect(dbc_, static_cast<SQLHWND>(ownerWindow),
                          reinterpret_cast<SQLCHAR*>(const_cast<char*>(inCopy.c_str())), inLength,
                          out, kConnStrOutChars - 1, &outLength, completion);
    if (!succeeded(rc)) {
        const std::int16_t code = OdbcCheckResult(rc);
        releaseConnectionHandle(false);
        return code;
    }

    out[kConnStrOutChars - 1] = 0;
    const auto* outText = reinterpret_cast<const char*>(out);
    std::string completed;
    const std::size_t outBytes = strnlen(outText, kConnStrOutChars - 1);
    storeDriverText(outText, outBytes, kConnStrOutChars - 1, outBytes >= kConnStrOutChars - 2,
                    completed);
    keptConnStr_ = completed;
    connStr = completed;

    // Items are walked in turn, so "XUID=" or a "UID=" inside a braced value is not taken.
    const auto take = [&completed](std::string_view key, std::string& into) {
        if (std::optional<std::string> value = connvalue::itemValue(completed, key))
            into = std::move(*value);
    };
    take("UID", uid);
    take("PWD", pwd);

    rc = SQLSetConnectOption(dbc_, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF);
    const std::int16_t code = OdbcCheckResult(rc);
    if (code != 0) {
        // Never leave a connection in autocommit mode behind, nor its handle.
        releaseConnectionHandle(true);
        return code;
    }

    releaseCursor();

    SQLUSMALLINT supported = SQL_FALSE;
    const SQLRETURN probe = SQLGetFunctions(dbc_, SQL_API_SQLEXTENDEDFETCH, &supported);
    blockFetchAvailable_ = succeeded(probe) && supported == SQL_TRUE;

    SQLCHAR driverName[256] = {};
    SQLSMALLINT nameLength = 0;
    const SQLRETURN named =
        SQLGetInfo(dbc_, SQL_DRIVER_NAME, driverName, sizeof driverName - 1, &nameLength);
    // A result and a catalog enumeration are two active statements; 0 means no limit.
    SQLUSMALLINT activeStatements = 0;
    const SQLRETURN active = SQLGetInfo(dbc_, SQL_ACTIVE_STATEMENTS, &activeStatements,
                                        sizeof activeStatements, nullptr);
    SQLCHAR driverVersion[64] = {};
    SQLSMALLINT versionLength = 0;
    const SQLRETURN versioned =
        SQLGetInfo(dbc_, SQL_DRIVER_VER, driverVersion, sizeof driverVersion - 1, &versionLength);
    SQLCHAR dbms[128] = {};
    SQLSMALLINT dbmsLength = 0;
    const SQLRETURN dbmsNamed = SQLGetInfo(dbc_, SQL_DBMS_NAME, dbms, sizeof dbms - 1, &dbmsLength);
    traits_ =
        succeeded(named)
            ? driverTraits(reinterpret_cast<const char*>(driverName),
                           succeeded(versioned) ? reinterpret_cast<const char*>(driverVersion) : "",
                           succeeded(dbmsNamed) ? reinterpret_cast<const char*>(dbms) : "")
            : DriverTraits{};
    readOnly_ = false;
    paramArraysRefused_ = false;
    wholeBlockFetch_ = blockFetchAvailable_ && traits_.getsDataOfAnyBlockRow;
    selectLimitToRestore_.clear();
    catalogBesideCursor_ = succeeded(active) && (activeStatements == 0 || activeStatements >= 2) &&
                           traits_.keepsResultBesideCatalog;
    dialectShared_ = traits_.dialect;
    readSqlMode();

    SQLUINTEGER ownerUsage = 0;
    SQLUINTEGER catalogUsage = 0;
    const SQLRETURN owners =
        SQLGetInfo(dbc_, SQL_OWNER_USAGE, &ownerUsage, sizeof ownerUsage, nullptr);
    const SQLRETURN catalogs =
        SQLGetInfo(dbc_, SQL_QUALIFIER_USAGE, &catalogUsage, sizeof catalogUsage, nullptr);
    objectsInCatalogs_ =
        succeeded(owners) && succeeded(catalogs) && ownerUsage == 0 && catalogUsage != 0;

    connected_ = true;
    return 0;
}

std::int16_t OdbcLib::OdbcSetReadOnly(bool& serverEnforced)
{
    serverEnforced = false;
    readOnly_ = false;
    if (!connected_)
        return OdbcCheckResult(SQL_INVALID_HANDLE);
    const std::string& statement = traits_.readOnlyStatement;
    if (!statement.empty()) {
        std::int32_t rows = 0;
        std::int16_t cols = 0;
        std::int16_t code = OdbcExecute(statement, rows, cols);
        dropStatement(execStmt_);
        // On PostgreSQL a ROLLBACK of the transaction that holds the SET would undo it.
        if (code == 0)
            code = OdbcCommit();
        if (code != 0)
            return code;
        serverEnforced = true;
    }
    const std::int16_t mode =
        OdbcCheckResult(SQLSetConnectOption(dbc_, SQL_ACCESS_MODE, SQL_MODE_READ_ONLY));
    // Where the server enforces it, a driver that refuses the access mode changes nothing.
    const std::int16_t code = serverEnforced ? 0 : mode;
    readOnly_ = code == 0;
    return code;
}

void OdbcLib::releaseConnectionHandle(bool disconnect)
{
    if (dbc_ == nullptr)
        return;
    if (disconnect)
        SQLDisconnect(dbc_);
    SQLFreeConnect(dbc_);
    dbc_ = nullptr;
    connected_ = false;
}

int OdbcLib::OdbcDisconnect()
{
    if (!connected_)
        return 0;
    int result = SQLTransact(env_, dbc_, SQL_COMMIT);
    if (result == SQL_SUCCESS && connectionDead())
        result = SQL_ERROR;
    // Only statements that exist are released: freeing a none handle would report a failure
    // of a disconnect that went well.
    if (execStmt_ != nullptr) {
        result |= SQLFreeStmt(execStmt_, SQL_DROP);
        execStmt_ = nullptr;
    }
    if (boundStmt_ != nullptr) {
        result |= SQLFreeStmt(boundStmt_, SQL_DROP);
        boundStmt_ = nullptr;
        boundSql_.clear();
    }
    if (cursorAllocated_) {
        result |= SQLFreeStmt(cursorStmt_, SQL_DROP);
        cursorStmt_ = nullptr;
        cursorAllocated_ = false;
    }
    if (catalogStmt_ != nullptr) {
        result |= SQLFreeStmt(catalogStmt_, SQL_DROP);
        catalogStmt_ = nullptr;
    }
    releaseCursor();
    endCatalog();
    SQLRETURN rc = SQLDisconnect(dbc_);
    if (!succeeded(rc)) {
        // A commit that failed (server gone) can leave the transaction open, and drivers
        // refuse to disconnect inside one; roll it back so that the handle can still go.
        SQLTransact(env_, dbc_, SQL_ROLLBACK);
        result |= rc;
        rc = SQLDisconnect(dbc_);
    }
    result |= rc;
    result |= SQLFreeConnect(dbc_);
    dbc_ = nullptr;
    connected_ = false;
    return result;
}

bool OdbcLib::connectionDead()
{
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectOption(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead);
    return succeeded(rc) && dead == SQL_CD_TRUE;
}

std::int16_t OdbcLib::OdbcSetAutocommit(bool on)
{
    if (dbc_ == nullptr)
        return OdbcCheckResult(SQL_INVALID_HANDLE);
    return OdbcCheckResult(
        SQLSetConnectOption(dbc_, SQL_AUTOCOMMIT, on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF));
}

std::int16_t OdbcLib::OdbcCommit()
{
    // Without a connection SQLTransact would act on the environment and report success.
    if (dbc_ == nullptr)
        return OdbcCheckResult(SQL_INVALID_HANDLE);
    const std::int16_t code = OdbcCheckResult(SQLTransact(env_, dbc_, SQL_COMMIT));
    if (code == 0 && connectionDead()) {
        // psqlODBC 13.02 answers a COMMIT on a connection it has lost with success, although
        // the server discarded the transaction.
        lastErrorCode_ = -9999;
        lastErrorText_ = kTextConnectionLost;
        return lastErrorCode_;
    }
    return code;
}

std::int16_t OdbcLib::OdbcRollback()
{
    if (dbc_ == nullptr)
        return OdbcCheckResult(SQL_INVALID_HANDLE);
    return OdbcCheckResult(SQLTransact(env_, dbc_, SQL_ROLLBACK));
}

// --- statement handles ---

void OdbcLib::dropStatement(Handle& statement)
{
    if (statement == nullptr)
        return;
    SQLFreeStmt(statement, SQL_CLOSE);
    SQLFreeStmt(statement, SQL_DROP);
    statement = nullptr;
}

void OdbcLib::releaseCursor()
{
    if (cursorAllocated_)
        dropStatement(cursorStmt_);
    cursorStmt_ = nullptr;
    cursorAllocated_ = false;
}

void OdbcLib::endCatalog()
{
    dropStatement(catalogStmt_);
    catalogColumns_ = 0;
    tablesStarted_ = false;
    columnsStarted_ = false;
    statisticsStarted_ = false;
}

void OdbcLib::OdbcCloseCursor()
{
    releaseCursor();
}

int OdbcLib::cursorColumnsHandled() const
{
    return std::clamp<int>(cursorColumns_, 0, kMaxColumns);
}
