// Statement execution, describing and fetching of OdbcLib against the real drivers.
#include "OdbcTestSupport.h"

namespace {

class OdbcStatements : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(connectWith(lib_, scratchConnStr(GetParam(), "stmt.db")), 0)
            << lib_.OdbcLastError();
    }

    // A table of (id, v) with the given values, committed.
    void makeValues(const std::vector<std::string>& values)
    {
        dropTable(lib_, "qv_values");
        execOk(lib_, "CREATE TABLE qv_values (id INTEGER, v VARCHAR(400))");
        int id = 0;
        for (const std::string& v : values) {
            ++id;
            const std::string text = v == "NULL" ? v : "'" + v + "'";
            execOk(lib_, "INSERT INTO qv_values VALUES (" + std::to_string(id) + ", " + text + ")");
        }
        ASSERT_EQ(lib_.OdbcCommit(), 0);
    }

    OdbcLib lib_;
};

TEST_P(OdbcStatements, RowCountsOfStatementsWithoutResult)
{
    dropTable(lib_, "qv_counts");
    ExecResult r = exec(lib_, "CREATE TABLE qv_counts (id INTEGER, n INTEGER)");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.cols, 0);
    EXPECT_EQ(r.rows, 0); // both drivers report 0 for DDL
    execOk(lib_, "INSERT INTO qv_counts VALUES (1, 0)");
    execOk(lib_, "INSERT INTO qv_counts VALUES (2, 0)");
    execOk(lib_, "INSERT INTO qv_counts VALUES (3, 0)");
    execOk(lib_, "INSERT INTO qv_counts VALUES (4, 1)");

    r = exec(lib_, "UPDATE qv_counts SET n = 5 WHERE n = 0");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.rows, 3);
    EXPECT_EQ(r.cols, 0);
    r = exec(lib_, "DELETE FROM qv_counts WHERE id > 100");
    EXPECT_EQ(r.code, 0) << lib_.OdbcLastError();
    EXPECT_EQ(r.rows, 0);
    lib_.OdbcRollback();
}

TEST_P(OdbcStatements, SelectWithoutRowsEndsAtTheFirstFetch)
{
    dropTable(lib_, "qv_empty");
    execOk(lib_, "CREATE TABLE qv_empty (id INTEGER)");
    for (FetchMode mode : {FetchMode::Row, FetchMode::Block}) {
        ASSERT_EQ(exec(lib_, "SELECT id, id AS b FROM qv_empty").cols, 2);
        std::vector<std::string> values;
        EXPECT_EQ(fetch(lib_, mode, values), 100);
        EXPECT_EQ(lib_.OdbcLastError(), "[OdbcLib]NO DATA FOUND");
        EXPECT_EQ(fetch(lib_, mode, values), 100);
    }
    lib_.OdbcRollback();
}

TEST_P(OdbcStatements, ValuesAreCutAtCharacterBoundariesAndNullIsEmpty)
{
    const std::string ascii(300, 'a');
    std::string japanese; // 300 characters of 3 bytes
    for (int i = 0; i < 100; ++i)
        japanese += "日本語";
    std::string accented; // 300 characters of 2 bytes
    for (int i = 0; i < 300; ++i)
        accented += "é";
    makeValues({ascii, japanese, accented, "NULL", "", "ｶﾀｶﾅ と ひらがな"});

    for (FetchMode mode : {FetchMode::Row, FetchMode::Block}) {
        ASSERT_EQ(exec(lib_, "SELECT v, id FROM qv_values ORDER BY id").code, 0);
        std::int16_t end = 0;
        const auto rows = fetchAll(lib_, mode, &end);
        EXPECT_EQ(end, 100);
        ASSERT_EQ(rows.size(), 6u);
        EXPECT_EQ(rows[0][0], std::string(254, 'a'));
        EXPECT_EQ(rows[1][0], japanese.substr(0, 84 * 3)); // 252 bytes: the 85th would split
        EXPECT_EQ(rows[2][0], accented.substr(0, 127 * 2));
        EXPECT_EQ(rows[3][0], "");
        EXPECT_EQ(rows[4][0], "");
        EXPECT_EQ(rows[5][0], "ｶﾀｶﾅ と ひらがな");
        EXPECT_EQ(rows[5][1], "6");
    }
}

// The grid reads rows through views of the driver's buffers; they must show exactly what the
// copying fetches deliver, cuts, NULLs and repairs included.
TEST_P(OdbcStatements, ViewingFetchesDeliverTheSameTextsAsCopyingFetches)
{
    std::string japanese;
    for (int i = 0; i < 100; ++i)
        japanese += "日本語";
    makeValues({std::string(300, 'a'), japanese, "NULL", "", "ｶﾀｶﾅ", "plain"});
    const std::string select = "SELECT v, id FROM qv_values ORDER BY id";

    for (FetchMode mode : {FetchMode::Row, FetchMode::Block}) {
        ASSERT_EQ(exec(lib_, select).code, 0);
        const auto copied = fetchAll(lib_, mode);
        ASSERT_EQ(exec(lib_, select).code, 0);
        std::vector<std::vector<std::string>> viewed;
        std::vector<std::string_view> values;
        std::int16_t code = 0;
        while ((code = mode == FetchMode::Row ? lib_.OdbcFetchRowView(values)
                                              : lib_.OdbcFetchBlockRowView(values)) == 0)
            viewed.push_back({std::string(values[0]), std::string(values[1])});
        EXPECT_EQ(code, 100);
        EXPECT_EQ(viewed, copied);
    }
}

TEST_P(OdbcStatements, BlockModeCallsTheDriverOncePer256Rows)
{
    ASSERT_TRUE(lib_.blockFetchAvailable());
    struct Case {
        FetchMode mode;
        std::uint64_t extendedFetches;
        std::uint64_t fetches;
    };
    for (const Case& c : {Case{FetchMode::Block, 4, 0}, Case{FetchMode::Row, 0, 601}}) {
        ASSERT_EQ(exec(lib_, seriesSql(600)).cols, 1);
        lib_.resetCallCounters();
        std::int16_t end = 0;
        const auto rows = fetchAll(lib_, c.mode, &end);
        EXPECT_EQ(end, 100);
        ASSERT_EQ(rows.size(), 600u);
        for (int i : {0, 255, 256, 511, 512, 599})
            EXPECT_EQ(rows[i][0], std::to_string(i + 1));
        EXPECT_EQ(lib_.extendedFetchCalls(), c.extendedFetches);
        EXPECT_EQ(lib_.fetchCalls(), c.fetches);
    }
}

TEST_P(OdbcStatements, DescribeGivesNamesAndKinds)
{
    dropTable(lib_, "qv_kinds");
    execOk(lib_, "CREATE TABLE qv_kinds (c_char CHAR(10), c_varchar VARCHAR(20), c_date DATE, "
                 "c_ts TIMESTAMP, c_int INTEGER, c_num NUMERIC(10,2), c_time TIME)");
    const ExecResult r = exec(lib_, "SELECT * FROM qv_kinds");
    ASSERT_EQ(r.cols, 7);
    std::vector<std::string> names;
    std::vector<std::int16_t> kinds;
    ASSERT_EQ(lib_.OdbcDescribeColumns(names, kinds), 0) << lib_.OdbcLastError();
    EXPECT_EQ(names, (std::vector<std::string>{"c_char", "c_varchar", "c_date", "c_ts", "c_int",
                                               "c_num", "c_time"}));
    EXPECT_EQ(kinds, (std::vector<std::int16_t>{1, 1, 2, 2, 0, 0, 2}));
    lib_.OdbcRollback();
}

TEST_P(OdbcStatements, RowCapStopsResultsButNotUpdates)
{
    for (FetchMode mode : {FetchMode::Row, FetchMode::Block}) {
        ASSERT_EQ(exec(lib_, seriesSql(25000), 10001).code, 0);
        std::int16_t end = 0;
        const auto rows = fetchAll(lib_, mode, &end);
        EXPECT_EQ(end, 100);
        ASSERT_EQ(rows.size(), 10001u);
        EXPECT_EQ(rows.back()[0], "10001");
    }
    dropTable(lib_, "qv_cap");
    execOk(lib_, "CREATE TABLE qv_cap (n INTEGER)");
    execOk(lib_, "INSERT INTO qv_cap " + seriesSql(20000));
    const ExecResult r = exec(lib_, "UPDATE qv_cap SET n = n + 1", 10001);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.rows, 20000);
    lib_.OdbcRollback();
}

TEST_P(OdbcStatements, ResultsWiderThanTheCapacityShowTheirFirstColumns)
{
    std::string sql = "SELECT ";
    for (int i = 1; i <= 1001; ++i)
        sql += (i > 1 ? ", " : "") + std::to_string(i) + " AS c" + std::to_string(i);
    const ExecResult r = exec(lib_, sql);
    ASSERT_EQ(r.code, 0) << lib_.OdbcLastError();
    EXPECT_EQ(r.cols, 1001);
    std::vector<std::string> names;
    std::vector<std::int16_t> kinds;
    ASSERT_EQ(lib_.OdbcDescribeColumns(names, kinds), 0);
    ASSERT_EQ(names.size(), 1000u);
    EXPECT_EQ(names[999], "c1000");
    std::vector<std::string> values;
    ASSERT_EQ(fetchBlockRow(lib_, values), 0) << lib_.OdbcLastError();
    ASSERT_EQ(values.size(), 1000u);
    EXPECT_EQ(values[0], "1");
    EXPECT_EQ(values[999], "1000");
}

// A catalog read beside an open result: the result stays fetchable and delivers every row, in
// order, across the driver's blocks (psqlODBC's UseDeclareFetch cursor reads 256 rows per
// FETCH). Found so for SQLite ODBC 0.9998, psqlODBC 13.02 (QV_PG: UseDeclareFetch=1) and
// MariaDB Connector/ODBC 3.1.15, which all report no limit of active statements.
TEST_P(OdbcStatements, CatalogReadBesideAnOpenResultKeepsItsRows)
{
    dropTable(lib_, "qv_beside");
    execOk(lib_, "CREATE TABLE qv_beside (k INTEGER NOT NULL, UNIQUE (k))");
    ASSERT_EQ(lib_.OdbcCommit(), 0);
    EXPECT_TRUE(lib_.catalogBesideCursor());

    constexpr int kRows = 1000;
    ASSERT_EQ(exec(lib_, seriesSql(kRows)).cols, 1) << lib_.OdbcLastError();
    std::vector<std::string> got;
    std::vector<std::string> values;
    const auto fetchSome = [&](int n) {
        for (int i = 0; i < n && fetchBlockRow(lib_, values) == 0; ++i)
            got.push_back(values[0]);
    };
    fetchSome(300);

    std::vector<std::string> catalog;
    std::string type;
    std::string name;
    std::int16_t code = 0;
    while ((code = lib_.OdbcNextTable("TABLE,VIEW,SYNONYM", std::nullopt, type, name)) == 0) {
        if (name == "qv_beside")
            catalog.push_back(type + " " + name);
    }
    EXPECT_EQ(code, 100) << lib_.OdbcLastError();
    fetchSome(300);
    std::string typeText;
    while ((code = lib_.OdbcNextColumn(std::nullopt, "qv_beside", name, type, typeText)) == 0)
        catalog.push_back(name + "." + type);
    EXPECT_EQ(code, 100) << lib_.OdbcLastError();
    std::int16_t position = 0;
    while ((code = lib_.OdbcNextIndexColumn(std::nullopt, "qv_beside", name, position)) == 0)
        catalog.push_back(name + ":" + std::to_string(position));
    EXPECT_EQ(code, 100) << lib_.OdbcLastError();
    EXPECT_EQ(catalog, (std::vector<std::string>{"TABLE qv_beside", "qv_beside.k", "k:1"}));

    ASSERT_TRUE(lib_.cursorAllocated());
    std::int16_t end = 0;
    for (const auto& row : fetchAll(lib_, FetchMode::Block, &end))
        got.push_back(row[0]);
    EXPECT_EQ(end, 100) << lib_.OdbcLastError();
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kRows));
    for (int i = 0; i < kRows; ++i)
        ASSERT_EQ(got[i], std::to_string(i + 1)) << "row " << i;
    dropTable(lib_, "qv_beside");
}

TEST_P(OdbcStatements, BadInputReturnsCodeAndText)
{
    ExecResult r = exec(lib_, "");
    EXPECT_EQ(r.code, -9999);
    EXPECT_NE(lib_.OdbcLastError().find("Invalid string or buffer length"), std::string::npos);

    r = exec(lib_, "SELEC nonsense");
    EXPECT_LT(r.code, 0);
    // MariaDB: "You have an error in your SQL syntax", native code 1064.
    if (GetParam().mariadb) {
        EXPECT_EQ(r.code, -1064);
    }
    EXPECT_NE(
        lib_.OdbcLastError().find(GetParam().mariadb ? "error in your SQL syntax" : "syntax error"),
        std::string::npos)
        << lib_.OdbcLastError();

    // 100,000 characters of SQL.
    const std::string longText(100000 - 20, 'x');
    r = exec(lib_, "SELECT '" + longText + "' AS v");
    ASSERT_EQ(r.code, 0) << lib_.OdbcLastError();
    std::vector<std::string> values;
    ASSERT_EQ(fetchBlockRow(lib_, values), 0);
    EXPECT_EQ(values[0], std::string(254, 'x'));

    // Invalid UTF-8 never reaches the driver: the bad byte arrives as U+FFFD.
    r = exec(lib_, "SELECT 'a\xff"
                   "b' AS v");
    ASSERT_EQ(r.code, 0) << lib_.OdbcLastError();
    ASSERT_EQ(lib_.OdbcFetchRow(values), 0);
    EXPECT_EQ(values[0], "a\xEF\xBF\xBD"
                         "b");
}

INSTANTIATE_TEST_SUITE_P(Drivers, OdbcStatements, testing::ValuesIn(kBackends), backendName);

// psqlODBC 13.02 with its default options skips rows in SQLExtendedFetch once SQL_MAX_ROWS is
// reached; the capped result must still be exactly the first rows.
TEST(OdbcRowCap, BlockFetchOfACappedResultWithPostgresDefaults)
{
    OdbcLib lib;
    ASSERT_EQ(connectWith(lib, std::string("DSN=") + testenv::kPgDefaultDsn + ";"), 0);
    ASSERT_EQ(exec(lib, seriesSql(25000), 10001).code, 0);
    const auto rows = fetchAll(lib, FetchMode::Block);
    ASSERT_EQ(rows.size(), 10001u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i][0], std::to_string(i + 1));
    }
}

// psqlODBC with UseDeclareFetch=1 (as QV_PG sets it) runs a query in a cursor, which PostgreSQL
// refuses for a WITH that writes; such a statement still runs and gives its rows.
TEST(OdbcRowCap, AWritingWithRunsWhereTheDriverDeclaresCursors)
{
    OdbcLib lib;
    ASSERT_EQ(connectWith(lib, "DSN=QV_PG;"), 0);
    dropTable(lib, "qv_with");
    execOk(lib, "CREATE TABLE qv_with (id INTEGER)");
    ASSERT_EQ(exec(lib, "WITH x AS (INSERT INTO qv_with VALUES (1), (2) RETURNING id) "
                        "SELECT id FROM x ORDER BY id")
                  .code,
              0)
        << lib.OdbcLastError();
    EXPECT_EQ(fetchAll(lib, FetchMode::Block),
              (std::vector<std::vector<std::string>>{{"1"}, {"2"}}));
    ASSERT_EQ(exec(lib, "SELECT COUNT(*) FROM qv_with").code, 0);
    EXPECT_EQ(fetchAll(lib, FetchMode::Row), (std::vector<std::vector<std::string>>{{"2"}}));
    lib.OdbcRollback();
}

// The server goes away between execute and fetch: every call returns a code and a text.
TEST(OdbcFaults, ServerStoppedWhileFetching)
{
    OdbcLib lib;
    ASSERT_EQ(connectWith(lib, std::string("DSN=") + testenv::kPgDsn + ";"), 0);
    dropTable(lib, "qv_fault");
    execOk(lib, "CREATE TABLE qv_fault (id INTEGER)");
    ASSERT_EQ(lib.OdbcCommit(), 0);
    execOk(lib, "INSERT INTO qv_fault VALUES (1)");
    ASSERT_EQ(exec(lib, seriesSql(5000)).code, 0);
    std::vector<std::string> values;
    ASSERT_EQ(fetchBlockRow(lib, values), 0);

    ASSERT_TRUE(testenv::pgStop());
    std::int16_t code = 0;
    int rows = 1;
    while ((code = fetchBlockRow(lib, values)) == 0)
        ++rows;
    EXPECT_LT(rows, 5000); // only rows already received can still be delivered
    EXPECT_NE(code, 100);
    const std::string fetchError = lib.OdbcLastError();
    EXPECT_FALSE(fetchError.empty());
    // The pending INSERT died with the server: COMMIT must not report success.
    EXPECT_NE(lib.OdbcCommit(), 0);
    EXPECT_FALSE(lib.OdbcLastError().empty());
    EXPECT_NE(lib.OdbcDisconnect(), 0);
    EXPECT_TRUE(holdsNoConnection(lib));
    ASSERT_TRUE(testenv::pgStart());

    ASSERT_EQ(connectWith(lib, std::string("DSN=") + testenv::kPgDsn + ";"), 0)
        << lib.OdbcLastError();
    ASSERT_EQ(exec(lib, "SELECT COUNT(*) FROM qv_fault").code, 0);
    ASSERT_EQ(lib.OdbcFetchRow(values), 0);
    EXPECT_EQ(values[0], "0");
}

} // namespace
