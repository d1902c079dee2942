// The grid's row cap stops a result and changes nothing else: every statement behaves with the
// cap as it does without it, on every driver.
#include "OdbcTestSupport.h"

#include "odbc/DriverTraits.h"

namespace {

constexpr std::int32_t kCap = 3;

// What a statement did: its status, counts, the rows it showed and the table afterwards.
struct Outcome {
    std::int16_t code = 0;
    std::int32_t rows = 0;
    std::int16_t cols = 0;
    std::vector<std::vector<std::string>> shown;
    std::vector<std::vector<std::string>> after;
};

struct CapCase {
    const char* name;
    // Per driver: SQLite, PostgreSQL, MariaDB; nullptr where the driver has no such statement.
    const char* sql[3];
    // Reads the statement's effect; run in the same transaction.
    const char* check;
};

const CapCase kCases[] = {
    {"Create",
     {"CREATE TABLE qv_cap_new AS SELECT a FROM qv_cap",
      "CREATE TABLE qv_cap_new AS SELECT a FROM qv_cap",
      "CREATE TABLE qv_cap_new AS SELECT a FROM qv_cap"},
     "SELECT a FROM qv_cap_new ORDER BY a"},
    {"Insert",
     {"INSERT INTO qv_cap SELECT a + 10 FROM qv_cap",
      "INSERT INTO qv_cap SELECT a + 10 FROM qv_cap",
      "INSERT INTO qv_cap SELECT a + 10 FROM qv_cap"},
     "SELECT a FROM qv_cap ORDER BY a"},
    {"Update",
     {"UPDATE qv_cap SET a = a * 2", "UPDATE qv_cap SET a = a * 2", "UPDATE qv_cap SET a = a * 2"},
     "SELECT a FROM qv_cap ORDER BY a"},
    {"SelectWithItsOwnLimit",
     {"SELECT a FROM qv_cap ORDER BY a DESC LIMIT 2",
      "SELECT a FROM qv_cap ORDER BY a DESC LIMIT 2",
      "SELECT a FROM qv_cap ORDER BY a DESC LIMIT 2"},
     nullptr},
    {"SelectWithALimitAboveTheCap",
     {"SELECT a FROM qv_cap ORDER BY a DESC LIMIT 4",
      "SELECT a FROM qv_cap ORDER BY a DESC LIMIT 4",
      "SELECT a FROM qv_cap ORDER BY a DESC LIMIT 4"},
     nullptr},
    {"SubqueriesAndUnion",
     {"SELECT a FROM (SELECT a FROM qv_cap) t WHERE a IN (SELECT a FROM qv_cap) "
      "UNION ALL SELECT a FROM qv_cap ORDER BY a",
      "SELECT a FROM (SELECT a FROM qv_cap) t WHERE a IN (SELECT a FROM qv_cap) "
      "UNION ALL SELECT a FROM qv_cap ORDER BY a",
      "SELECT a FROM (SELECT a FROM qv_cap) t WHERE a IN (SELECT a FROM qv_cap) "
      "UNION ALL SELECT a FROM qv_cap ORDER BY a"},
     nullptr},
    {"SelectForUpdate",
     {nullptr, "SELECT a FROM qv_cap ORDER BY a FOR UPDATE",
      "SELECT a FROM qv_cap ORDER BY a FOR UPDATE"},
     nullptr},
    {"CommonTableExpression",
     {"WITH t AS (SELECT a FROM qv_cap WHERE a > 1) SELECT a FROM t ORDER BY a",
      "WITH t AS (SELECT a FROM qv_cap WHERE a > 1) SELECT a FROM t ORDER BY a",
      "WITH t AS (SELECT a FROM qv_cap WHERE a > 1) SELECT a FROM t ORDER BY a"},
     nullptr},
    {"ProcedureCall",
     {nullptr, "CALL qv_cap_p()", "CALL qv_cap_p()"},
     "SELECT a FROM qv_cap ORDER BY a"},
};

class RowCap : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(connectWith(lib_, scratchConnStr(GetParam(), "cap.db")), 0)
            << lib_.OdbcLastError();
        clean();
        execOk(lib_, "CREATE TABLE qv_cap (a INTEGER)");
        execOk(lib_, "INSERT INTO qv_cap VALUES (1), (2), (3), (4), (5)");
        if (GetParam().postgres)
            execOk(lib_, "CREATE PROCEDURE qv_cap_p() LANGUAGE sql AS 'UPDATE qv_cap SET a = -a'");
        if (GetParam().mariadb)
            execOk(lib_, "CREATE PROCEDURE qv_cap_p() UPDATE qv_cap SET a = -a");
        ASSERT_EQ(lib_.OdbcCommit(), 0);
    }
    void TearDown() override { clean(); }

    void clean()
    {
        if (GetParam().postgres || GetParam().mariadb) {
            exec(lib_, "DROP PROCEDURE IF EXISTS qv_cap_p");
            lib_.OdbcCommit();
        }
        dropTable(lib_, "qv_cap_new");
        dropTable(lib_, "qv_cap");
    }

    int driverIndex() const { return GetParam().postgres ? 1 : GetParam().mariadb ? 2 : 0; }

    // Runs the statement, reads what it showed and did, and undoes it.
    Outcome run(const CapCase& c, std::int32_t cap)
    {
        Outcome out;
        const ExecResult r = exec(lib_, c.sql[driverIndex()], cap);
        out.code = r.code;
        out.rows = r.rows;
        out.cols = r.cols;
        if (r.code == 0 && r.cols > 0)
            out.shown = fetchAll(lib_, FetchMode::Block);
        lib_.OdbcCloseCursor();
        if (r.code == 0 && c.check != nullptr) {
            EXPECT_EQ(exec(lib_, c.check).code, 0) << lib_.OdbcLastError();
            out.after = fetchAll(lib_, FetchMode::Row);
        }
        lib_.OdbcRollback();
        // MariaDB commits DDL at once; the created table goes by hand.
        dropTable(lib_, "qv_cap_new");
        return out;
    }

    OdbcLib lib_;
};

TEST_P(RowCap, StatementsBehaveUnderTheCapAsWithoutIt)
{
    for (const CapCase& c : kCases) {
        SCOPED_TRACE(c.name);
        if (c.sql[driverIndex()] == nullptr)
            continue;
        const Outcome plain = run(c, 0);
        ASSERT_EQ(plain.code, 0) << lib_.OdbcLastError();
        const Outcome capped = run(c, kCap);
        EXPECT_EQ(capped.code, 0) << lib_.OdbcLastError();
        EXPECT_EQ(capped.rows, plain.rows);
        EXPECT_EQ(capped.cols, plain.cols);
        EXPECT_EQ(capped.after, plain.after);
        // The cap shows the first rows of the same result, no more.
        const std::size_t n = std::min<std::size_t>(plain.shown.size(), kCap);
        EXPECT_EQ(capped.shown,
                  decltype(plain.shown)(plain.shown.begin(), plain.shown.begin() + n));
    }
}

TEST_P(RowCap, CapStopsTheResultInBothFetchModes)
{
    for (FetchMode mode : {FetchMode::Row, FetchMode::Block}) {
        ASSERT_EQ(exec(lib_, "SELECT a FROM qv_cap ORDER BY a", kCap).code, 0);
        std::int16_t end = 0;
        const auto rows = fetchAll(lib_, mode, &end);
        EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"1"}, {"2"}, {"3"}}));
        EXPECT_EQ(end, 100);
    }
    // Only drivers that stop a result without rewriting the statement are given the cap.
    EXPECT_EQ(lib_.driverCapsRows(), !GetParam().mariadb);
}

// With the grid's own cap over a result twice its size: only the grid's result is cut. On
// MariaDB the cap reaches the server as sql_select_limit (so it sends no more), around that
// statement only, and a lower limit of the session's own stays in force.
TEST_P(RowCap, GridCapCutsOnlyTheGridsResult)
{
    constexpr std::int32_t kGridCap = 10001;
    constexpr int kRows = 20000;
    dropTable(lib_, "qv_cap_big");
    execOk(lib_, "CREATE TABLE qv_cap_big (n INTEGER)");
    const std::string fill = "INSERT INTO qv_cap_big SELECT n FROM (" + seriesSql(kRows) + ") s";
    const ExecResult inserted = exec(lib_, fill, kGridCap);
    ASSERT_EQ(inserted.code, 0) << lib_.OdbcLastError();
    EXPECT_EQ(inserted.rows, kRows);
    const auto count = [&] {
        EXPECT_EQ(exec(lib_, "SELECT COUNT(*) FROM qv_cap_big").code, 0);
        return fetchAll(lib_, FetchMode::Row);
    };
    EXPECT_EQ(count(), (std::vector<std::vector<std::string>>{{std::to_string(kRows)}}));

    const std::string select = "SELECT n FROM qv_cap_big ORDER BY n";
    ASSERT_EQ(exec(lib_, select, kGridCap).code, 0) << lib_.OdbcLastError();
    const auto shown = fetchAll(lib_, FetchMode::Block);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(kGridCap));
    EXPECT_EQ(shown.back().front(), std::to_string(kGridCap));
    if (GetParam().mariadb) {
        ASSERT_EQ(exec(lib_, "SELECT FOUND_ROWS(), @@SESSION.sql_select_limit").code, 0);
        const auto sent = fetchAll(lib_, FetchMode::Row);
        EXPECT_EQ(sent, (std::vector<std::vector<std::string>>{
                            {std::to_string(kGridCap), "18446744073709551615"}}));
    }
    // Execute-and-save opens its result uncapped right after the grid's.
    ASSERT_EQ(exec(lib_, select).code, 0) << lib_.OdbcLastError();
    EXPECT_EQ(fetchAll(lib_, FetchMode::Block).size(), static_cast<std::size_t>(kRows));

    if (GetParam().mariadb) {
        execOk(lib_, "SET SESSION sql_select_limit = 5");
        ASSERT_EQ(exec(lib_, select, kGridCap).code, 0);
        EXPECT_EQ(fetchAll(lib_, FetchMode::Block).size(), 5U);
        ASSERT_EQ(exec(lib_, "SELECT @@SESSION.sql_select_limit").code, 0);
        EXPECT_EQ(fetchAll(lib_, FetchMode::Row), (std::vector<std::vector<std::string>>{{"5"}}));
        execOk(lib_, "SET SESSION sql_select_limit = 15000");
        ASSERT_EQ(exec(lib_, select, kGridCap).code, 0);
        EXPECT_EQ(fetchAll(lib_, FetchMode::Block).size(), static_cast<std::size_t>(kGridCap));
        ASSERT_EQ(exec(lib_, select).code, 0);
        EXPECT_EQ(fetchAll(lib_, FetchMode::Block).size(), 15000U);
        execOk(lib_, "SET SESSION sql_select_limit = DEFAULT");
    }
    lib_.OdbcCloseCursor();
    lib_.OdbcRollback();
    dropTable(lib_, "qv_cap_big");
}

// The rest of a capped result is read by lifting the cap, where the driver still has it.
TEST_P(RowCap, LiftedCapReadsTheRestInOrder)
{
    ASSERT_EQ(exec(lib_, seriesSql(1000), 300).code, 0) << lib_.OdbcLastError();
    EXPECT_EQ(fetchAll(lib_, FetchMode::Block).size(), 300u);
    const bool sqlite = !GetParam().postgres && !GetParam().mariadb;
    // SQLite ODBC read only the capped rows at execute.
    ASSERT_EQ(lib_.OdbcLiftRowCap(), !sqlite);
    if (sqlite)
        return;
    std::int16_t end = 0;
    const auto rest = fetchAll(lib_, FetchMode::Block, &end);
    ASSERT_EQ(rest.size(), 700u);
    EXPECT_EQ(rest.front()[0], "301");
    EXPECT_EQ(rest.back()[0], "1000");
    EXPECT_EQ(end, 100);
    if (GetParam().mariadb) {
        // A plain SELECT's cap went to the server, which sent no more: there is no rest.
        ASSERT_EQ(exec(lib_, "SELECT n FROM (" + seriesSql(1000) + ") s", 300).code, 0);
        EXPECT_EQ(fetchAll(lib_, FetchMode::Block).size(), 300u);
        EXPECT_FALSE(lib_.OdbcLiftRowCap());
        lib_.OdbcCloseCursor();
    }
}

INSTANTIATE_TEST_SUITE_P(Drivers, RowCap, testing::ValuesIn(kBackends), backendName);

} // namespace
