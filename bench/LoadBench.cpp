// Loading a delimited file into a table through the load window against a bare ODBC loop of
// the same one-line INSERTs, against a bare loop of parameter arrays (256 rows an execute), and
// against the databases' own loaders (sqlite3 .import, psql \copy): 100,000 lines (a number, three
// quoted texts, one with a comma and an apostrophe, a decimal and an empty field), COMMIT every
// 10,000 rows (the window's choice, 10^position), on SQLite, PostgreSQL and MariaDB. The bare loop
// executes statements built beforehand on one statement handle; the load reads the file, builds the
// statements and runs them as the program does (the window offscreen).
//
//   load_bench [lines [rounds [position]]]
//
// Run with the private ODBC files of the test environment (tests/fixture/testenv.sh start
// BUILD_DIR, then ODBCSYSINI / ODBCINI / QV_TESTENV as ctest sets them), LANG=C.UTF-8 and
// QT_QPA_PLATFORM=offscreen.
#include "BenchSupport.h"
#include "ScriptedPrompts.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"
#include "transfer/CsvImport.h"
#include "transfer/LoadCSV.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

int interval = 10000;
const char* kTable = "qv_load_bench";

struct Target {
    const char* name;
    std::string connStr;
    // The database's own loader for the file, timed the same way; empty: none.
    std::string tool;
};

// A key of a section of the private odbc.ini (the PostgreSQL server's address for psql).
std::string odbcIni(const std::string& section, const std::string& key)
{
    const char* ini = std::getenv("ODBCINI");
    std::ifstream in(ini ? ini : "");
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[')
            inSection = line == "[" + section + "]";
        else if (inSection && line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    }
    return {};
}

std::string psqlCopy(const std::string& path)
{
    return "PGPASSWORD=" + odbcIni("QV_PG", "Password") + " psql -q -h " +
           odbcIni("QV_PG", "Servername") + " -p " + odbcIni("QV_PG", "Port") + " -U " +
           odbcIni("QV_PG", "Username") + " -d " + odbcIni("QV_PG", "Database") + " -c \"\\copy " +
           kTable + " FROM '" + path + "' WITH (FORMAT csv)\"";
}

std::string sqliteImport(const std::string& db, const std::string& path)
{
    return "sqlite3 " + db + " '.mode csv' '.import " + path + " " + kTable + "'";
}

// SQLite on disk, as the test environment keeps it, and in memory (/dev/shm), where no fsync
// at COMMIT hides what the program adds to each INSERT.
std::string sqliteFile(bool memory)
{
    const char* env = std::getenv("QV_TESTENV");
    const std::string folder = memory ? std::string("/dev/shm") : std::string(env ? env : "/tmp");
    return folder + "/qv_loadbench.db";
}

std::string sqliteConnStr(bool memory)
{
    return "DRIVER=SQLite3;Database=" + sqliteFile(memory) + ";Timeout=2000;";
}

QByteArray fileBytes(int lines)
{
    QByteArray bytes;
    for (int i = 1; i <= lines; ++i) {
        const QByteArray n = QByteArray::number(i);
        bytes +=
            n + ",\"name " + n + "\",\"Tokyo, Japan's " + n + "\",\"x\"\"y\"," + n + ".25,\r\n";
    }
    return bytes;
}

class Bare {
public:
    explicit Bare(const std::string& connStr)
    {
        SQLAllocEnv(&env_);
        SQLAllocConnect(env_, &dbc_);
        ok_ = SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)connStr.c_str(), SQL_NTS,
                                             nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
        SQLSetConnectOption(dbc_, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF);
    }
    ~Bare()
    {
        SQLTransact(env_, dbc_, SQL_ROLLBACK);
        SQLDisconnect(dbc_);
        SQLFreeConnect(dbc_);
        SQLFreeEnv(env_);
    }
    bool ok() const { return ok_; }
    bool exec(const std::string& sql)
    {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocStmt(dbc_, &stmt);
        const SQLRETURN rc = SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS);
        SQLFreeStmt(stmt, SQL_DROP);
        return SQL_SUCCEEDED(rc);
    }
    bool commit() { return SQL_SUCCEEDED(SQLTransact(env_, dbc_, SQL_COMMIT)); }
    // The bare loop: one statement handle, every statement executed, a commit every interval.
    long run(const std::vector<std::string>& statements)
    {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocStmt(dbc_, &stmt);
        long done = 0;
        for (const std::string& sql : statements) {
            if (!SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(),
                                             static_cast<SQLINTEGER>(sql.size()))))
                break;
            SQLFreeStmt(stmt, SQL_CLOSE);
            if (++done % interval == 0)
                commit();
        }
        commit();
        SQLFreeStmt(stmt, SQL_DROP);
        return done;
    }

    // The bare parameter-array loop: the file's values bound column-wise, 256 rows an execute
    // of one prepared one-row INSERT, a commit every interval.
    long runArrays(int lines)
    {
        constexpr int kRows = 256;
        constexpr int kWidth = 64;
        constexpr int kColumns = 6;
        std::vector<char> values(static_cast<std::size_t>(kColumns * kRows * kWidth));
        std::vector<SQLLEN> lengths(static_cast<std::size_t>(kColumns * kRows));
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocStmt(dbc_, &stmt);
        const std::string sql = std::string("INSERT INTO ") + kTable + " VALUES(?,?,?,?,?,?)";
        SQLPrepare(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS);
        SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_BIND_TYPE, (SQLPOINTER)SQL_PARAM_BIND_BY_COLUMN, 0);
        long done = 0;
        while (done < lines) {
            const int rows = static_cast<int>(std::min<long>(kRows, lines - done));
            for (int r = 0; r < rows; ++r) {
                const std::string n = std::to_string(done + r + 1);
                const std::string texts[kColumns] = {n,      "name " + n, "Tokyo, Japan's " + n,
                                                     "x\"y", n + ".25",   ""};
                for (int c = 0; c < kColumns; ++c) {
                    char* at = &values[static_cast<std::size_t>((c * kRows + r) * kWidth)];
                    std::memcpy(at, texts[c].data(), texts[c].size());
                    lengths[static_cast<std::size_t>(c * kRows + r)] =
                        c == kColumns - 1 ? SQL_NULL_DATA : static_cast<SQLLEN>(texts[c].size());
                }
            }
            SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, (SQLPOINTER)(SQLULEN)rows, 0);
            for (int c = 0; c < kColumns; ++c)
                SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(c + 1), SQL_PARAM_INPUT,
                                 SQL_C_CHAR, SQL_VARCHAR, kWidth, 0,
                                 &values[static_cast<std::size_t>(c * kRows * kWidth)], kWidth,
                                 &lengths[static_cast<std::size_t>(c * kRows)]);
            if (!SQL_SUCCEEDED(SQLExecute(stmt)))
                break;
            SQLFreeStmt(stmt, SQL_CLOSE);
            const long before = done;
            done += rows;
            if (done / interval != before / interval)
                commit();
        }
        commit();
        SQLFreeStmt(stmt, SQL_DROP);
        return done;
    }

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool ok_ = false;
};

bool resetTable(Bare& bare)
{
    bare.exec(std::string("DROP TABLE ") + kTable);
    bare.commit();
    return bare.exec(std::string("CREATE TABLE ") + kTable +
                     " (id INTEGER, name VARCHAR(40), place VARCHAR(60), q VARCHAR(10), "
                     "amount NUMERIC(12,2), note VARCHAR(10))") &&
           bare.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const int position = argc > 3 ? std::atoi(argv[3]) : 4;
    interval = 1;
    for (int i = 0; i < position; ++i)
        interval *= 10;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("load.csv"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(fileBytes(lines)) < 0)
            return 1;
    }
    // The statements the load sends, built once for the bare loop.
    std::vector<std::string> statements;
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        csvimport::LineSource source(file);
        QString line;
        const QString head = QStringLiteral("INSERT INTO ") + QLatin1String(kTable);
        while (source.next(line))
            statements.push_back(
                csvimport::insertStatement(head, line, QStringLiteral(",")).toStdString());
    }

    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const auto start = std::chrono::steady_clock::now();
        csvimport::LineSource source(file);
        csvimport::StatementBuilder builder(QStringLiteral("INSERT INTO ") + QLatin1String(kTable),
                                            QStringLiteral(","));
        std::string_view line;
        std::size_t bytes = 0;
        int bad = 0;
        while (source.nextBytes(line)) {
            builder.build(line, &bad);
            bytes += builder.statement().size();
        }
        std::printf("reading and building the statements alone: %.3f s (%zu bytes)\n",
                    bench::msSince(start) / 1000, bytes);
    }
    if (rounds < 1)
        return 0;
    const std::string file = path.toStdString();
    const Target targets[] = {
        {"SQLite", sqliteConnStr(false), sqliteImport(sqliteFile(false), file)},
        {"SQLite mem", sqliteConnStr(true), sqliteImport(sqliteFile(true), file)},
        {"PostgreSQL", "DSN=QV_PG;", psqlCopy(file)},
        {"MariaDB", "DSN=QV_MY;", ""}};
    std::printf("COMMIT every %d rows\n%-11s %8s %10s %10s %10s %7s %10s %7s %10s %7s\n", interval,
                "driver", "lines", "bare s", "load s", "lines/s", "ratio", "tool s", "ratio",
                "array s", "ratio");
    for (const Target& t : targets) {
        std::vector<double> bareTimes;
        std::vector<double> loadTimes;
        std::vector<double> toolTimes;
        std::vector<double> arrayTimes;
        for (int round = 0; round < rounds; ++round) {
            if (!t.tool.empty()) {
                Bare bare(t.connStr);
                if (!bare.ok() || !resetTable(bare))
                    return 1;
                const auto start = std::chrono::steady_clock::now();
                if (std::system(t.tool.c_str()) != 0) {
                    std::fprintf(stderr, "%s: %s failed\n", t.name, t.tool.c_str());
                    return 1;
                }
                toolTimes.push_back(bench::msSince(start) / 1000);
            }
            {
                Bare bare(t.connStr);
                if (!bare.ok() || !resetTable(bare)) {
                    std::fprintf(stderr, "%s: cannot prepare the table\n", t.name);
                    return 1;
                }
                const auto start = std::chrono::steady_clock::now();
                const long done = bare.run(statements);
                bareTimes.push_back(bench::msSince(start) / 1000);
                if (done != lines) {
                    std::fprintf(stderr, "%s: bare loop stopped at %ld\n", t.name, done);
                    return 1;
                }
                if (!resetTable(bare))
                    return 1;
                const auto arrayStart = std::chrono::steady_clock::now();
                if (bare.runArrays(lines) != lines) {
                    std::fprintf(stderr, "%s: array loop stopped\n", t.name);
                    return 1;
                }
                arrayTimes.push_back(bench::msSince(arrayStart) / 1000);
                if (!resetTable(bare))
                    return 1;
            }
            ScriptedPrompts prompts;
            OdbcLib lib;
            ODBCComm db(lib, prompts);
            QString uid, pwd, conn = QString::fromStdString(t.connStr);
            if (db.DbConnect(nullptr, QString(), uid, pwd, QString(), conn) != 0)
                return 1;
            LoadCSV window(db, prompts, nullptr);
            window.ShowOption({QLatin1String(kTable)}, {});
            window.TB_file->setText(path);
            window.ImCB_table->setEditText(QLatin1String(kTable));
            window.VScroll1->setValue(position);
            const auto start = std::chrono::steady_clock::now();
            window.Command1->click();
            loadTimes.push_back(bench::msSince(start) / 1000);
            const QString expected = QStringLiteral("INSERT行数:") + QString::number(lines);
            if (prompts.boxes().size() != 1 || !prompts.boxes()[0].text.endsWith(expected)) {
                std::fprintf(stderr, "%s: the load did not end as expected\n", t.name);
                return 1;
            }
            db.DbDisconnect();
        }
        std::sort(bareTimes.begin(), bareTimes.end());
        std::sort(loadTimes.begin(), loadTimes.end());
        const double bare = bareTimes[bareTimes.size() / 2];
        const double load = loadTimes[loadTimes.size() / 2];
        std::sort(toolTimes.begin(), toolTimes.end());
        const double tool = toolTimes.empty() ? 0 : toolTimes[toolTimes.size() / 2];
        std::sort(arrayTimes.begin(), arrayTimes.end());
        const double array = arrayTimes[arrayTimes.size() / 2];
        std::printf("%-11s %8d %10.3f %10.3f %10.0f %7.3f %10.3f %7.3f %10.3f %7.3f   (medians of "
                    "%d; load %.3f-%.3f)\n",
                    t.name, lines, bare, load, lines / load, load / bare, tool,
                    tool > 0 ? load / tool : 0.0, array, load / array, rounds, loadTimes.front(),
                    loadTimes.back());
    }
    return 0;
}
