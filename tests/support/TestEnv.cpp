#include "TestEnv.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace testenv {

std::string dir()
{
    const char* d = std::getenv("QV_TESTENV");
    return d != nullptr ? d : "testenv";
}

std::string sourceDir()
{
    const char* d = std::getenv("QV_SOURCE_DIR");
    return d != nullptr ? d : ".";
}

std::string freshSqliteConnStr(const std::string& fileName)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(dir()) / "scratch" / std::to_string(::getpid());
    fs::create_directories(folder);
    const fs::path file = folder / fileName;
    fs::remove(file);
    return "DRIVER=SQLite3;Database=" + file.string() + ";Timeout=2000;";
}

static bool runFixture(const char* what)
{
    const std::string build = std::filesystem::path(dir()).parent_path().string();
    const std::string cmd =
        sourceDir() + "/tests/fixture/testenv.sh " + what + " '" + build + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

bool pgStop()
{
    return runFixture("pg-stop");
}

bool pgStart()
{
    return runFixture("pg-start");
}

static int portIn(const char* file)
{
    std::ifstream in(dir() + "/" + file);
    int port = 0;
    in >> port;
    return port;
}

int pgPort()
{
    return portIn("pg.port");
}

bool myStop()
{
    return runFixture("my-stop");
}

bool myStart()
{
    return runFixture("my-start");
}

int myPort()
{
    return portIn("my.port");
}

} // namespace testenv
