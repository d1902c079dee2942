// Catalog enumerators of OdbcLib on Chinook and on tables the tests create.
#include "OdbcTestSupport.h"

#include <algorithm>
#include <cctype>

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // Chinook in PostgreSQL spells the names in snake case.
    text.erase(std::remove(text.begin(), text.end(), '_'), text.end());
    return text;
}

class OdbcCatalog : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(connectWith(chinook_, std::string("DSN=") + chinookDsn(GetParam()) + ";"), 0)
            << chinook_.OdbcLastError();
    }

    OdbcLib chinook_;
};

TEST_P(OdbcCatalog, ChinookTablesInDriverOrder)
{
    std::vector<std::string> names;
    std::string type;
    std::string name;
    std::int16_t code = 0;
    while ((code = chinook_.OdbcNextTable("TABLE,VIEW,SYNONYM", std::nullopt, type, name)) == 0) {
        EXPECT_EQ(type, "TABLE") << name;
        names.push_back(lower(name));
    }
    EXPECT_EQ(code, 100);
    EXPECT_EQ(type, "");
    EXPECT_EQ(name, "");
    EXPECT_EQ(names, (std::vector<std::string>{"album", "artist", "customer", "employee", "genre",
                                               "invoice", "invoiceline", "mediatype", "playlist",
                                               "playlisttrack", "track"}));
    // The enumeration ended, so the next call starts from the first table again.
    ASSERT_EQ(chinook_.OdbcNextTable("TABLE,VIEW,SYNONYM", std::nullopt, type, name), 0);
    EXPECT_EQ(lower(name), "album");
}

TEST_P(OdbcCatalog, ColumnTypeTexts)
{
    const bool pg = GetParam().postgres;
    const bool my = GetParam().mariadb;
    const std::string table = pg ? "artist" : "Artist";
    std::vector<std::string> seen;
    std::string tableName;
    std::string column;
    std::string typeText;
    std::int16_t code = 0;
    while ((code = chinook_.OdbcNextColumn(std::nullopt, table, tableName, column, typeText)) ==
           0) {
        EXPECT_EQ(tableName, table);
        seen.push_back(column + " " + typeText);
    }
    EXPECT_EQ(code, 100);
    // SQLite ODBC 0.9998 puts 10 into SCALE (and 0 into RADIX) and keeps the declared length
    // in the type name; MariaDB's driver gives no scale for a character column and calls
    // Chinook's NVARCHAR a VARCHAR. The rule writes what the driver says.
    const std::vector<std::string> expected =
        pg   ? std::vector<std::string>{"artist_id int4(10,0) NOT NULL", "name varchar(120)"}
        : my ? std::vector<std::string>{"ArtistId INT(10,0) NOT NULL", "Name VARCHAR(120)"}
             : std::vector<std::string>{"ArtistId INTEGER(9,10) NOT NULL",
                                        "Name NVARCHAR(120)(120,10)"};
    EXPECT_EQ(seen, expected);
}

TEST_P(OdbcCatalog, UniqueIndexKeyPositions)
{
    const std::string table = GetParam().postgres ? "playlist_track" : "PlaylistTrack";
    std::vector<std::string> seen;
    std::string column;
    std::int16_t position = -1;
    std::int16_t code = 0;
    while ((code = chinook_.OdbcNextIndexColumn(std::nullopt, table, column, position)) == 0)
        seen.push_back(lower(column) + ":" + std::to_string(position));
    EXPECT_EQ(code, 100);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"playlistid:1", "trackid:2"}));
}

TEST_P(OdbcCatalog, ScratchTablesViewsPatternsAndIndexes)
{
    OdbcLib lib;
    ASSERT_EQ(connectWith(lib, scratchConnStr(GetParam(), "catalog.db")), 0);
    exec(lib, "DROP VIEW IF EXISTS qv_view");
    lib.OdbcCommit();
    const std::string t1 = quoted(GetParam(), "T_1");
    const std::string tx1 = quoted(GetParam(), "TX1");
    for (const std::string& t : {t1, tx1, std::string("qv_nokey"), std::string("qv_twokey")})
        dropTable(lib, t);
    execOk(lib, "CREATE TABLE " + t1 + " (a INTEGER, b VARCHAR(5) NOT NULL)");
    execOk(lib, "CREATE TABLE " + tx1 + " (x INTEGER)");
    execOk(lib, "CREATE TABLE qv_nokey (a INTEGER)");
    execOk(lib, "CREATE TABLE qv_twokey (a INTEGER, b INTEGER, c INTEGER, UNIQUE (c, a))");
    execOk(lib, "CREATE VIEW qv_view AS SELECT a FROM qv_nokey");
    ASSERT_EQ(lib.OdbcCommit(), 0);

    std::vector<std::string> objects;
    std::string type;
    std::string name;
    while (lib.OdbcNextTable("TABLE,VIEW,SYNONYM", std::nullopt, type, name) == 0) {
        if (name == "T_1" || name == "TX1" || name.rfind("qv_", 0) == 0)
            objects.push_back(type + " " + name);
    }
    for (const char* o : {"TABLE T_1", "TABLE TX1", "TABLE qv_nokey", "VIEW qv_view"})
        EXPECT_NE(std::find(objects.begin(), objects.end(), o), objects.end()) << o;

    // "_" is a pattern character: the driver may add TX1's columns under their own name.
    std::vector<std::string> columns;
    std::string tableName;
    std::string column;
    std::string typeText;
    while (lib.OdbcNextColumn(std::nullopt, "T_1", tableName, column, typeText) == 0)
        columns.push_back(tableName + "." + column);
    EXPECT_NE(std::find(columns.begin(), columns.end(), "T_1.a"), columns.end());
    EXPECT_NE(std::find(columns.begin(), columns.end(), "T_1.b"), columns.end());
    for (const std::string& c : columns)
        EXPECT_TRUE(c.rfind("T_1.", 0) == 0 || c == "TX1.x") << c;

    std::int16_t position = 0;
    EXPECT_EQ(lib.OdbcNextIndexColumn(std::nullopt, "qv_nokey", column, position), 100);
    std::vector<std::string> keys;
    while (lib.OdbcNextIndexColumn(std::nullopt, "qv_twokey", column, position) == 0)
        keys.push_back(column + ":" + std::to_string(position));
    EXPECT_EQ(keys, (std::vector<std::string>{"c:1", "a:2"}));
}

TEST_P(OdbcCatalog, AbandonedEnumerationStartsOverAfterAStatement)
{
    std::string type;
    std::string name;
    ASSERT_EQ(chinook_.OdbcNextTable("TABLE,VIEW,SYNONYM", std::nullopt, type, name), 0);
    ASSERT_EQ(chinook_.OdbcNextTable("TABLE,VIEW,SYNONYM", std::nullopt, type, name), 0);
    EXPECT_EQ(lower(name), "artist");
    // A statement run meanwhile ends the half-read table list: it is never read on from where
    // it stood, and never from the SELECT's rows.
    ASSERT_EQ(exec(chinook_, "SELECT 1, 2, 3, 4").cols, 4);
    ASSERT_EQ(chinook_.OdbcNextTable("TABLE,VIEW,SYNONYM", std::nullopt, type, name), 0);
    EXPECT_EQ(lower(name), "album");
}

INSTANTIATE_TEST_SUITE_P(Drivers, OdbcCatalog, testing::ValuesIn(kBackends), backendName);

TEST(OdbcCatalogManager, DataSourcesAndDriversStartOverAfterTheirEnd)
{
    OdbcLib lib;
    ASSERT_EQ(lib.OdbcInitEnv(), 0);
    for (int round = 0; round < 2; ++round) {
        std::vector<std::string> names;
        std::string name;
        std::string description;
        std::int16_t code = 0;
        while ((code = lib.OdbcNextDataSource(name, description)) == 0)
            names.push_back(name + "=" + description);
        EXPECT_EQ(code, 100);
        EXPECT_NE(std::find(names.begin(), names.end(), "QV_SQLITE=SQLite3"), names.end());
        EXPECT_NE(std::find(names.begin(), names.end(), "QV_PG=PostgreSQL ANSI"), names.end());
    }
    std::vector<std::string> drivers;
    std::string description;
    std::string attributes;
    while (lib.OdbcNextDriver(description, attributes) == 0)
        drivers.push_back(description);
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end());
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "PostgreSQL ANSI"), drivers.end());
}

} // namespace

// The grid's row cap belongs to its own statement: a catalog listing that follows a capped
// query still returns every row, here more tables than the cap.
TEST(OdbcCatalogUncapped, ListingAfterACappedQueryReturnsEveryTable)
{
    OdbcLib lib;
    ASSERT_EQ(connectWith(lib, testenv::freshSqliteConnStr("many_tables.db")), 0);
    constexpr int kTables = 10050;
    for (int i = 0; i < kTables; ++i)
        execOk(lib, "CREATE TABLE t" + std::to_string(i) + " (a INTEGER)");
    ASSERT_EQ(lib.OdbcCommit(), 0);

    const ExecResult capped =
        exec(lib, "SELECT name FROM sqlite_master WHERE type = 'table'", 10001);
    ASSERT_EQ(capped.code, 0) << lib.OdbcLastError();
    EXPECT_EQ(fetchAll(lib, FetchMode::Block).size(), 10001u);

    int tables = 0;
    std::string type;
    std::string name;
    std::int16_t code = 0;
    while ((code = lib.OdbcNextTable("TABLE,VIEW,SYNONYM", std::nullopt, type, name)) == 0)
        ++tables;
    EXPECT_EQ(code, 100) << lib.OdbcLastError();
    EXPECT_EQ(tables, kTables);
}
