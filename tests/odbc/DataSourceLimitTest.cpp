// A machine with more data sources than the connect dialog lists: the rest are read and dropped.
// Its own program, because unixODBC reads the data source files once per process.
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

TEST(DbListDataSources, HundredTwentySourcesWithMax99)
{
    const std::filesystem::path folder = std::filesystem::path(testenv::dir()) / "dsn120";
    std::filesystem::create_directories(folder);
    const std::filesystem::path ini = folder / "odbc.ini";
    {
        std::ofstream out(ini);
        for (int i = 1; i <= 120; ++i)
            out << "[DSN_" << i << "]\nDriver=SQLite3\nDatabase=/tmp/none_" << i << ".db\n\n";
    }
    // An empty system folder beside it, so only these 120 are listed.
    std::ofstream(folder / "odbcinst.ini") << "";
    setenv("ODBCINI", ini.c_str(), 1);
    setenv("ODBCSYSINI", folder.c_str(), 1);

    ScriptedPrompts prompts;
    OdbcLib lib;
    ODBCComm comm(lib, prompts);
    ASSERT_TRUE(comm.DbInit());
    int count = -1;
    QStringList names;
    QStringList descriptions;
    EXPECT_EQ(comm.DbListDataSources(99, count, names, descriptions), 0);
    EXPECT_EQ(count, 99);
    ASSERT_EQ(names.size(), 99);
    EXPECT_EQ(names.first(), "DSN_1");
    EXPECT_EQ(names.last(), "DSN_99");

    // The first listing ran to its end, so all 120 are there to read again.
    std::string name;
    std::string description;
    int total = 0;
    while (lib.OdbcNextDataSource(name, description) == 0)
        ++total;
    EXPECT_EQ(total, 120);
    EXPECT_TRUE(prompts.boxes().isEmpty());
}

} // namespace
