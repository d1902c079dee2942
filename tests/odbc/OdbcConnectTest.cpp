// Environment, connection and status codes of OdbcLib against the real drivers.
#include "OdbcTestSupport.h"
#include "odbc/DriverTraits.h"

#include <climits>

namespace {

TEST(OdbcStatusCode, NativeCodesMapIntoTheSixteenBitConvention)
{
    struct Case {
        std::int64_t native;
        std::int16_t status;
    };
    const Case cases[] = {
        {942, -942},         {1, -9}, // -1 would read as a plain ODBC error
        {-942, 942},                  // drivers with negative native codes give positive codes
        {32768, -32768},              // the lowest code that still fits
        {40000, -32768},              // beyond 16 bits: clamped, never wrapped
        {INT32_MAX, -32768}, {-40000, 32767},
        {INT32_MIN, 32767},  {-100, 0}, // would pass for "no more data"
        {-9999, 0},                     // would pass for "invalid handle"
    };
    for (const Case& c : cases)
        EXPECT_EQ(OdbcLib::StatusFromNative(c.native), c.status) << "native " << c.native;
}

TEST(OdbcStatusCode, NonDiagnosticReturnsHaveFixedTexts)
{
    OdbcLib lib;
    EXPECT_EQ(lib.OdbcCheckResult(-2), 9999);
    EXPECT_EQ(lib.OdbcLastError(), "[OdbcLib]INVALID HANDLE:プログラムエラー");
    EXPECT_EQ(lib.OdbcCheckResult(100), 100);
    EXPECT_EQ(lib.OdbcLastError(), "[OdbcLib]NO DATA FOUND");
    EXPECT_EQ(lib.OdbcCheckResult(99), 99);
    EXPECT_EQ(lib.OdbcTakeLastError(), "[OdbcLib]エラー");
    EXPECT_EQ(lib.OdbcLastError(), "");
    // An error without any handle to ask for diagnostics.
    EXPECT_EQ(lib.OdbcCheckResult(-1), -9999);
    EXPECT_EQ(lib.OdbcLastError(), "[OdbcLib]NO ERROR CODE FOUND! (TRIGGER OR OTHER ERROR?)");
    EXPECT_EQ(lib.OdbcCheckResult(1), -9998);
    EXPECT_EQ(lib.OdbcCheckResult(0), 0);
    EXPECT_EQ(lib.OdbcLastError(), "");
}

// What reaches the driver manager, seen through an unknown DSN / driver, which keeps the input.
TEST(OdbcConnect, InputStringForms)
{
    struct Case {
        const char* dsn;
        const char* uid;
        const char* pwd;
        const char* driver;
        const char* connStr;
        const char* sent;
        const char* textPart;
    };
    const Case cases[] = {
        {"NO_SUCH_DSN", "user1", "", "", "", "DSN=NO_SUCH_DSN;UID=user1;PWD=;", "not found"},
        {"NO_SUCH_DSN", "user1", "p w", "", "", "DSN=NO_SUCH_DSN;UID=user1;PWD=p w;", "not found"},
        {"NO_SUCH_DSN", "", "secret", "", "", "DSN=NO_SUCH_DSN;", "not found"},
        {"NO_SUCH_DSN", "", "", "SQLite3", "", "DSN=NO_SUCH_DSN;", "not found"},
        {"", "", "", "NoSuchDriver", "", "DRIVER=NoSuchDriver;", "NoSuchDriver"},
        {"", "", "", "", "DRIVER=NoSuchDriver;DBQ=c:\\a.mdb", "DRIVER=NoSuchDriver;DBQ=c:\\a.mdb",
         "NoSuchDriver"},
        // Values that would end their item early or lose their blanks go in braces.
        {"NO_SUCH_DSN", "u;1", "p}w;", "", "", "DSN=NO_SUCH_DSN;UID={u;1};PWD={p}}w;};",
         "not found"},
        {"NO_SUCH_DSN", "{u}", " pw", "", "", "DSN=NO_SUCH_DSN;UID={{u}}};PWD={ pw};", "not found"},
        {"NO_SUCH_DSN", "u}x", "a=b", "", "", "DSN=NO_SUCH_DSN;UID=u}x;PWD=a=b;", "not found"},
        {"NO;DSN", "", "", "", "", "DSN={NO;DSN};", "not found"},
        {"", "", "", "No;Driver", "", "DRIVER={No;Driver};", "No;Driver"},
    };
    OdbcLib lib;
    ASSERT_EQ(lib.OdbcInitEnv(), 0);
    for (const Case& c : cases) {
        std::string uid = c.uid;
        std::string pwd = c.pwd;
        std::string conn = c.connStr;
        const std::int16_t code = lib.OdbcConnect(nullptr, c.dsn, uid, pwd, c.driver, conn);
        EXPECT_EQ(code, -9999) << c.sent;
        EXPECT_EQ(lib.keptConnectionString(), c.sent);
        EXPECT_NE(lib.OdbcLastError().find(c.textPart), std::string::npos) << lib.OdbcLastError();
        EXPECT_TRUE(holdsNoConnection(lib));
        EXPECT_EQ(uid, c.uid);
        EXPECT_EQ(pwd, c.pwd);
        EXPECT_EQ(conn, c.connStr);
    }
    // The failed attempts left no connection handle behind: a good connect still works.
    EXPECT_EQ(connectWith(lib, testenv::freshSqliteConnStr("forms.db")), 0) << lib.OdbcLastError();
}

TEST(OdbcConnect, CompletedStringGivesBackUserAndPassword)
{
    {
        OdbcLib lib;
        lib.OdbcInitEnv();
        std::string uid = testenv::kPgUser;
        std::string pwd = testenv::kPgPassword;
        std::string conn;
        ASSERT_EQ(lib.OdbcConnect(nullptr, testenv::kPgDsn, uid, pwd, "", conn), 0)
            << lib.OdbcLastError();
        EXPECT_EQ(conn.rfind("DSN=QV_PG;", 0), 0u) << conn;
        EXPECT_EQ(conn, lib.keptConnectionString());
        EXPECT_EQ(uid, "qvtest");
        // psqlODBC 13.02 writes "-" in the completed string as "%2d".
        EXPECT_EQ(pwd, "qvtest%2dsecret");
        EXPECT_TRUE(lib.blockFetchAvailable());
    }
    {
        // SQLite ODBC ends its completed string with an empty ";PWD=": the value runs to the end.
        OdbcLib lib;
        lib.OdbcInitEnv();
        std::string uid;
        std::string pwd = "before";
        std::string conn;
        ASSERT_EQ(lib.OdbcConnect(nullptr, testenv::kSqliteDsn, uid, pwd, "", conn), 0);
        EXPECT_NE(conn.find(";Database="), std::string::npos) << conn;
        EXPECT_EQ(uid, "");
        EXPECT_EQ(pwd, "");
    }
}

TEST(OdbcConnect, WrongPasswordGivesTheDriversCodeAndText)
{
    OdbcLib lib;
    lib.OdbcInitEnv();
    std::string uid = testenv::kPgUser;
    std::string pwd = "wrong";
    std::string conn;
    const std::int16_t code = lib.OdbcConnect(nullptr, testenv::kPgDsn, uid, pwd, "", conn);
    EXPECT_LT(code, 0);
    EXPECT_NE(code, -9999);
    EXPECT_NE(lib.OdbcLastError().find("password authentication failed"), std::string::npos)
        << lib.OdbcLastError();
    EXPECT_TRUE(holdsNoConnection(lib));
    EXPECT_EQ(pwd, "wrong");

    pwd = testenv::kPgPassword;
    EXPECT_EQ(lib.OdbcConnect(nullptr, testenv::kPgDsn, uid, pwd, "", conn), 0);
}

// Roles whose names and passwords hold connection-string separators, made as the test
// superuser; each case connects through the DSN with UID and PWD.
TEST(OdbcConnect, UserNamesAndPasswordsWithSeparatorsStayWhole)
{
    struct Case {
        const char* role;
        const char* password;
        const char* uid;     // as given to the connect
        const char* refused; // empty: connects as role; else the user the server names
    };
    const Case cases[] = {
        {"qv_semi", "se;cret", "qv_semi", ""},
        {"qv_brace", "a}b{c;d}", "qv_brace", ""},
        {"qv_blank", " sp;ace ", "qv_blank", ""},
        {"qv}user{", "{x;DATABASE=chinook", "qv}user{", ""},
        // A further item inside a user name stays part of the name.
        {"qv_other", "pw", "qvtest;DATABASE=chinook", "{qvtest;DATABASE=chinook}"},
        // psqlODBC 13.02 takes braces only around PWD: a user name that needs them reaches the
        // server with its braces, whole rather than cut at the ";".
        {"qv;user", "pw", "qv;user", "{qv;user}"},
    };
    const auto sqlQuoted = [](std::string s, char q) {
        for (std::size_t at = 0; (at = s.find(q, at)) != std::string::npos; at += 2)
            s.insert(at, 1, q);
        return q + s + q;
    };
    OdbcLib admin;
    ASSERT_EQ(connectWith(admin, std::string("DSN=") + testenv::kPgDsn + ";"), 0)
        << admin.OdbcLastError();
    for (const Case& c : cases) {
        const std::string role = sqlQuoted(c.role, '"');
        exec(admin, "DROP ROLE IF EXISTS " + role);
        execOk(admin, "CREATE ROLE " + role + " LOGIN PASSWORD " + sqlQuoted(c.password, '\''));
        ASSERT_EQ(admin.OdbcCommit(), 0);

        OdbcLib lib;
        lib.OdbcInitEnv();
        std::string uid = c.uid;
        std::string pwd = c.password;
        std::string conn;
        const std::int16_t code = lib.OdbcConnect(nullptr, testenv::kPgDsn, uid, pwd, "", conn);
        if (*c.refused != '\0') {
            EXPECT_NE(code, 0) << c.uid;
            EXPECT_NE(lib.OdbcLastError().find(std::string("for user \"") + c.refused + "\""),
                      std::string::npos)
                << lib.OdbcLastError();
        } else {
            ASSERT_EQ(code, 0) << c.role << ": " << lib.OdbcLastError();
            ASSERT_EQ(exec(lib, "SELECT current_user, current_database()").code, 0);
            std::vector<std::string> values;
            ASSERT_EQ(lib.OdbcFetchRow(values), 0);
            EXPECT_EQ(values[0], c.role);
            // A password that looks like a further item stays a password.
            EXPECT_EQ(values[1], "qvtest");
            lib.OdbcDisconnect();

            // The completed string that the program keeps reconnects as the same role.
            OdbcLib again;
            ASSERT_EQ(connectWith(again, conn), 0) << conn << ": " << again.OdbcLastError();
            ASSERT_EQ(exec(again, "SELECT current_user").code, 0);
            ASSERT_EQ(again.OdbcFetchRow(values), 0);
            EXPECT_EQ(values[0], c.role) << conn;
            again.OdbcDisconnect();
        }
        exec(admin, "DROP ROLE " + role);
        admin.OdbcCommit();
    }
}

TEST(OdbcConnect, CallsWithoutEnvironmentOrConnectionFailCleanly)
{
    OdbcLib lib;
    std::string uid;
    std::string pwd;
    std::string conn = testenv::freshSqliteConnStr("noenv.db");
    EXPECT_EQ(lib.OdbcConnect(nullptr, "", uid, pwd, "", conn), 9999);
    EXPECT_EQ(lib.OdbcFreeEnv(), 0);
    ASSERT_EQ(lib.OdbcInitEnv(), 0);
    // Without a connection a COMMIT must not report success.
    EXPECT_EQ(lib.OdbcCommit(), 9999);
    EXPECT_EQ(lib.OdbcRollback(), 9999);
    ExecResult r = exec(lib, "SELECT 1");
    EXPECT_EQ(r.code, 9999);
    std::vector<std::string> values;
    EXPECT_EQ(fetchBlockRow(lib, values), 9999);
    EXPECT_EQ(lib.OdbcFetchRow(values), 9999);
    EXPECT_EQ(lib.OdbcDisconnect(), 0);
}

TEST(OdbcConnect, SecondConnectOnOneInstanceIsRefused)
{
    OdbcLib lib;
    const std::string conn = testenv::freshSqliteConnStr("twice.db");
    ASSERT_EQ(connectWith(lib, conn), 0);
    EXPECT_NE(connectWith(lib, conn), 0);
    EXPECT_EQ(exec(lib, "SELECT 1").code, 0);
}

class OdbcTransactions : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        conn_ = scratchConnStr(GetParam(), "tx.db");
        ASSERT_EQ(connectWith(a_, conn_), 0) << a_.OdbcLastError();
        ASSERT_EQ(connectWith(b_, conn_), 0) << b_.OdbcLastError();
        dropTable(a_, "qv_tx");
        execOk(a_, "CREATE TABLE qv_tx (id INTEGER)");
        ASSERT_EQ(a_.OdbcCommit(), 0);
    }
    void TearDown() override
    {
        b_.OdbcDisconnect();
        dropTable(a_, "qv_tx");
    }

    // Rows of qv_tx as the other instance sees them; it ends its own transaction so that it
    // holds no lock while the first instance commits.
    std::string countSeenByOther()
    {
        const ExecResult r = exec(b_, "SELECT COUNT(*) FROM qv_tx");
        if (r.code != 0)
            return "error " + b_.OdbcLastError();
        std::vector<std::string> values;
        const std::int16_t code = b_.OdbcFetchRow(values);
        b_.OdbcCloseCursor();
        b_.OdbcRollback();
        return code == 0 ? values[0] : "fetch " + std::to_string(code);
    }

    std::string conn_;
    OdbcLib a_;
    OdbcLib b_;
};

TEST_P(OdbcTransactions, NothingIsCommittedUntilAskedAndDisconnectCommits)
{
    execOk(a_, "INSERT INTO qv_tx VALUES (1)");
    EXPECT_EQ(countSeenByOther(), "0");
    EXPECT_EQ(exec(a_, "rollback").code, 0);
    execOk(a_, "INSERT INTO qv_tx VALUES (2)");
    execOk(a_, "INSERT INTO qv_tx VALUES (3)");
    EXPECT_EQ(countSeenByOther(), "0");
    EXPECT_EQ(a_.OdbcDisconnect(), 0);
    EXPECT_TRUE(holdsNoConnection(a_));
    EXPECT_EQ(countSeenByOther(), "2");
    ASSERT_EQ(connectWith(a_, conn_), 0);
}

TEST_P(OdbcTransactions, LeadingCommitWordIsATransactionCall)
{
    struct Case {
        const char* sql;
        bool committed;
    };
    // Only a statement that is COMMIT and nothing more is the call; anything else goes to the
    // driver, which refuses it.
    const Case cases[] = {
        {"commit", true},      {"Commit work", true},          {" COMMIT; ", true},
        {"/* c */ END", true}, {" COMMITTED nonsense", false}, {"COMMIT x", false},
        {"ROLLBACK", false},
    };
    int expected = 0;
    for (const Case& c : cases) {
        execOk(a_, "INSERT INTO qv_tx VALUES (1)");
        const ExecResult r = exec(a_, c.sql);
        if (c.committed) {
            ++expected;
            EXPECT_EQ(r.code, 0) << c.sql << " " << a_.OdbcLastError();
            EXPECT_EQ(r.rows, 0);
            EXPECT_EQ(r.cols, 0);
        } else if (std::string_view(c.sql) != "ROLLBACK") {
            EXPECT_NE(r.code, 0) << c.sql;
            a_.OdbcRollback();
        }
        EXPECT_EQ(countSeenByOther(), std::to_string(expected)) << c.sql;
    }
}

// The server refuses every write, however it is spelt, also after a ROLLBACK and in the session
// of a reconnect; reads go on. Each write is first shown to work before the session is set.
TEST_P(OdbcTransactions, ReadOnlySessionLetsTheServerRefuseEveryWrite)
{
    const Backend& backend = GetParam();
    // A write inside WITH, in the form each database accepts.
    const std::string withWrite =
        backend.postgres  ? "WITH x AS (INSERT INTO qv_tx VALUES (9) RETURNING 1) SELECT * FROM x"
        : backend.mariadb ? "INSERT INTO qv_tx WITH x AS (SELECT 9) SELECT * FROM x"
                          : "WITH x AS (SELECT 9) INSERT INTO qv_tx SELECT * FROM x";
    const std::string writes[] = {"INSERT INTO qv_tx VALUES (7)",
                                  "UPDATE qv_tx SET id = 8",
                                  "DELETE FROM qv_tx",
                                  "CREATE TABLE qv_ro (id INTEGER)",
                                  withWrite,
                                  "/* SELECT */ DELETE FROM qv_tx"};
    // psqlODBC's cursor fetch (UseDeclareFetch=1) wraps a statement with a result in DECLARE,
    // which refuses a write inside WITH before the server sees it: fetch without it here.
    const std::string conn = backend.postgres ? conn_ + "UseDeclareFetch=0;" : conn_;
    a_.OdbcDisconnect();
    ASSERT_EQ(connectWith(a_, conn), 0) << a_.OdbcLastError();
    execOk(a_, "INSERT INTO qv_tx VALUES (1)");
    ASSERT_EQ(a_.OdbcCommit(), 0);
    for (const std::string& sql : writes) {
        execOk(a_, sql);
        a_.OdbcRollback();
    }
    dropTable(a_, "qv_ro"); // MariaDB commits DDL at once

    for (const char* session : {"connect", "reconnect"}) {
        bool serverEnforced = false;
        ASSERT_EQ(a_.OdbcSetReadOnly(serverEnforced), 0) << session << " " << a_.OdbcLastError();
        EXPECT_TRUE(serverEnforced);
        for (const std::string& sql : writes) {
            EXPECT_NE(exec(a_, sql).code, 0) << session << ": " << sql;
            // The server's own refusal: "read-only transaction" (PostgreSQL), "READ ONLY
            // transaction" (MariaDB), "readonly database" (SQLite).
            std::string error = a_.OdbcLastError();
            std::transform(error.begin(), error.end(), error.begin(), ::tolower);
            EXPECT_TRUE(error.find("read-only") != std::string::npos ||
                        error.find("read only") != std::string::npos ||
                        error.find("readonly") != std::string::npos ||
                        error.find("読取専用") != std::string::npos)
                << session << ": " << sql << "\n"
                << error;
            a_.OdbcRollback();
        }
        ASSERT_EQ(exec(a_, "SELECT id FROM qv_tx").code, 0) << a_.OdbcLastError();
        EXPECT_EQ(fetchAll(a_, FetchMode::Row), (std::vector<std::vector<std::string>>{{"1"}}));
        a_.OdbcCloseCursor();
        a_.OdbcDisconnect();
        ASSERT_EQ(connectWith(a_, conn), 0) << a_.OdbcLastError();
    }
    // What a user could type to make the session writable again: each is refused before it is
    // sent, or the check after it finds the session writable, rolls back and sets it again
    // (the DO block, whose text the reader does not look into).
    const std::vector<std::string> bypasses =
        backend.postgres
            ? std::vector<std::string>{"SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE",
                                       "RESET ALL",
                                       "select set_config('default_transaction_read_only','off',"
                                       "false)",
                                       "DO $$BEGIN PERFORM set_config("
                                       "'default_transaction_read_only', 'off', false); END$$"}
        : backend.mariadb ? std::vector<std::string>{"SET SESSION TRANSACTION READ WRITE",
                                                     "SET SESSION tx_read_only = 0",
                                                     "START TRANSACTION READ WRITE",
                                                     "/*!40101 SET SESSION tx_read_only = 0 */",
                                                     "CREATE TABLE qv_ro (id INTEGER)"}
                          : std::vector<std::string>{
                                "PRAGMA query_only = 0", "PRAGMA \"query_only\" = 0",
                                "ATTACH DATABASE '" + std::string(std::getenv("QV_TESTENV")) +
                                    "/qv_att.db' AS att"};
    // On the program's own connection options.
    a_.OdbcDisconnect();
    ASSERT_EQ(connectWith(a_, conn_), 0) << a_.OdbcLastError();
    bool serverEnforced = false;
    ASSERT_EQ(a_.OdbcSetReadOnly(serverEnforced), 0) << a_.OdbcLastError();
    for (const std::string& sql : bypasses) {
        exec(a_, sql);
        const std::string what = a_.OdbcLastError();
        // A new transaction starts as the session's setting says.
        a_.OdbcCommit();
        EXPECT_NE(exec(a_, "INSERT INTO qv_tx VALUES (5)").code, 0) << sql << "\n" << what;
        if (!backend.postgres && !backend.mariadb) {
            EXPECT_NE(exec(a_, "CREATE TABLE att.t (x)").code, 0) << sql;
        }
        a_.OdbcCommit();
        EXPECT_EQ(countSeenByOther(), "1") << sql;
    }
    a_.OdbcDisconnect();
    ASSERT_EQ(connectWith(a_, conn), 0) << a_.OdbcLastError();
    // A connection not made read-only writes again.
    execOk(a_, "DELETE FROM qv_tx");
}

INSTANTIATE_TEST_SUITE_P(Drivers, OdbcTransactions, testing::ValuesIn(kBackends), backendName);

} // namespace

namespace {

// psqlODBC reads whole results at execute time unless it fetches through a cursor: a connect
// asks for the cursor unless the data source or the string sets it; MariaDB's and SQLite's
// drivers likewise get their streaming options. Other drivers are left as they are.
TEST(OdbcConnectDefaults, PostgreSqlFetchesThroughACursorUnlessTheUserSaysOtherwise)
{
    struct Case {
        std::string in;
        std::string out;
    };
    const std::string declare = "UseDeclareFetch=1;Fetch=256;";
    const Case cases[] = {
        {"DSN=QV_PG_DEFAULT;", "DSN=QV_PG_DEFAULT;" + declare},
        {"DSN=QV_PG_DEFAULT;UID=qvtest", "DSN=QV_PG_DEFAULT;UID=qvtest;" + declare},
        {"dsn=QV_PG_DEFAULT;usedeclarefetch=0;", "dsn=QV_PG_DEFAULT;usedeclarefetch=0;"},
        {"DSN=QV_PG_DEFAULT;Fetch=50;", "DSN=QV_PG_DEFAULT;Fetch=50;UseDeclareFetch=1;"},
        {"DSN=QV_PG;", "DSN=QV_PG;"}, // the data source sets it itself
        {"DRIVER={PostgreSQL ANSI};SERVER=h;", "DRIVER={PostgreSQL ANSI};SERVER=h;" + declare},
        // SQLite ODBC steps through results with StepAPI=1 (in autocommit mode only).
        {"DSN=QV_SQLITE;", "DSN=QV_SQLITE;StepAPI=1;"},
        {"DRIVER=SQLite3;", "DRIVER=SQLite3;StepAPI=1;"},
        {"DRIVER=SQLite3;stepapi=0", "DRIVER=SQLite3;stepapi=0"},
        {"DSN=NO_SUCH_DSN;", "DSN=NO_SUCH_DSN;"},
        {"", ""},
        // MariaDB Connector/ODBC streams with NO_CACHE=1 from 3.1.17 on.
        {"DSN=QV_MY;", "DSN=QV_MY;NO_CACHE=1;"},
        {"DSN=QV_MY;no_cache=0;", "DSN=QV_MY;no_cache=0;"},
        {"DRIVER={MariaDB Unicode};SERVER=h", "DRIVER={MariaDB Unicode};SERVER=h;NO_CACHE=1;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withFetchDefaults(c.in), c.out) << c.in;
}

TEST(OdbcConnectDefaults, ConnectWithDefaultOptionsReadsRowsAsTheyAreFetched)
{
    // Fetching through a cursor shows on the server: the statement itself runs as a cursor.
    const auto cursorsSeen = [](const std::string& connStr) {
        OdbcLib lib;
        EXPECT_EQ(lib.OdbcInitEnv(), 0);
        std::string uid, pwd, conn = connStr;
        EXPECT_EQ(lib.OdbcConnect(nullptr, "", uid, pwd, "", conn), 0) << lib.OdbcLastError();
        std::int32_t rows = 0;
        std::int16_t cols = 0;
        EXPECT_EQ(lib.OdbcExecute("SELECT COUNT(*) FROM pg_cursors", rows, cols), 0);
        std::vector<std::string> values;
        EXPECT_EQ(lib.OdbcFetchRow(values), 0);
        // The completed string keeps the choice for a reconnect from the history.
        EXPECT_EQ(withFetchDefaults(conn), conn);
        return values.empty() ? std::string() : values[0];
    };
    EXPECT_EQ(cursorsSeen("DSN=QV_PG_DEFAULT;"), "1");
    EXPECT_EQ(cursorsSeen("DSN=QV_PG_DEFAULT;UseDeclareFetch=0;"), "0");
}

} // namespace
