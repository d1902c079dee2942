// Faults met on MariaDB through Connector/ODBC: each gives the driver's code and text in the
// usual box or status, never a success.
#include "OdbcTestSupport.h"
#include "ScriptedPrompts.h"
#include "odbc/comm/ODBCComm.h"

namespace {

TEST(MariaDbFaults, FailedConnectsShowTheDriversCodeAndText)
{
    struct Case {
        const char* name;
        std::string connStr;
        std::int16_t code;
        const char* text;
    };
    // A port where nothing listens stands for a server that is not running.
    const std::string dsn = std::string("DSN=") + testenv::kMyDsn + ";";
    const Case cases[] = {
        {"wrong password", dsn + "PWD=wrong;", -1045, "Access denied for user 'qvtest'"},
        {"no such database", dsn + "DATABASE=qv_no_such_db;", -1049,
         "Unknown database 'qv_no_such_db'"},
        {"no server", dsn + "PORT=" + std::to_string(testenv::myPort() + 1000) + ";", -2002,
         "Can't connect to server on '127.0.0.1'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPrompts prompts;
        OdbcLib lib;
        ODBCComm comm(lib, prompts);
        ASSERT_TRUE(comm.DbInit());
        QString uid;
        QString pwd;
        QString conn = QString::fromStdString(c.connStr);
        EXPECT_EQ(comm.DbConnect(nullptr, QString(), uid, pwd, QString(), conn), -99);
        EXPECT_EQ(lib.OdbcLastErrorCode(), c.code);
        ASSERT_EQ(prompts.boxes().size(), 1);
        EXPECT_EQ(prompts.boxes()[0].title, "CONNECT エラー");
        const QString text = prompts.boxes()[0].text;
        EXPECT_TRUE(text.startsWith(QString::number(c.code) + ":ＤＢ接続に失敗しました。\n"))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.text))) << text.toStdString();
        EXPECT_FALSE(comm.DbIsConnected());
    }
}

// Connector/ODBC 3.1.15 has read the whole result at execute time, so the rows still arrive
// after the server is gone; the loss shows at the next call, and a pending change is never
// reported as committed.
TEST(MariaDbFaults, ServerStoppedWhileFetching)
{
    OdbcLib lib;
    ASSERT_EQ(connectWith(lib, std::string("DSN=") + testenv::kMyDsn + ";"), 0);
    dropTable(lib, "qv_my_fault");
    execOk(lib, "CREATE TABLE qv_my_fault (id INTEGER)");
    execOk(lib, "INSERT INTO qv_my_fault VALUES (1)");
    ASSERT_EQ(exec(lib, seriesSql(5000), 10001).code, 0);
    std::vector<std::string> values;
    ASSERT_EQ(fetchBlockRow(lib, values), 0);

    ASSERT_TRUE(testenv::myStop());
    std::int16_t end = 0;
    const auto rest = fetchAll(lib, FetchMode::Block, &end);
    EXPECT_EQ(rest.size(), 4999u);
    EXPECT_EQ(end, 100);
    const std::int16_t commit = lib.OdbcCommit();
    EXPECT_NE(commit, 0);
    EXPECT_FALSE(lib.OdbcLastError().empty());
    ExecResult r = exec(lib, "SELECT 1");
    EXPECT_LT(r.code, 0);
    EXPECT_FALSE(lib.OdbcLastError().empty()) << r.code;
    lib.OdbcDisconnect();
    EXPECT_TRUE(holdsNoConnection(lib));
    ASSERT_TRUE(testenv::myStart());

    ASSERT_EQ(connectWith(lib, std::string("DSN=") + testenv::kMyDsn + ";"), 0)
        << lib.OdbcLastError();
    ASSERT_EQ(exec(lib, "SELECT COUNT(*) FROM qv_my_fault").code, 0);
    ASSERT_EQ(lib.OdbcFetchRow(values), 0);
    EXPECT_EQ(values[0], "0");
    lib.OdbcCloseCursor();
    dropTable(lib, "qv_my_fault");
}

} // namespace
