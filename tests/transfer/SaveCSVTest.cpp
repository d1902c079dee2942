// The export window against real databases: what lands in the file, the workbook and the
// boxes, for the grid's rows and for execute-and-save.
#include "transfer/SaveCSV.h"
#include "Backend.h"
#include "ExportTestFiles.h"
#include "RecordingDialog.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "base/DateTimeText.h"
#include "base/GetFile.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"
#include "odbc/comm/ResultSetInfo.h"
#include "sqlexec/SqlExecText.h"
#include "text/CodePage.h"

#include "../app/UrlRecorder.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

struct Table {
    QStringList names;
    ColumnKinds kinds;
    QVector<QVector<QString>> rows;
};

struct Field {
    QString text;
    bool quoted = false;
};
using Records = QVector<QVector<Field>>;

// A delimited CP932 file as a reader that knows the doubling rule sees it.
Records readDelimited(const QString& path, const QString& delimiter, const QString& quote)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const QString whole = QString::fromStdString(codepage::cp932ToUtf8(bytes.str()));
    const QStringView text(whole);
    const QStringView crlf(u"\r\n");
    Records records;
    QVector<Field> fields;
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto at = [&](qsizetype pos, QStringView what) {
        return text.mid(pos, what.size()) == what;
    };
    while (i < n) {
        Field f;
        if (!quote.isEmpty() && at(i, quote)) {
            f.quoted = true;
            i += quote.size();
            while (i < n) {
                if (at(i, quote)) {
                    if (at(i + quote.size(), quote)) {
                        f.text += quote;
                        i += 2 * quote.size();
                        continue;
                    }
                    i += quote.size();
                    break;
                }
                f.text += text[i++];
            }
        } else {
            const qsizetype from = i;
            while (i < n && !at(i, delimiter) && !at(i, crlf))
                ++i;
            f.text = text.mid(from, i - from).toString();
        }
        fields.append(f);
        if (at(i, delimiter)) {
            i += delimiter.size();
        } else if (at(i, crlf)) {
            i += 2;
            records.append(fields);
            fields.clear();
        } else if (i < n) {
            ADD_FAILURE() << "stray text at " << i;
            break;
        }
    }
    if (!fields.isEmpty())
        records.append(fields);
    return records;
}

QString fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

QString cp932RoundTrip(const QString& text)
{
    return QString::fromStdString(codepage::cp932ToUtf8(codepage::utf8ToCp932(text.toStdString())));
}

// The Chinook tables as each database spells them, and a customer with Japanese, quotes,
// commas, a line break and NULLs in the database's own literal syntax.
struct Source {
    QString connStr;
    QString customer;
    QString track;
    QString invoice;
    QString customerInsert;
};

Source chinookSource(const Backend& b)
{
    const bool pg = b.postgres;
    const QString lineBreak = pg          ? QStringLiteral("E'line1\\nline2'")
                              : b.mariadb ? QStringLiteral("'line1\\nline2'")
                                          : QStringLiteral("'line1\nline2'");
    const auto name = [pg](const char* camel, const char* snake) {
        return QString::fromLatin1(pg ? snake : camel);
    };
    return {QStringLiteral("DSN=") + QLatin1String(chinookDsn(b)) + QLatin1Char(';'),
            name("Customer", "customer"), name("Track", "track"), name("Invoice", "invoice"),
            QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6, %7, %8) VALUES (9001, '太郎', "
                           "'O''Brien', 'Say \"hi\", Co.', %9, NULL, 'tarou@example.jp')")
                .arg(name("Customer", "customer"), name("CustomerId", "customer_id"),
                     name("FirstName", "first_name"), name("LastName", "last_name"),
                     name("Company", "company"), name("Address", "address"), name("City", "city"),
                     name("Email", "email"), lineBreak)};
}

class ExportWindow {
public:
    explicit ExportWindow(const QString& connStr)
    {
        FileDialogBackend::install(&dialog);
        db = std::make_unique<ODBCComm>(lib, prompts);
        QString uid, pwd, conn = connStr;
        EXPECT_EQ(db->DbConnect(nullptr, QString(), uid, pwd, QString(), conn), 0)
            << connStr.toStdString();
        SaveCSVHooks hooks;
        hooks.AddHist = [this](const QString& sql) { history.append(sql); };
        hooks.endGridResult = [this] { ++gridResultsEnded; };
        hooks.EditFile = [this](const QString& path) { edited.append(path); };
        // As the workbench judges a statement.
        hooks.readsOnly = [this](const QString& sql) {
            return !ClassifyStatement(sql, db->DbDialect()).mayChange;
        };
        window = std::make_unique<SaveCSV>(*db, prompts, std::move(hooks), &owner);
        owner.resize(400, 300);
        owner.show();
    }
    ~ExportWindow()
    {
        window.reset();
        if (db->DbIsConnected()) {
            db->DbRollback();
            db->DbDisconnect();
        }
        FileDialogBackend::install(nullptr);
    }

    // Recorded as pending as the runner records it.
    void exec(const QString& sql)
    {
        ASSERT_EQ(db->DbExecute(sql), 0) << sql.toStdString() << "\n"
                                         << db->DbLastErrorText().toStdString();
        if (ClassifyStatement(sql, db->DbDialect()).mayChange)
            db->pending().record({sql, QDateTime::currentDateTime(), db->DbLastRowCount(), 0});
    }

    Table fetch(const QString& sql)
    {
        Table t;
        EXPECT_EQ(db->DbExecute(sql), 0) << db->DbLastErrorText().toStdString();
        ResultSetInfo info;
        info.columnCount = db->DbLastColumnCount();
        EXPECT_EQ(db->DbDescribeResult(info), 0);
        t.names = info.names;
        t.kinds = info.kinds;
        QVector<QString> row;
        while (db->DbFetch(row, true) == 0)
            t.rows.append(row.mid(0, info.columnCount));
        db->DbCloseCursor();
        return t;
    }

    // The grid's rows as the main window hands them over.
    ResultGridSource grid(const Table& t)
    {
        shown = t;
        ResultGridSource g;
        g.columnCount = [this] { return static_cast<int>(shown.names.size()); };
        g.rowCount = [this] { return static_cast<int>(shown.rows.size()); };
        g.headerText = [this](int c) { return shown.names[c]; };
        g.kind = [this](int c) { return shown.kinds[static_cast<std::size_t>(c)]; };
        g.cellText = [this](int r, int c) { return shown.rows[r][c]; };
        return g;
    }

    QList<ScriptedPrompts::Box> boxes(Prompts::Icon icon) const
    {
        QList<ScriptedPrompts::Box> found;
        for (const auto& b : prompts.boxes())
            if (b.icon == icon)
                found.append(b);
        return found;
    }

    ScriptedPrompts prompts;
    OdbcLib lib;
    std::unique_ptr<ODBCComm> db;
    QWidget owner;
    RecordingDialog dialog;
    std::unique_ptr<SaveCSV> window;
    Table shown;
    QStringList history;
    QStringList edited;
    int gridResultsEnded = 0;
};

// The values a reader of the file must find for a row of the table.
void expectFileHolds(const Records& records, const Table& t, bool header)
{
    ASSERT_EQ(records.size(), t.rows.size() + (header ? 1 : 0));
    if (header) {
        for (int c = 0; c < t.names.size(); ++c) {
            EXPECT_EQ(records[0][c].text, t.names[c]);
            EXPECT_TRUE(records[0][c].quoted);
        }
    }
    for (int r = 0; r < t.rows.size(); ++r) {
        const QVector<Field>& rec = records[r + (header ? 1 : 0)];
        ASSERT_EQ(rec.size(), t.names.size()) << "row " << r;
        for (int c = 0; c < t.names.size(); ++c) {
            QString expected = cp932RoundTrip(t.rows[r][c]);
            if (t.kinds[static_cast<std::size_t>(c)] == ColumnKind::DateTime)
                expected = TrimDateTimeText(expected);
            EXPECT_EQ(rec[c].text, expected) << "row " << r << " column " << c;
            if (t.kinds[static_cast<std::size_t>(c)] != ColumnKind::Number) {
                EXPECT_TRUE(rec[c].quoted) << "row " << r << " column " << c;
            }
        }
    }
}

class ExportRoundTrip : public ::testing::TestWithParam<Backend> {};

// Customer (Japanese, apostrophes, quotes, commas, a line break, NULLs), Track (numbers) and
// Invoice (dates) go out through the grid export and through execute-and-save; a reader that
// knows the quote doubling gets every value back. The two files are the same bytes.
TEST_P(ExportRoundTrip, GridExportAndExecuteAndSaveReadBackAsTheRows)
{
    const Source s = chinookSource(GetParam());
    ExportWindow w(s.connStr);
    ASSERT_TRUE(w.db->DbIsConnected());
    w.exec(s.customerInsert);
    QTemporaryDir dir;
    for (const QString& table : {s.customer, s.track, s.invoice}) {
        SCOPED_TRACE(table.toStdString());
        const QString sql =
            QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY 1");
        const Table t = w.fetch(sql);
        ASSERT_GT(t.rows.size(), 50);
        w.prompts.clear();

        const QString gridFile = dir.filePath(table + QStringLiteral("-grid.csv"));
        w.dialog.answer = gridFile;
        w.window->ShowOption(w.grid(t));
        ASSERT_TRUE(w.window->isVisible());
        w.window->Chk_head->setChecked(true);
        w.window->Opt_out[SaveCSV::TextFile]->click();
        w.window->Command1->click();
        EXPECT_FALSE(w.window->isVisible());
        ASSERT_FALSE(w.boxes(Prompts::Icon::Information).isEmpty());
        EXPECT_EQ(w.boxes(Prompts::Icon::Information)[0].text,
                  gridFile + QStringLiteral("\nに出力しました。"));
        expectFileHolds(readDelimited(gridFile, QStringLiteral(","), QStringLiteral("\"")), t,
                        true);

        const QString streamFile = dir.filePath(table + QStringLiteral("-stream.csv"));
        w.dialog.answer = streamFile;
        w.prompts.clear();
        w.window->Show4SelectOut(QStringLiteral("  ") + sql);
        ASSERT_TRUE(w.window->isVisible());
        w.window->Command1->click();
        EXPECT_EQ(w.history.last(), sql);
        EXPECT_EQ(w.window->L_cnt->text(), QString::number(t.rows.size()));
        expectFileHolds(readDelimited(streamFile, QStringLiteral(","), QStringLiteral("\"")), t,
                        true);
        EXPECT_EQ(fileText(streamFile), fileText(gridFile));
        EXPECT_EQ(w.dialog.last.title, QStringLiteral("SELECT実行結果の保存ﾌｧｲﾙ指定"));
        EXPECT_EQ(w.dialog.last.initialName, QStringLiteral("SELECT.csv"));
    }
}

// The export without its window: the grid's rows and the open result give the same file and
// the progress reaches the row count; the connection's cancelAll stops either before its next
// row, and the rows written, as many as the outcome says, are kept as <name>.partial.
TEST_P(ExportRoundTrip, ExportJobWritesEveryRowOrStopsAsPartial)
{
    const Source s = chinookSource(GetParam());
    ExportWindow w(s.connStr);
    ASSERT_TRUE(w.db->DbIsConnected());
    const QString sql = QStringLiteral("SELECT * FROM ") + s.track + QStringLiteral(" ORDER BY 1");
    const Table t = w.fetch(sql);
    ASSERT_GT(t.rows.size(), 3000);
    QTemporaryDir dir;
    const ExportSettings settings{QStringLiteral(","), QStringLiteral("\""), true};
    const auto describe = [&](const QString& statement, ResultSetInfo& info) {
        w.exec(statement);
        info.columnCount = w.db->DbLastColumnCount();
        ASSERT_EQ(w.db->DbDescribeResult(info), 0);
    };
    QString files[2];
    for (int source = 0; source < 2; ++source) {
        files[source] = dir.filePath(QStringLiteral("whole%1.csv").arg(source));
        ResultSetInfo info;
        if (source == 1) {
            ASSERT_NO_FATAL_FAILURE(describe(sql, info));
        }
        ExportJob job(w.db->work());
        std::int64_t told = -1;
        job.progress = [&](std::int64_t rows) {
            EXPECT_TRUE(w.db->work().busy());
            told = rows;
        };
        const ResultGridSource grid = w.grid(t);
        GridRows gridRows(grid);
        ResultRows resultRows(*w.db, info);
        TextFileSink file(files[source], settings);
        const ExportOutcome o =
            job.run(source == 0 ? static_cast<RowSource&>(gridRows) : resultRows, file);
        EXPECT_EQ(o.end, ExportOutcome::End::Complete) << source;
        EXPECT_EQ(o.rows, t.rows.size());
        EXPECT_EQ(told, t.rows.size());
        EXPECT_EQ(o.path, files[source]);
        if (w.db->work().cursorHeld())
            w.db->DbCloseCursor();
    }
    expectFileHolds(readDelimited(files[0], QStringLiteral(","), QStringLiteral("\"")), t, true);
    EXPECT_EQ(fileText(files[1]), fileText(files[0]));

    const QString id = QLatin1String(GetParam().postgres ? "track_id" : "TrackId");
    const QString pairs = QStringLiteral("SELECT a.%1, b.%1 FROM %2 a CROSS JOIN %2 b WHERE b.%1 "
                                         "<= 100")
                              .arg(id, s.track);
    for (int source = 0; source < 2; ++source) {
        const QString path = dir.filePath(QStringLiteral("stopped%1.csv").arg(source));
        ResultSetInfo info;
        if (source == 1) {
            ASSERT_NO_FATAL_FAILURE(describe(pairs, info));
        }
        ExportJob job(w.db->work());
        job.progress = [&](std::int64_t rows) {
            if (rows > 0)
                w.db->work().cancelAll();
        };
        const ResultGridSource grid = w.grid(t);
        GridRows gridRows(grid);
        ResultRows resultRows(*w.db, info);
        TextFileSink file(path, settings);
        const ExportOutcome o =
            job.run(source == 0 ? static_cast<RowSource&>(gridRows) : resultRows, file);
        EXPECT_EQ(o.end, ExportOutcome::End::Stopped) << source;
        EXPECT_GT(o.rows, 0);
        EXPECT_LT(o.rows, source == 0 ? t.rows.size() : 100 * t.rows.size());
        EXPECT_EQ(o.path, path + QStringLiteral(".partial"));
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(readDelimited(o.path, QStringLiteral(","), QStringLiteral("\"")).size(),
                  o.rows + 1);
        if (w.db->work().cursorHeld())
            w.db->DbCloseCursor();
    }
    EXPECT_FALSE(w.db->work().busy());
}

INSTANTIATE_TEST_SUITE_P(Drivers, ExportRoundTrip, ::testing::ValuesIn(kBackends), backendName);

TEST(ExportReplaced, ValuesCp932CannotHoldAreCountedInAWarning)
{
    ExportWindow w(chinookSource(kBackends[0]).connStr);
    // Customer holds "São Paulo" and other accented names that code page 932 lacks.
    const Table t = w.fetch(QStringLiteral("SELECT City FROM Customer ORDER BY 1"));
    int lacking = 0;
    for (const auto& row : t.rows)
        lacking += cp932RoundTrip(row[0]) != row[0] ? 1 : 0;
    ASSERT_GT(lacking, 0);
    QTemporaryDir dir;
    w.dialog.answer = dir.filePath(QStringLiteral("c.csv"));
    w.window->ShowOption(w.grid(t));
    w.window->Command1->click();
    const auto warnings = w.boxes(Prompts::Icon::Warning);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].text.contains(QString::number(lacking)));
    EXPECT_EQ(warnings[0].title, QStringLiteral("SELECT結果の保存"));

    // Execute-and-save counts the same way, also for bytes that are not UTF-8 at all (SQLite
    // keeps whatever a blob cast to text holds); each such value is one.
    w.prompts.clear();
    w.window->Show4SelectOut(QStringLiteral("SELECT CAST(x'41ff42' AS TEXT), 'S\u00e3o', 'ok'"));
    w.window->Command1->click();
    QFile out(w.dialog.answer);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), QByteArray("\"A?B\",\"S?o\",\"ok\"\r\n"));
    const auto counted = w.boxes(Prompts::Icon::Warning);
    ASSERT_EQ(counted.size(), 1);
    EXPECT_EQ(counted[0].title, QStringLiteral("SELECT実行＆保存"));
    EXPECT_TRUE(counted[0].text.contains(QStringLiteral(" 2 ")));
}

// Values far beyond the grid's 254 bytes arrive whole, on each driver, ASCII and Japanese.
// Long values among short ones, past the first block of rows: each is read whole from its own
// row, and NULL stays empty.
TEST(ExecuteAndSave, LongValuesAreWrittenWhole)
{
    struct Case {
        QString connStr;
        QString sql;
    };
    const QString sqlite = QString::fromStdString(testenv::freshSqliteConnStr("long.db"));
    const QList<Case> cases = {
        {sqlite, QStringLiteral("SELECT n, CASE WHEN n % 100 = 2 THEN printf('%.*c', 100000 + n, "
                                "'x') ELSE 's' || n END, CASE WHEN n = 299 THEN "
                                "replace(printf('%.*c', 30000, 'x'), 'x', 'あ') END FROM (WITH "
                                "RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE "
                                "n < 300) SELECT n FROM s)")},
        {QStringLiteral("DSN=QV_PG;"),
         QStringLiteral("SELECT n, CASE WHEN n % 100 = 2 THEN repeat('x', 100000 + n) ELSE 's' || "
                        "n END, CASE WHEN n = 299 THEN repeat('あ', 30000) END FROM "
                        "generate_series(1, 300) AS g(n) ORDER BY n")},
        // The sequence engine's table seq_1_to_300.
        {QStringLiteral("DSN=QV_MY;"),
         QStringLiteral("SELECT seq, CASE WHEN seq % 100 = 2 THEN repeat('x', 100000 + seq) ELSE "
                        "concat('s', seq) END, CASE WHEN seq = 299 THEN repeat('あ', 30000) END "
                        "FROM seq_1_to_300")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.connStr.toStdString());
        ExportWindow w(c.connStr);
        QTemporaryDir dir;
        w.dialog.answer = dir.filePath(QStringLiteral("long.csv"));
        w.window->Show4SelectOut(c.sql);
        w.window->Command1->click();
        const Records r = readDelimited(w.dialog.answer, QStringLiteral(","), QStringLiteral("\""));
        ASSERT_EQ(r.size(), 300);
        for (int n = 1; n <= 300; ++n) {
            const QVector<Field>& row = r[n - 1];
            ASSERT_EQ(row.size(), 3) << n;
            EXPECT_EQ(row[0].text, QString::number(n));
            EXPECT_EQ(row[1].text, n % 100 == 2 ? QString(100000 + n, QLatin1Char('x'))
                                                : QStringLiteral("s") + QString::number(n))
                << n;
            EXPECT_EQ(row[2].text, n == 299 ? QString(30000, QChar(0x3042)) : QString()) << n;
        }
        EXPECT_EQ(w.window->L_cnt->text(), QStringLiteral("300"));
    }
}

// SQLite's driver holds a whole result in memory unless it runs in autocommit mode, so a read
// with nothing pending is streamed so. That must never commit anything the user has not, nor
// leave autocommit on for what follows.
TEST(ExecuteAndSave, AReadRunsInAutocommitOnlyWhenNothingIsPending)
{
    ExportWindow w(QString::fromStdString(testenv::freshSqliteConnStr("stream.db")));
    w.exec(QStringLiteral("CREATE TABLE t (x INTEGER)"));
    ASSERT_EQ(w.db->DbCommit(), 0);
    QTemporaryDir dir;
    const auto save = [&](const QString& sql) {
        w.dialog.answer = dir.filePath(QStringLiteral("t.csv"));
        w.window->Show4SelectOut(sql);
        w.window->Command1->click();
    };
    const auto count = [&] { return w.fetch(QStringLiteral("SELECT COUNT(*) FROM t")).rows; };

    save(QStringLiteral("SELECT * FROM t"));
    w.exec(QStringLiteral("INSERT INTO t VALUES (1)"));
    ASSERT_EQ(w.db->DbRollback(), 0);
    EXPECT_EQ(count()[0][0], QStringLiteral("0")) << "autocommit was left on";

    w.exec(QStringLiteral("INSERT INTO t VALUES (2)"));
    w.db->pending().record({QStringLiteral("INSERT INTO t VALUES (2)"), {}, 1, 0});
    save(QStringLiteral("SELECT * FROM t"));
    EXPECT_EQ(fileText(w.dialog.answer), QStringLiteral("2\r\n"));
    ASSERT_EQ(w.db->DbRollback(), 0);
    EXPECT_EQ(count()[0][0], QStringLiteral("0")) << "the pending insert was committed";

    // A statement that may write runs as every statement does, in the transaction.
    save(QStringLiteral("INSERT INTO t VALUES (3) RETURNING x"));
    ASSERT_EQ(w.db->DbRollback(), 0);
    EXPECT_EQ(count()[0][0], QStringLiteral("0"));
}

// A value of a column that is not a character column can still hold the delimiter, a quote or
// a line break (psqlODBC reports money as a number, written "$1,234,567.50"); written bare it
// would add fields, so such a value is quoted like a string.
TEST(ExecuteAndSave, NumberKindValuesThatWouldBreakTheLineAreQuoted)
{
    ExportWindow w(QStringLiteral("DSN=QV_PG;"));
    w.exec(QStringLiteral("SET lc_monetary = 'C'"));
    const QString sql = QStringLiteral("SELECT 1234567.5::money AS m, 12 AS n, 'x' AS s");
    const Table t = w.fetch(sql);
    ASSERT_EQ(t.kinds, (ColumnKinds{ColumnKind::Number, ColumnKind::Number, ColumnKind::Text}));
    ASSERT_TRUE(t.rows[0][0].contains(QLatin1Char(','))) << t.rows[0][0].toStdString();
    QTemporaryDir dir;
    w.dialog.answer = dir.filePath(QStringLiteral("money.csv"));
    w.window->Show4SelectOut(sql);
    w.window->Command1->click();
    const Records r = readDelimited(w.dialog.answer, QStringLiteral(","), QStringLiteral("\""));
    ASSERT_EQ(r.size(), 1);
    ASSERT_EQ(r[0].size(), 3);
    EXPECT_EQ(r[0][0].text, t.rows[0][0]);
    EXPECT_TRUE(r[0][0].quoted);
    EXPECT_EQ(r[0][1].text, QStringLiteral("12"));
    EXPECT_FALSE(r[0][1].quoted);
}

// A fetch that fails part way (psqlODBC fetches through a cursor, so a division by zero in row
// 100,000 arrives with a later block): the error box, then the failure with the rows so far,
// which are kept as <name>.partial; never the completion message.
TEST(ExecuteAndSave, FetchErrorKeepsTheRowsSoFarAsPartial)
{
    ExportWindow w(QStringLiteral("DSN=QV_PG;"));
    QTemporaryDir dir;
    w.dialog.answer = dir.filePath(QStringLiteral("part.csv"));
    w.window->Show4SelectOut(
        QStringLiteral("SELECT i, 1 / (100000 - i) FROM generate_series(1, 200000) AS g(i)"));
    w.window->Command1->click();
    ASSERT_EQ(w.prompts.boxes().size(), 2);
    EXPECT_EQ(w.prompts.boxes()[0].title, QStringLiteral("QUORVANT - ＳＱＬ実行エラー"));
    EXPECT_TRUE(w.prompts.boxes()[0].text.contains(QStringLiteral("division by zero")))
        << w.prompts.boxes()[0].text.toStdString();
    const int written = w.window->L_cnt->text().toInt();
    EXPECT_GT(written, 90000);
    EXPECT_LT(written, 100000);
    const QString partial = w.dialog.answer + QStringLiteral(".partial");
    EXPECT_EQ(w.prompts.boxes()[1].icon, Prompts::Icon::Critical);
    EXPECT_EQ(
        w.prompts.boxes()[1].text,
        QStringLiteral("出力に失敗しました。\n%1行を%2に出力しました。").arg(written).arg(partial));
    EXPECT_FALSE(QFile::exists(w.dialog.answer));
    const Records r = readDelimited(partial, QStringLiteral(","), QStringLiteral("\""));
    ASSERT_EQ(r.size(), written);
    EXPECT_EQ(r.last()[0].text, QString::number(written));
    EXPECT_FALSE(w.db->work().cursorHeld());
}

// A result of 1,000 columns goes out whole as text and as a workbook.
TEST(ExportWide, AThousandColumns)
{
    ExportWindow w(QString::fromStdString(testenv::freshSqliteConnStr("wide.db")));
    QStringList items;
    for (int c = 1; c <= 1000; ++c)
        items << QStringLiteral("%1 AS c%1").arg(c);
    const QString sql = QStringLiteral("SELECT ") + items.join(QStringLiteral(", "));
    const Table t = w.fetch(sql + QStringLiteral(" UNION ALL ") + sql);
    ASSERT_EQ(t.names.size(), 1000);
    QTemporaryDir dir;
    w.dialog.answer = dir.filePath(QStringLiteral("wide.csv"));
    w.window->ShowOption(w.grid(t));
    w.window->Opt_out[SaveCSV::TextFile]->click();
    w.window->Chk_head->setChecked(true);
    w.window->Command1->click();
    const Records r = readDelimited(w.dialog.answer, QStringLiteral(","), QStringLiteral("\""));
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[0].size(), 1000);
    EXPECT_EQ(r[0][999].text, QStringLiteral("c1000"));
    EXPECT_EQ(r[2][999].text, QStringLiteral("1000"));

    w.dialog.answer = dir.filePath(QStringLiteral("wide.xlsx"));
    w.window->ShowOption(w.grid(t));
    w.window->Opt_out[SaveCSV::Spreadsheet]->click();
    w.window->Command1->click();
    const QString xml = unzipSheet(w.dialog.answer);
    EXPECT_TRUE(xml.contains(QStringLiteral("<c r=\"ALL3\"><v>1000</v></c>"))) << xml.size();
}

// Kinds decide the quoting: a string, a NULL string, a number and a timestamp at midnight with
// " ," and " '" give the string in apostrophes, two apostrophes, the number bare and the date
// alone. Two statements with a "/" line between are one statement to the database.
TEST(ExecuteAndSave, LinesFollowTheColumnKinds)
{
    ExportWindow w(QStringLiteral("DSN=QV_PG;"));
    QTemporaryDir dir;
    w.dialog.answer = dir.filePath(QStringLiteral("kinds.csv"));
    w.window->Show4SelectOut(QStringLiteral("SELECT 'a'::varchar, NULL::varchar, 12, NULL::int, "
                                            "TIMESTAMP '2006-04-01 00:00:00'"));
    w.window->CB_kakomi->setCurrentIndex(1);
    w.window->Command1->click();
    EXPECT_EQ(fileText(w.dialog.answer), QStringLiteral("'a','',12,,'2006-04-01'\r\n"));

    w.prompts.clear();
    w.window->Show4SelectOut(QStringLiteral("SELECT 1\n/\nSELECT 2"));
    w.window->Command1->click();
    ASSERT_EQ(w.prompts.boxes().size(), 1);
    EXPECT_EQ(w.prompts.boxes()[0].title, QStringLiteral("QUORVANT - ＳＱＬ実行エラー"));
    w.db->DbRollback();

    // No row limit: 50,000 rows are all written and counted.
    w.dialog.answer = dir.filePath(QStringLiteral("many.csv"));
    w.window->Show4SelectOut(QStringLiteral("SELECT i FROM generate_series(1, 50000) AS g(i)"));
    w.window->Command1->click();
    EXPECT_EQ(w.window->L_cnt->text(), QStringLiteral("50000"));
    EXPECT_EQ(fileText(w.dialog.answer).count(QStringLiteral("\r\n")), 50000);
    EXPECT_TRUE(fileText(w.dialog.answer).endsWith(QStringLiteral("\r\n50000\r\n")));
}

TEST(ExecuteAndSave, RefusalsBeforeTheWindowOpens)
{
    ExportWindow w(QString::fromStdString(testenv::freshSqliteConnStr("refuse.db")));
    const struct {
        const char* text;
        const char* box;
    } cases[] = {
        {"", "実行するSQL(SELECT)がありません。"},
        {"   ", "実行するSQL(SELECT)がありません。"},
        {"\nselect 1", "SQLがSELECT文ではありません。"},
        {"-- c\nselect 1", "SQLがSELECT文ではありません。"},
        {"WITH a AS (SELECT 1) SELECT * FROM a", "SQLがSELECT文ではありません。"},
        {"update t set a = 1", "SQLがSELECT文ではありません。"},
    };
    for (const auto& c : cases) {
        w.prompts.clear();
        w.window->Show4SelectOut(QString::fromUtf8(c.text));
        EXPECT_FALSE(w.window->isVisible()) << c.text;
        ASSERT_EQ(w.prompts.boxes().size(), 1) << c.text;
        EXPECT_EQ(w.prompts.boxes()[0].text, QString::fromUtf8(c.box));
        EXPECT_EQ(w.prompts.boxes()[0].title, QStringLiteral("SELECT実行＆保存"));
    }
    w.window->Show4SelectOut(QStringLiteral("  SELECT 1  "));
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_FALSE(w.window->Opt_out[SaveCSV::Clipboard]->isVisible());
    EXPECT_FALSE(w.window->Opt_out[SaveCSV::Spreadsheet]->isVisible());
    EXPECT_TRUE(w.window->Picture1->isVisible());
    EXPECT_FALSE(w.window->ProgressBar1->isVisible());
    EXPECT_TRUE(w.window->Chk_edit_csv->isVisible());
    QTest::keyClick(w.window.get(), Qt::Key_Escape); // Cancel
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_TRUE(w.history.isEmpty());
}

// Execution failure, a statement without columns and a cancelled dialog never touch the file;
// the statement that ran is in the history in the last two.
TEST(ExecuteAndSave, FileUntouchedUnlessThereAreRowsToWrite)
{
    // Statements that start with "select" and give no columns. psqlODBC with its cursor
    // (UseDeclareFetch=1) refuses SELECT ... INTO inside the cursor it declares, so the
    // PostgreSQL case runs without it; MariaDB's SELECT ... INTO a variable has no result.
    const struct {
        const char* connStr;
        const char* setUp;
        const char* noColumns;
        const char* rows;
    } cases[] = {
        {"DSN=QV_PG;UseDeclareFetch=0;", "CREATE TEMP TABLE src AS SELECT 1 AS a",
         "SELECT * INTO TEMP t2 FROM src", "SELECT * FROM t2"},
        {"DSN=QV_MY;", "SELECT 1", "SELECT 1 INTO @qv_one", "SELECT CAST(@qv_one AS SIGNED)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.connStr);
        ExportWindow w(QString::fromLatin1(c.connStr));
        w.exec(QString::fromLatin1(c.setUp));
        ASSERT_EQ(w.db->DbCommit(), 0);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("keep.csv"));
        {
            QFile keep(path);
            ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
            keep.write("precious\r\n");
        }
        w.dialog.answer = path;

        w.window->Show4SelectOut(QStringLiteral("select * from no_such_table"));
        w.window->Command1->click();
        ASSERT_EQ(w.prompts.boxes().size(), 1);
        EXPECT_EQ(w.prompts.boxes()[0].title, QStringLiteral("QUORVANT - ＳＱＬ実行エラー"));
        EXPECT_EQ(w.prompts.boxes()[0].icon, Prompts::Icon::Warning);
        EXPECT_TRUE(w.history.isEmpty());
        EXPECT_EQ(w.dialog.calls, 0);
        w.db->DbRollback();

        w.prompts.clear();
        w.window->Show4SelectOut(QString::fromLatin1(c.noColumns));
        w.window->Command1->click();
        ASSERT_EQ(w.prompts.boxes().size(), 1);
        EXPECT_EQ(w.prompts.boxes()[0].text, QStringLiteral("SQLがSELECT文ではありません。"));
        EXPECT_EQ(w.history.size(), 1);
        EXPECT_EQ(w.dialog.calls, 0);
        EXPECT_EQ(fileText(path), QStringLiteral("precious\r\n"));

        // The statement ran and is in the history; a cancelled dialog writes nothing.
        w.prompts.clear();
        w.dialog.answer.clear();
        w.window->Show4SelectOut(QString::fromLatin1(c.rows));
        w.window->Command1->click();
        EXPECT_TRUE(w.prompts.boxes().isEmpty());
        EXPECT_EQ(w.history.size(), 2);
        EXPECT_EQ(w.dialog.calls, 1);
        EXPECT_EQ(fileText(path), QStringLiteral("precious\r\n"));
        EXPECT_EQ(w.gridResultsEnded, 3);

        // And the rows do arrive when a file is chosen.
        w.dialog.answer = path;
        w.window->Show4SelectOut(QString::fromLatin1(c.rows));
        w.window->Command1->click();
        EXPECT_EQ(fileText(path), QStringLiteral("1\r\n"));
    }
}

// A full disk or a folder the program may not write: the failure box with the system's text,
// and no success message.
TEST(ExportFailure, WriteFailuresAreNeverReportedAsSuccess)
{
    ExportWindow w(QString::fromStdString(testenv::freshSqliteConnStr("fail.db")));
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("ro"));
    QDir().mkdir(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (::geteuid() == 0)
        folder = QStringLiteral("/sys"); // root writes any folder whose mode says no
    const Table t =
        w.fetch(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                               "FROM n WHERE i < 3000) SELECT i, 'row ' || i FROM n"));
    const struct {
        QString path;
        const char* error;
    } targets[] = {{QStringLiteral("/dev/full"), "Error:28 "},
                   {folder + QStringLiteral("/x.csv"), "Error:13 "}};
    for (const auto& target : targets) {
        SCOPED_TRACE(target.path.toStdString());
        for (int mode = 0; mode < 2; ++mode) {
            w.prompts.clear();
            w.dialog.answer = target.path;
            if (mode == 0) {
                w.window->ShowOption(w.grid(t));
                w.window->Opt_out[SaveCSV::TextFile]->click();
            } else {
                w.window->Show4SelectOut(QStringLiteral("SELECT * FROM (WITH RECURSIVE n(i) AS "
                                                        "(SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                                        "WHERE i < 3000) SELECT i FROM n)"));
            }
            w.window->Command1->click();
            ASSERT_EQ(w.prompts.boxes().size(), 1);
            const auto& box = w.prompts.boxes()[0];
            EXPECT_EQ(box.icon, Prompts::Icon::Critical);
            EXPECT_TRUE(box.text.startsWith(QStringLiteral("書込みに失敗しました。\n") +
                                            QLatin1String(target.error)))
                << box.text.toStdString();
            EXPECT_TRUE(w.boxes(Prompts::Icon::Information).isEmpty());
        }
    }
    // The workbook: the library's error and the system's reason, no success.
    w.prompts.clear();
    w.dialog.answer = dir.filePath(QStringLiteral("missing/x.xlsx"));
    w.window->ShowOption(w.grid(t));
    w.window->Opt_out[SaveCSV::Spreadsheet]->click();
    w.window->Command1->click();
    ASSERT_EQ(w.prompts.boxes().size(), 1);
    EXPECT_EQ(w.prompts.boxes()[0].icon, Prompts::Icon::Critical);
    EXPECT_TRUE(w.prompts.boxes()[0].text.startsWith(
        QStringLiteral("エクセルファイルの出力に失敗しました。\nError:")));
    EXPECT_TRUE(w.prompts.boxes()[0].text.endsWith(QString::fromLocal8Bit(std::strerror(ENOENT))))
        << w.prompts.boxes()[0].text.toStdString();
}

// The workbook holds names as text without a "'", numbers of number columns as numbers, and
// every other text (a code "00123" in a text column) as text.
TEST(ExportSpreadsheet, CellsHoldTheirTypes)
{
    ExportWindow w(QString::fromStdString(testenv::freshSqliteConnStr("xlsx.db")));
    w.exec(QStringLiteral("CREATE TABLE t (id INTEGER, code VARCHAR(10), price NUMERIC(10,2), "
                          "note VARCHAR(20))"));
    w.exec(QStringLiteral("INSERT INTO t VALUES (1, '00123', 12.5, 'a&b<c>'), "
                          "(2, NULL, NULL, '日本語'), (3, '7', -0.25, '')"));
    Table t = w.fetch(QStringLiteral("SELECT * FROM t ORDER BY id"));
    ASSERT_EQ(t.kinds, (ColumnKinds{ColumnKind::Number, ColumnKind::Text, ColumnKind::Number,
                                    ColumnKind::Text}));
    // Number filling as the grid shows it: spaces before a positive number, zeros after a
    // minus and at the end of the fraction. Both are number cells.
    t.rows.append({QStringLiteral("4"), QString(), QStringLiteral("   12.50"), QString()});
    t.rows.append({QStringLiteral("5"), QString(), QStringLiteral("-0000.25"), QString()});
    t.rows.append(
        {QStringLiteral("6"), QString(), QStringLiteral(" 1234567890123.500"), QString()});
    QTemporaryDir dir;
    w.dialog.answer = dir.filePath(QStringLiteral("out.xlsx"));
    UrlRecorder opener({"file"});
    w.window->ShowOption(w.grid(t));
    w.window->Opt_out[SaveCSV::Spreadsheet]->click();
    EXPECT_FALSE(w.window->CB_txt_dlm->isVisible());
    EXPECT_TRUE(w.window->Chk_open_exel->isVisible());
    w.window->Chk_head->setChecked(true);
    w.window->Chk_open_exel->setChecked(true);
    w.window->Command1->click();
    EXPECT_EQ(w.dialog.last.title, QStringLiteral("SELECT結果の保存ﾌｧｲﾙ(Excelﾌｧｲﾙ)指定"));
    EXPECT_EQ(w.dialog.last.initialName, QStringLiteral("SELECT.xlsx"));
    EXPECT_TRUE(w.dialog.last.filters.join(QLatin1Char(';')).contains(QStringLiteral("*.xlsx")));
    ASSERT_EQ(w.boxes(Prompts::Icon::Information).size(), 1);

    const QString xml = unzipSheet(w.dialog.answer);
    ASSERT_FALSE(xml.isEmpty());
    const auto text = [](const char* cell, const QString& value) {
        return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
            .arg(QLatin1String(cell), value);
    };
    EXPECT_TRUE(xml.contains(text("A1", QStringLiteral("id")))) << xml.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral("'id")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<c r=\"A2\"><v>1</v></c>")));
    EXPECT_TRUE(xml.contains(text("B2", QStringLiteral("00123"))));
    EXPECT_TRUE(xml.contains(QStringLiteral("<c r=\"C2\"><v>12.5</v></c>")));
    EXPECT_TRUE(xml.contains(text("D2", QStringLiteral("a&amp;b&lt;c&gt;"))));
    EXPECT_FALSE(xml.contains(QStringLiteral("r=\"B3\"")));
    EXPECT_TRUE(xml.contains(text("D3", QStringLiteral("日本語"))));
    EXPECT_TRUE(xml.contains(text("B4", QStringLiteral("7"))));
    EXPECT_TRUE(xml.contains(QStringLiteral("<c r=\"C4\"><v>-0.25</v></c>")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<c r=\"C5\"><v>12.5</v></c>"))) << xml.toStdString();
    EXPECT_TRUE(xml.contains(QStringLiteral("<c r=\"C6\"><v>-0.25</v></c>")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<c r=\"C7\"><v>1234567890123.5</v></c>")));
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(opener.opened[0].toLocalFile(), QFileInfo(w.dialog.answer).absoluteFilePath());
}

TEST(ExportClipboard, LinesEndWithALineBreakAndTheMessageIsShown)
{
    ExportWindow w(QString::fromStdString(testenv::freshSqliteConnStr("clip.db")));
    w.exec(QStringLiteral("CREATE TABLE c (s VARCHAR(10), n NUMERIC(10,2), z VARCHAR(5))"));
    w.exec(QStringLiteral("INSERT INTO c VALUES ('a,b', 12.5, NULL)"));
    const Table t = w.fetch(QStringLiteral("SELECT * FROM c"));
    ASSERT_EQ(t.kinds, (ColumnKinds{ColumnKind::Text, ColumnKind::Number, ColumnKind::Text}));
    w.window->ShowOption(w.grid(t));
    w.window->Opt_out[SaveCSV::Clipboard]->click();
    EXPECT_FALSE(w.window->Chk_edit_csv->isVisible());
    EXPECT_TRUE(w.window->Command1->toolTip().isEmpty());
    w.window->Chk_head->setChecked(false);
    w.window->CB_kakomi->setCurrentIndex(1);
    w.window->Command1->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("'a,b',12.5,''\n"));
    ASSERT_EQ(w.prompts.boxes().size(), 1);
    EXPECT_EQ(w.prompts.boxes()[0].text, QStringLiteral("プリップボードに出力しました。"));
    EXPECT_EQ(w.dialog.calls, 0);

    // A delimiter of spaces is one space; an empty one is refused and the window stays.
    w.prompts.clear();
    w.window->ShowOption(w.grid(t));
    w.window->CB_txt_dlm->setEditText(QString());
    w.window->Command1->click();
    ASSERT_EQ(w.prompts.boxes().size(), 1);
    EXPECT_EQ(w.prompts.boxes()[0].icon, Prompts::Icon::Warning);
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_TRUE(w.window->Command1->isEnabled());
    w.window->CB_txt_dlm->setEditText(QStringLiteral("   "));
    w.window->Command1->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("'a,b' 12.5 ''\n"));
}

// An export that does not write every row never says it wrote the file: a Cancel during
// execute-and-save or the grid export, or a write that fails part way, ends with a box that
// names the rows written and <name>.partial (an older one replaced), which holds exactly those
// rows; nothing is left under the chosen name.
TEST(ExportIncomplete, StoppedOrFailedExportsKeepExactlyTheRowsReportedAsPartial)
{
    ExportWindow w(QString::fromStdString(testenv::freshSqliteConnStr("cancel.db")));
    QTemporaryDir dir;
    w.dialog.answer = dir.filePath(QStringLiteral("big.csv"));
    const QString partial = w.dialog.answer + QStringLiteral(".partial");
    {
        QFile older(partial);
        ASSERT_TRUE(older.open(QIODevice::WriteOnly));
        older.write("older\r\n");
    }
    const QString big = QStringLiteral("SELECT * FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                                       "SELECT i + 1 FROM n WHERE i < 1000000) "
                                       "SELECT i, 'value ' || i FROM n)");
    w.window->Show4SelectOut(big);
    bool sawBusy = false;
    std::int16_t catalogRead = 0;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (w.db->work().kind() != ConnectionWork::Kind::Transfer ||
            w.window->L_cnt->text().toInt() < 1000)
            return;
        poll.stop();
        sawBusy = w.db->work().busy() && w.db->work().kind() == ConnectionWork::Kind::Transfer;
        // A catalog read would take the export's cursor: it is refused while rows stream.
        int tables = 0, views = 0, others = 0;
        QStringList a, b, c;
        catalogRead = w.db->DbListObjects(std::nullopt, tables, a, views, b, others, c);
        w.window->close(); // by the frame: Cancel
    });
    poll.start();
    w.window->Command1->click();
    EXPECT_TRUE(sawBusy);
    EXPECT_EQ(catalogRead, ODBCComm::kBusy);
    EXPECT_FALSE(w.window->isVisible());
    const int shown = w.window->L_cnt->text().toInt();
    EXPECT_GT(shown, 1000);
    EXPECT_LT(shown, 1000000);
    ASSERT_EQ(w.prompts.boxes().size(), 1);
    EXPECT_EQ(w.prompts.boxes()[0].icon, Prompts::Icon::Warning);
    EXPECT_EQ(w.prompts.boxes()[0].title, QStringLiteral("SELECT実行＆保存"));
    EXPECT_EQ(
        w.prompts.boxes()[0].text,
        QStringLiteral("出力を中断しました。\n%1行を%2に出力しました。").arg(shown).arg(partial));
    EXPECT_FALSE(QFile::exists(w.dialog.answer));
    const Records r = readDelimited(partial, QStringLiteral(","), QStringLiteral("\""));
    EXPECT_EQ(r.size(), shown);
    for (int i = 0; i < r.size(); i += 997)
        EXPECT_EQ(r[i][0].text, QString::number(i + 1));
    EXPECT_FALSE(w.db->work().busy());
    EXPECT_FALSE(w.db->work().cursorHeld());

    // The grid export: Cancel after a part of 200,000 rows, clicked while the export holds the
    // program's input.
    const Table t =
        w.fetch(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                               "FROM n WHERE i < 200000) SELECT i FROM n"));
    w.prompts.clear();
    w.window->ShowOption(w.grid(t));
    QTimer::singleShot(0, [&] { QTest::mouseClick(w.window->Command2, Qt::LeftButton); });
    w.window->Command1->click();
    const int rows = w.window->ProgressBar1->value();
    EXPECT_LT(rows, 200000);
    ASSERT_EQ(w.prompts.boxes().size(), 1);
    EXPECT_EQ(
        w.prompts.boxes()[0].text,
        QStringLiteral("出力を中断しました。\n%1行を%2に出力しました。").arg(rows).arg(partial));
    EXPECT_FALSE(QFile::exists(w.dialog.answer));
    EXPECT_EQ(readDelimited(partial, QStringLiteral(","), QStringLiteral("\"")).size(), rows);

    // A write that fails part way: the file is cut back to its last whole line, and the count
    // is of the rows it holds, not of the rows handed to it.
    w.prompts.clear();
    w.window->Show4SelectOut(QStringLiteral("SELECT * FROM (WITH RECURSIVE n(i) AS (SELECT 1 "
                                            "UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                                            "SELECT i, 'value ' || i FROM n)"));
    w.window->Chk_head->setChecked(true);
    {
        const FileSizeLimit limit(600000);
        w.window->Command1->click();
    }
    ASSERT_EQ(w.prompts.boxes().size(), 1);
    const auto& failed = w.prompts.boxes()[0];
    EXPECT_EQ(failed.icon, Prompts::Icon::Critical);
    EXPECT_TRUE(failed.text.startsWith(QStringLiteral("書込みに失敗しました。\nError:27 ")))
        << failed.text.toStdString();
    const int kept = w.window->L_cnt->text().toInt();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 100000);
    EXPECT_TRUE(
        failed.text.endsWith(QStringLiteral("\n%1行を%2に出力しました。").arg(kept).arg(partial)))
        << failed.text.toStdString();
    const QString text = fileText(partial);
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    const Records f = readDelimited(partial, QStringLiteral(","), QStringLiteral("\""));
    ASSERT_EQ(f.size(), kept + 1);
    EXPECT_EQ(f.last()[0].text, QString::number(kept));
}

} // namespace
