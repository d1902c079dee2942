#include "odbc/DriverTraits.h"

#include "odbc/ConnStrValue.h"
#include "odbc/OdbcLib.h"

#include <odbcinst.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace {

struct Item {
    std::string key; // upper case, blanks trimmed
    std::string value;
};

std::string trimmed(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return std::string(s);
}

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// KEY=value items, keys in upper case; a value in braces may hold ";" (and "}}" for a brace).
std::vector<Item> items(std::string_view text)
{
    std::vector<Item> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t eq = text.find('=', at);
        const std::size_t semi = text.find(';', at);
        if (eq == std::string_view::npos)
            break;
        if (semi < eq) { // an item without "="
            at = semi + 1;
            continue;
        }
        std::size_t from = eq + 1;
        while (from < text.size() && text[from] == ' ')
            ++from;
        const std::size_t end = connvalue::valueEnd(text, from);
        const std::string_view value = text.substr(from, end - from);
        out.push_back(
            {upper(trimmed(text.substr(at, eq - at))),
             value.empty() || value.front() != '{' ? trimmed(value) : connvalue::unquote(value)});
        at = end + 1;
    }
    return out;
}

std::optional<std::string> find(const std::vector<Item>& list, const char* key)
{
    for (const Item& item : list) {
        if (item.key == key)
            return item.value;
    }
    return std::nullopt;
}

// A key of a section of odbc.ini (user and system files) or odbcinst.ini; empty when absent.
std::string profileValue(const std::string& section, const char* key, const char* file)
{
    char buffer[1024] = {};
    SQLGetPrivateProfileString(section.c_str(), key, "", buffer, sizeof buffer, file);
    return buffer;
}

// The drivers the program knows, by their library files.
enum class Family { Other, Psql, MariaDb, Sqlite };

Family familyOf(std::string_view path)
{
    const std::string_view file = path.substr(path.rfind('/') + 1);
    if (file.rfind("psqlodbc", 0) == 0)
        return Family::Psql;
    if (file.rfind("libmaodbc", 0) == 0)
        return Family::MariaDb;
    if (file.rfind("sqlite3odbc", 0) == 0 || file.rfind("libsqlite3odbc", 0) == 0)
        return Family::Sqlite;
    return Family::Other;
}

} // namespace

// The library file of a driver named as in odbcinst.ini or by its path.
static std::string driverFile(const std::string& driver)
{
    std::string library = driver;
    if (driver.find('/') == std::string::npos)
        library = profileValue(driver, "Driver", "odbcinst.ini");
    const std::size_t slash = library.rfind('/');
    return slash == std::string::npos ? library : library.substr(slash + 1);
}

bool isPsqlOdbcDriver(const std::string& driver)
{
    return familyOf(driverFile(driver)) == Family::Psql;
}

bool isMariaDbDriver(const std::string& driver)
{
    return familyOf(driverFile(driver)) == Family::MariaDb;
}

bool isSqliteOdbcDriver(const std::string& driver)
{
    return familyOf(driverFile(driver)) == Family::Sqlite;
}

bool driverStreamsOnlyInAutocommit(const std::string& driverFile)
{
    return familyOf(driverFile) == Family::Sqlite;
}

bool driverMaxRowsKeepsMeaning(const std::string& driverFile)
{
    // Checked for SQLite ODBC 0.9998 and psqlODBC 13.02 (tests/odbc/RowCapTest.cpp).
    const Family family = familyOf(driverFile);
    return family == Family::Psql || family == Family::Sqlite;
}

bool driverMaxRowsEndsResult(const std::string& driverFile)
{
    return familyOf(driverFile) == Family::Sqlite;
}

bool driverCancelsFetches(const std::string& driverFile)
{
    // The drivers whose cancel of a running fetch the tests exercise.
    return driverMaxRowsKeepsMeaning(driverFile);
}

// The driver a connection string names, directly or through its data source; empty when none.
static std::string driverOf(const std::vector<Item>& list)
{
    const std::string driver = find(list, "DRIVER").value_or(std::string());
    const std::string dsn = find(list, "DSN").value_or(std::string());
    if (driver.empty() && !dsn.empty())
        return profileValue(dsn, "Driver", "odbc.ini");
    return driver;
}

bool usesMariaDbDriver(const std::string& connStr)
{
    const std::string driver = driverOf(items(connStr));
    return !driver.empty() && isMariaDbDriver(driver);
}

bool usesSqliteOdbcDriver(const std::string& connStr)
{
    const std::string driver = driverOf(items(connStr));
    return !driver.empty() && isSqliteOdbcDriver(driver);
}

std::string withFetchDefaults(const std::string& connStr)
{
    const std::vector<Item> list = items(connStr);
    const std::string driver = driverOf(list);
    const std::string dsn = find(list, "DSN").value_or(std::string());
    // A string psqlODBC completed carries the options abbreviated: CX holds UseDeclareFetch
    // among its flags, A7 is Fetch. A connection from the history keeps what it had.
    bool ownDeclare = find(list, "USEDECLAREFETCH").has_value() || find(list, "CX").has_value();
    bool ownFetch = find(list, "FETCH").has_value() || find(list, "A7").has_value();
    bool ownNoCache = find(list, "NO_CACHE").has_value();
    bool ownStep = find(list, "STEPAPI").has_value();
    // Options of the data source count as the user's own, unless the string names its driver.
    if (find(list, "DRIVER").value_or(std::string()).empty() && !dsn.empty()) {
        ownDeclare = ownDeclare || !profileValue(dsn, "UseDeclareFetch", "odbc.ini").empty();
        ownFetch = ownFetch || !profileValue(dsn, "Fetch", "odbc.ini").empty();
        ownNoCache = ownNoCache || !profileValue(dsn, "NO_CACHE", "odbc.ini").empty();
        ownStep = ownStep || !profileValue(dsn, "StepAPI", "odbc.ini").empty();
    }
    if (driver.empty())
        return connStr;
    std::string out = connStr;
    if (!out.empty() && out.back() != ';')
        out += ';';
    if (isMariaDbDriver(driver))
        return ownNoCache ? connStr : out + "NO_CACHE=1;";
    // Changes nothing while autocommit is off, as the program keeps it; execute-and-save turns
    // autocommit on for a read when nothing is pending (driverStreamsOnlyInAutocommit).
    if (isSqliteOdbcDriver(driver))
        return ownStep ? connStr : out + "StepAPI=1;";
    if (ownDeclare || !isPsqlOdbcDriver(driver))
        return connStr;
    out += "UseDeclareFetch=1;";
    if (!ownFetch)
        out += "Fetch=" + std::to_string(OdbcLib::kBlockRows) + ";";
    return out;
}

namespace {

// "03.01.0015" (SQL_DRIVER_VER's ##.##.#### form) as 3, 1, 15; missing parts are 0.
std::vector<int> versionParts(std::string_view text)
{
    std::vector<int> parts;
    int value = 0;
    bool digits = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            digits = true;
        } else if (c == '.') {
            parts.push_back(value);
            value = 0;
            digits = false;
        } else {
            break;
        }
    }
    if (digits)
        parts.push_back(value);
    parts.resize(3, 0);
    return parts;
}

} // namespace

bool driverKeepsResultBesideCatalog(const std::string& driverFile, const std::string& driverVersion)
{
    const Family family = familyOf(driverFile);
    // SQLite ODBC 0.9998 holds the whole result in the driver while autocommit is off, as the
    // program keeps it; it reports no limit of active statements. psqlODBC 13.02, also through
    // its UseDeclareFetch cursor: the catalog queries run in the same transaction beside the
    // declared cursor, whose later FETCHes go on where it stood.
    if (family == Family::Sqlite || family == Family::Psql)
        return true;
    // MariaDB Connector/ODBC 3.1.15 holds the whole result after the execute. From 3.1.17 on
    // NO_CACHE=1 (asked for at connect) streams it from the server, which must then be read
    // before another statement can run: untried, so such a version ends the result instead.
    if (family == Family::MariaDb)
        return !driverVersion.empty() && versionParts(driverVersion) < std::vector<int>{3, 1, 17};
    return false;
}

bool driverCapsSelectsInSession(const std::string& driverFile, const std::string& driverVersion)
{
    // Checked for MariaDB Connector/ODBC 3.1.15 (tests/odbc/RowCapTest.cpp). A streaming
    // version could not take the reset beside its open result.
    return familyOf(driverFile) == Family::MariaDb && !driverVersion.empty() &&
           versionParts(driverVersion) < std::vector<int>{3, 1, 17};
}

bool driverFailureMayDropWrites(const std::string& driverFile)
{
    return familyOf(driverFile) == Family::Psql;
}

bool driverSavepointsUndo(const std::string& driverFile)
{
    return familyOf(driverFile) != Family::Other;
}

bool driverDdlCommitsItself(const std::string& driverFile)
{
    return familyOf(driverFile) == Family::MariaDb;
}

bool driverGetsDataOfAnyBlockRow(const std::string& driverFile)
{
    return familyOf(driverFile) == Family::Psql;
}

bool driverSkipsCursorAfterComment(const std::string& driverFile)
{
    return familyOf(driverFile) == Family::Psql;
}

namespace {

// The statement that makes a session read-only on the server; empty where none is known.
std::string readOnlySessionStatement(sql::Engine engine)
{
    switch (engine) {
    case sql::Engine::PostgreSql:
        return "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY";
    case sql::Engine::MariaDb:
        return "SET SESSION TRANSACTION READ ONLY";
    case sql::Engine::Sqlite:
        return "PRAGMA query_only = ON";
    case sql::Engine::Other:
        break;
    }
    return {};
}

// A query whose one value says whether the session is still read-only ("1", "on" or "ON");
// empty where none is known.
std::string readOnlyCheckQuery(sql::Engine engine)
{
    switch (engine) {
    case sql::Engine::PostgreSql: // the open transaction and the next ones
        return "SELECT CASE WHEN current_setting('transaction_read_only') = 'on' AND "
               "current_setting('default_transaction_read_only') = 'on' THEN 1 ELSE 0 END";
    case sql::Engine::MariaDb:
        return "SELECT @@session.tx_read_only";
    case sql::Engine::Sqlite:
        return "PRAGMA query_only";
    case sql::Engine::Other:
        break;
    }
    return {};
}

} // namespace

DriverTraits driverTraits(const std::string& driverFile, const std::string& driverVersion,
                          std::string_view dbms)
{
    DriverTraits t;
    t.dialect = sql::dialectOf(dbms);
    t.maxRowsKeepsMeaning = driverMaxRowsKeepsMeaning(driverFile);
    t.maxRowsEndsResult = driverMaxRowsEndsResult(driverFile);
    t.cancelsFetches = driverCancelsFetches(driverFile);
    t.failureMayDropWrites = driverFailureMayDropWrites(driverFile);
    t.savepointsUndo = driverSavepointsUndo(driverFile);
    t.ddlCommitsItself = driverDdlCommitsItself(driverFile);
    t.skipsCursorAfterComment = driverSkipsCursorAfterComment(driverFile);
    t.streamsOnlyInAutocommit = driverStreamsOnlyInAutocommit(driverFile);
    t.getsDataOfAnyBlockRow = driverGetsDataOfAnyBlockRow(driverFile);
    t.capsSelectsInSession = driverCapsSelectsInSession(driverFile, driverVersion);
    t.keepsResultBesideCatalog = driverKeepsResultBesideCatalog(driverFile, driverVersion);
    t.readOnlyStatement = readOnlySessionStatement(t.dialect.engine);
    t.readOnlyCheck = readOnlyCheckQuery(t.dialect.engine);
    const Family family = familyOf(driverFile);
    // psqlODBC and SQLite ODBC run a parameter array row by row.
    t.batchesAsParameterArrays = family != Family::Psql && family != Family::Sqlite;
    // The three known drivers take UTF-8 as it is (the texts the program exchanges with them);
    // psqlODBC's ANSI build refuses SQL_C_WCHAR, and MariaDB Connector/ODBC 3.1.15 adds a NUL
    // to a wide value that holds a character beyond ASCII. Another driver's narrow texts may
    // be in a code page, so it gets wide ones.
    t.bindsWideText = family == Family::Other;
    t.typesValuesByBuffer = family == Family::Sqlite;
    t.countsChangedRows = family == Family::MariaDb;
    return t;
}
