// ODBCComm: message boxes, list loops and the QString boundary, against the real drivers.
#include "odbc/comm/ODBCComm.h"
#include "OdbcTestSupport.h"
#include "ScriptedPrompts.h"
#include "odbc/comm/ResultSetInfo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <ostream>
#include <sys/socket.h>
#include <unistd.h>

// Failure messages show texts, not bytes.
void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

class ODBCCommTest : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(comm_.DbInit());
        connStr_ = QString::fromStdString(scratchConnStr(GetParam(), "comm.db"));
        ASSERT_EQ(connect(comm_), 0) << boxText().toStdString();
    }

    int connect(ODBCComm& comm)
    {
        QString uid;
        QString pwd;
        QString conn = connStr_;
        return comm.DbConnect(nullptr, QString(), uid, pwd, QString(), conn);
    }

    QString boxText() const
    {
        return prompts_.boxes().isEmpty() ? QString() : prompts_.boxes().last().text;
    }

    void expectOneWarning(const QString& title, const QString& text)
    {
        ASSERT_EQ(prompts_.boxes().size(), 1);
        const ScriptedPrompts::Box& box = prompts_.boxes().first();
        EXPECT_EQ(box.icon, Prompts::Icon::Warning);
        EXPECT_EQ(box.buttons, Prompts::Buttons::Ok);
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        prompts_.clear();
    }

    QString connStr_;
    ScriptedPrompts prompts_;
    OdbcLib lib_;
    ODBCComm comm_{lib_, prompts_};
};

TEST_P(ODBCCommTest, ConnectingTwiceIsRefusedAndChangesNothing)
{
    EXPECT_EQ(connect(comm_), -99);
    expectOneWarning("CONNECT エラー", "ＤＢは既に接続されています。");
    EXPECT_TRUE(comm_.DbIsConnected());
    EXPECT_EQ(comm_.DbExecute("SELECT 1"), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_P(ODBCCommTest, ExecuteDescribeAndFetchAsQStrings)
{
    comm_.DbExecute("DROP TABLE IF EXISTS qv_comm");
    ASSERT_EQ(comm_.DbExecute("CREATE TABLE qv_comm (name VARCHAR(40), born DATE, n INTEGER)"), 0);
    ASSERT_EQ(comm_.DbExecute("INSERT INTO qv_comm VALUES ('日本語テキスト', '2001-02-03', 7)"), 0);
    ASSERT_EQ(comm_.DbExecute("INSERT INTO qv_comm VALUES (NULL, NULL, NULL)"), 0);
    EXPECT_EQ(comm_.DbLastRowCount(), 1);
    ASSERT_EQ(comm_.DbExecute("SELECT name, born, n FROM qv_comm ORDER BY COALESCE(n, 99)"), 0);
    EXPECT_EQ(comm_.DbLastRowCount(), 0);
    ASSERT_EQ(comm_.DbLastColumnCount(), 3);

    ResultSetInfo info;
    info.columnCount = comm_.DbLastColumnCount();
    ASSERT_EQ(comm_.DbDescribeResult(info), 0);
    EXPECT_EQ(info.names, (QStringList{"name", "born", "n"}));
    EXPECT_EQ(info.kinds,
              (ColumnKinds{ColumnKind::Text, ColumnKind::DateTime, ColumnKind::Number}));

    for (bool singleRow : {false, true}) {
        if (singleRow) {
            ASSERT_EQ(comm_.DbExecute("SELECT name, born, n FROM qv_comm ORDER BY COALESCE(n, 99)"),
                      0);
        }
        QVector<QString> values;
        ASSERT_EQ(comm_.DbFetch(values, singleRow), 0);
        EXPECT_EQ(values, (QVector<QString>{"日本語テキスト", "2001-02-03", "7"}));
        ASSERT_EQ(comm_.DbFetch(values, singleRow), 0);
        EXPECT_EQ(values, (QVector<QString>{"", "", ""}));
        EXPECT_EQ(comm_.DbFetch(values, singleRow), 100);
        EXPECT_EQ(comm_.DbLastErrorText(), "[OdbcLib]NO DATA FOUND");
    }
    comm_.DbCloseCursor();
    QVector<QString> values;
    EXPECT_EQ(comm_.DbFetch(values, false), 9999);
    EXPECT_TRUE(prompts_.boxes().isEmpty());
    comm_.DbRollback();
}

TEST_P(ODBCCommTest, DisconnectCommitsAndRollbackDiscards)
{
    comm_.DbExecute("DROP TABLE IF EXISTS qv_comm_tx");
    ASSERT_EQ(comm_.DbExecute("CREATE TABLE qv_comm_tx (id INTEGER)"), 0);
    ASSERT_EQ(comm_.DbCommit(), 0);
    ASSERT_EQ(comm_.DbExecute("INSERT INTO qv_comm_tx VALUES (1)"), 0);
    ASSERT_EQ(comm_.DbRollback(), 0);
    ASSERT_EQ(comm_.DbExecute("INSERT INTO qv_comm_tx VALUES (2)"), 0);
    EXPECT_EQ(comm_.DbDisconnect(), 0);
    EXPECT_FALSE(comm_.DbIsConnected());
    EXPECT_FALSE(lib_.hasEnvironment());
    EXPECT_EQ(comm_.DbDisconnect(), 0);

    ASSERT_EQ(connect(comm_), 0);
    ASSERT_EQ(comm_.DbExecute("SELECT id FROM qv_comm_tx"), 0);
    QVector<QString> values;
    ASSERT_EQ(comm_.DbFetch(values, false), 0);
    EXPECT_EQ(values.value(0), "2");
    EXPECT_EQ(comm_.DbFetch(values, false), 100);
    EXPECT_TRUE(prompts_.boxes().isEmpty());
}

TEST_P(ODBCCommTest, CommitWithoutConnectionShowsTheConnectionText)
{
    ASSERT_EQ(comm_.DbDisconnect(), 0);
    EXPECT_EQ(comm_.DbCommit(), 9999);
    expectOneWarning("COMMIT エラー",
                     "9999:ＤＢ接続に失敗しています。\n[OdbcLib]INVALID HANDLE:プログラムエラー");
    EXPECT_EQ(comm_.DbRollback(), 9999);
    expectOneWarning("ROLLBACK エラー",
                     "9999:ＤＢ接続に失敗しています。\n[OdbcLib]INVALID HANDLE:プログラムエラー");
}

TEST_P(ODBCCommTest, ListsObjectsAndExactColumnsAndMarksKeys)
{
    comm_.DbExecute("DROP VIEW IF EXISTS qv_cview");
    comm_.DbCommit();
    const QString u1 = QString::fromStdString(quoted(GetParam(), "U_1"));
    const QString ux1 = QString::fromStdString(quoted(GetParam(), "UX1"));
    for (const QString& t : {u1, ux1}) {
        comm_.DbExecute(QString("DROP TABLE IF EXISTS ") + t);
        comm_.DbCommit();
    }
    ASSERT_EQ(comm_.DbExecute("CREATE TABLE " + u1 +
                              " (k1 INTEGER NOT NULL, name VARCHAR(10), "
                              "k2 INTEGER NOT NULL, UNIQUE (k2, k1))"),
              0);
    ASSERT_EQ(comm_.DbExecute("CREATE TABLE " + ux1 + " (other INTEGER)"), 0);
    ASSERT_EQ(comm_.DbExecute("CREATE VIEW qv_cview AS SELECT name FROM " + u1), 0);
    ASSERT_EQ(comm_.DbCommit(), 0);

    int tableCount = -1;
    int viewCount = -1;
    int otherCount = -1;
    QStringList tables;
    QStringList views;
    QStringList others;
    ASSERT_EQ(
        comm_.DbListObjects(std::nullopt, tableCount, tables, viewCount, views, otherCount, others),
        0);
    EXPECT_EQ(tableCount, tables.size());
    EXPECT_TRUE(tables.contains("U_1"));
    EXPECT_TRUE(tables.contains("UX1"));
    EXPECT_TRUE(views.contains("qv_cview"));
    EXPECT_EQ(viewCount, views.size());
    EXPECT_EQ(otherCount, 0);

    int count = -1;
    QStringList names;
    QStringList types;
    ASSERT_EQ(comm_.DbListColumns(std::nullopt, "U_1", 1000, count, names, types), 0);
    EXPECT_EQ(names, (QStringList{"k1", "name", "k2"}));
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(types.value(0).endsWith(" NOT NULL")) << types.value(0).toStdString();
    ASSERT_EQ(comm_.DbListColumns(std::nullopt, "U_1", 2, count, names, types), 0);
    EXPECT_EQ(count, 2);

    QVector<std::int16_t> keys{0, 7, 0};
    ASSERT_EQ(comm_.DbMarkKeyColumns(std::nullopt, "U_1", 3, {"k1", "name", "k2"}, keys), 0);
    EXPECT_EQ(keys, (QVector<std::int16_t>{2, 7, 1}));
    EXPECT_TRUE(prompts_.boxes().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Drivers, ODBCCommTest, testing::ValuesIn(kBackends), backendName);

int threadCount()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task"))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                .size());
}

TEST_P(ODBCCommTest, OneThreadServesEveryCallAndAClosedResultsBlockIsDropped)
{
    // Every driver call runs on the connection's one thread, started by the first call: a
    // 10,000-row fill and a stream of the same rows start no other.
    const QString numbers =
        GetParam().postgres
            ? QStringLiteral("SELECT x FROM generate_series(1, 10000) AS g(x)")
            : QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                             "WHERE x < 10000) SELECT x FROM c");
    const int threads = threadCount();
    ASSERT_EQ(comm_.DbExecute(numbers), 0);
    std::vector<QVector<QString>> rows;
    int blocks = 0;
    const ODBCComm::BlockSink keep = [&](std::vector<QVector<QString>>& block) {
        ++blocks;
        std::move(block.begin(), block.end(), std::back_inserter(rows));
    };
    std::int16_t code = comm_.DbFetchRows(10001, false, true, {}, keep);
    EXPECT_EQ(code, 100);
    EXPECT_GT(blocks, 1);
    ASSERT_EQ(rows.size(), 10000u);
    EXPECT_EQ(rows.back().at(0), QStringLiteral("10000"));
    ASSERT_EQ(comm_.DbExecute(numbers), 0);
    std::int64_t streamed = 0;
    const auto count = [&streamed](const std::vector<std::string_view>&) { return ++streamed > 0; };
    while ((code = comm_.DbStreamRows(count, std::chrono::milliseconds(50))) == 0) {
    }
    EXPECT_EQ(code, 100);
    EXPECT_EQ(streamed, 10000);
    EXPECT_EQ(threadCount(), threads);

    // A result closed while its block is on the way (a click while the window waits): the
    // block is dropped and the connection serves the next statement. MariaDB's driver holds
    // the whole result after the execute, so its fetch may be back before any event runs.
    if (GetParam().mariadb)
        return;
    const QString slowRows =
        GetParam().postgres
            ? QStringLiteral("SELECT x, pg_sleep(0.002) FROM generate_series(1, 300) AS g(x)")
            : QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                             "WHERE x < 3000000) SELECT x FROM c WHERE x % 10000 = 0");
    ASSERT_EQ(comm_.DbExecute(slowRows), 0);
    bool closedDuringCall = false;
    QTimer::singleShot(0, [&] {
        closedDuringCall = comm_.work().callInProgress();
        comm_.DbCloseCursor();
    });
    rows.clear();
    EXPECT_EQ(comm_.DbFetchRows(10001, false, false, {}, keep), 100);
    EXPECT_TRUE(closedDuringCall);
    EXPECT_TRUE(rows.empty());
    EXPECT_FALSE(comm_.work().cursorHeld());
    ASSERT_EQ(comm_.DbExecute(QStringLiteral("SELECT 7")), 0);
    ASSERT_EQ(comm_.DbFetchRows(10, false, false, {}, keep), 100);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at(0), QStringLiteral("7"));
}

TEST(ODBCCommConnect, FailuresShowOneBoxWithCodeAndDriverText)
{
    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm comm(lib, prompts);
    ASSERT_TRUE(comm.DbInit());
    QString uid = testenv::kPgUser;
    QString pwd = "wrong";
    QString conn;
    EXPECT_EQ(comm.DbConnect(nullptr, testenv::kPgDsn, uid, pwd, QString(), conn), -99);
    ASSERT_EQ(prompts.boxes().size(), 1);
    const ScriptedPrompts::Box box = prompts.boxes().first();
    EXPECT_EQ(box.title, "CONNECT エラー");
    EXPECT_EQ(box.icon, Prompts::Icon::Warning);
    const QString head = QString::number(lib.OdbcLastErrorCode()) + ":ＤＢ接続に失敗しました。\n";
    EXPECT_TRUE(box.text.startsWith(head)) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("password authentication failed")) << box.text.toStdString();
    EXPECT_TRUE(lib.OdbcLastError().empty()); // taken into the box
    EXPECT_FALSE(comm.DbIsConnected());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    prompts.clear();
    QString noUid;
    EXPECT_EQ(comm.DbConnect(nullptr, "NO_SUCH_DSN", noUid, pwd, QString(), conn), -99);
    ASSERT_EQ(prompts.boxes().size(), 1);
    EXPECT_EQ(prompts.boxes().first().text,
              "-9999:ＤＢ接続に失敗しました。\n[unixODBC][Driver Manager]Data source name not "
              "found and no default driver specified");

    // A server that takes the connection and never answers: the window's events run while
    // the driver waits, and the stop gives the connect up at once, with one box. The driver's
    // wait ends later, when the server goes away; its late result is dropped, and the next
    // connect, queued behind it, connects.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t atSize = sizeof at;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&at), atSize), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ASSERT_EQ(::getsockname(silent, reinterpret_cast<sockaddr*>(&at), &atSize), 0);
    QString silentConn = QStringLiteral("DSN=%1;Port=%2;pqopt={connect_timeout=20}")
                             .arg(testenv::kPgDsn)
                             .arg(ntohs(at.sin_port));
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (++ticks == 20)
            comm.work().cancelAll();
    });
    tick.start(10);
    prompts.clear();
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(comm.DbConnect(nullptr, QString(), uid, pwd, QString(), silentConn), -99);
    EXPECT_LT(waited.elapsed(), 5000);
    EXPECT_GE(ticks, 20);
    EXPECT_FALSE(comm.DbIsConnected());
    EXPECT_FALSE(comm.work().busy());
    EXPECT_TRUE(comm.work().lateJobRunning());
    ASSERT_EQ(prompts.boxes().size(), 1);
    EXPECT_EQ(prompts.boxes().first().text, "接続を中止しました。ＤＢは接続されていません。");
    tick.stop();
    ::close(silent);

    pwd = testenv::kPgPassword;
    EXPECT_EQ(comm.DbConnect(nullptr, testenv::kPgDsn, uid, pwd, QString(), conn), 0);
    EXPECT_EQ(uid, "qvtest");
    EXPECT_TRUE(conn.startsWith("DSN=QV_PG;"));
    EXPECT_FALSE(comm.work().lateJobRunning());
}

TEST(ODBCCommBoxes, ShowErrorTexts)
{
    struct Case {
        std::int16_t code;
        bool connected;
        const char* text;
    };
    const Case cases[] = {
        {-9, true, "-9:データが重複しています。コードを変更して下さい。"},
        {100, false, "100:該当データがありません。コードを変更して下さい。"},
        {-1017, true, "-1017:以下のメッセージを参照。\n[OdbcLib]NO DATA FOUND"},
        {-1017, false, "-1017:ＤＢ接続に失敗しています。\n[OdbcLib]NO DATA FOUND"},
    };
    for (const Case& c : cases) {
        ScriptedPrompts prompts;
        OdbcLib lib;
        ODBCComm comm(lib, prompts);
        comm.DbInit();
        if (c.connected) {
            QString uid;
            QString pwd;
            QString conn = QString::fromStdString(testenv::freshSqliteConnStr("boxes.db"));
            ASSERT_EQ(comm.DbConnect(nullptr, QString(), uid, pwd, QString(), conn), 0);
        }
        lib.OdbcCheckResult(100); // a known last error text
        comm.DbShowError(c.code, "COMMIT エラー");
        ASSERT_EQ(prompts.boxes().size(), 1);
        EXPECT_EQ(prompts.boxes().first().title, "COMMIT エラー");
        EXPECT_EQ(prompts.boxes().first().text, c.text);
        // The driver's text stays for the status bar of the command that failed.
        EXPECT_EQ(comm.DbLastErrorText(), "[OdbcLib]NO DATA FOUND");
    }
}

TEST(ODBCCommLists, DataSourcesAndDriversWithLimits)
{
    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm comm(lib, prompts);
    ASSERT_TRUE(comm.DbInit());
    int count = -1;
    QStringList names;
    QStringList descriptions;
    ASSERT_EQ(comm.DbListDataSources(99, count, names, descriptions), 0);
    EXPECT_EQ(count, names.size());
    const int index = names.indexOf(testenv::kPgDsn);
    ASSERT_GE(index, 0);
    EXPECT_EQ(descriptions.value(index), "PostgreSQL ANSI");
    ASSERT_EQ(comm.DbListDataSources(2, count, names, descriptions), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(names.size(), 2);

    ASSERT_EQ(comm.DbListDrivers(99, count, names), 0);
    EXPECT_TRUE(names.contains("SQLite3"));
    EXPECT_TRUE(names.contains("PostgreSQL ANSI"));
    ASSERT_EQ(comm.DbListDrivers(1, count, names), 0);
    EXPECT_EQ(count, 1);
}

} // namespace

namespace {

// The server goes away with uncommitted work: the disconnect's COMMIT fails, and the user is
// told that the work was not committed, with the driver's text.
TEST(ODBCCommDisconnect, FailedCommitAtDisconnectIsShown)
{
    struct Restart {
        ~Restart() { testenv::pgStart(); }
    } restart;
    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm comm(lib, prompts);
    QString uid;
    QString pwd;
    QString conn = QStringLiteral("DSN=%1;").arg(QLatin1String(testenv::kPgDsn));
    ASSERT_EQ(comm.DbConnect(nullptr, QString(), uid, pwd, QString(), conn), 0);
    ASSERT_EQ(comm.DbExecute(QStringLiteral("CREATE TEMPORARY TABLE qv_lost (id INTEGER)")), 0);
    ASSERT_TRUE(testenv::pgStop());

    EXPECT_EQ(comm.DbDisconnect(), -99);
    EXPECT_FALSE(comm.DbIsConnected());
    ASSERT_EQ(prompts.boxes().size(), 1);
    const ScriptedPrompts::Box& box = prompts.boxes().first();
    EXPECT_EQ(box.icon, Prompts::Icon::Warning);
    EXPECT_EQ(box.title, QStringLiteral("QUORVANT - COMMITエラー"));
    EXPECT_TRUE(box.text.contains(QStringLiteral("COMMITされていません")));
    EXPECT_GT(box.text.split(QLatin1Char('\n')).value(1).size(), 0) << box.text.toStdString();
}

} // namespace
