// Time to connect with and without making the session read-only, on SQLite, PostgreSQL and
// MariaDB: the read-only setting is one statement and a COMMIT after the connect.
//
//   read_only_connect_bench [runs]        (default 7)
//
// Needs the private ODBC files of the test environment: run it with ODBCSYSINI / ODBCINI set
// as ctest sets them (tests/fixture/testenv.sh start BUILD_DIR first), or through scripts/bench.
#include "BenchSupport.h"
#include "odbc/OdbcLib.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Target {
    const char* label;
    const char* connStr;
};

// One connect (and the read-only setting when asked) on a fresh instance, in milliseconds; a
// negative time when a step failed.
double connectOnce(const Target& target, bool readOnly)
{
    OdbcLib lib;
    lib.OdbcInitEnv();
    std::string uid;
    std::string pwd;
    std::string conn = target.connStr;
    const auto start = std::chrono::steady_clock::now();
    if (lib.OdbcConnect(nullptr, "", uid, pwd, "", conn) != 0) {
        std::fprintf(stderr, "%s: %s\n", target.label, lib.OdbcLastError().c_str());
        return -1;
    }
    bool serverEnforced = false;
    if (readOnly && (lib.OdbcSetReadOnly(serverEnforced) != 0 || !serverEnforced)) {
        std::fprintf(stderr, "%s read-only: %s\n", target.label, lib.OdbcLastError().c_str());
        return -1;
    }
    return bench::msSince(start);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const Target targets[] = {
        {"SQLite", "DSN=QV_SQLITE;"}, {"PostgreSQL", "DSN=QV_PG;"}, {"MariaDB", "DSN=QV_MY;"}};
    std::printf("%-11s %-10s %s\n", "driver", "mode", "connect ms: median (min..max)");
    for (const Target& target : targets) {
        for (const bool readOnly : {false, true}) {
            std::vector<double> times;
            for (int i = 0; i < runs; ++i) {
                const double ms = connectOnce(target, readOnly);
                if (ms < 0)
                    return 1;
                times.push_back(ms);
            }
            std::sort(times.begin(), times.end());
            std::printf("%-11s %-10s %.2f (%.2f..%.2f)\n", target.label,
                        readOnly ? "read-only" : "plain", times[times.size() / 2], times.front(),
                        times.back());
        }
    }
    return 0;
}
