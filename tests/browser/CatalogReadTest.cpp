#include "browser/CatalogRead.h"
#include "Backend.h"
#include "CatalogCases.h"
#include "CommSession.h"
#include "ScriptedPrompts.h"
#include "TestEnv.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

using End = CatalogRead::End;

// The catalog read over a connection of its own, without any window.
class CatalogTest {
protected:
    void connect(const QString& dsn, const QString& connStr = QString())
    {
        connectComm(*db, dsn, connStr);
    }
    void exec(const QString& sql) { execCommitted(*db, sql); }

    ScriptedPrompts prompts;
    OdbcLib lib;
    std::unique_ptr<ODBCComm> db = std::make_unique<ODBCComm>(lib, prompts);
    CatalogRead read{*db};
};

// Objects listed by kind, for an owner or every owner.

class CatalogObjects : public CatalogTest, public testing::TestWithParam<CatalogCase> {};

TEST_P(CatalogObjects, ListsTheOwnersObjectsByKind)
{
    const CatalogCase& c = GetParam();
    connect(QString::fromLatin1(c.dsn));
    CatalogRead::Objects objects;
    const CatalogRead::Outcome outcome = read.objects(c.owner, objects);
    EXPECT_EQ(outcome.end, End::Read) << outcome.errorText.toStdString();
    EXPECT_EQ(outcome.code, 0);
    EXPECT_EQ(objects.tables.size(), c.tables) << objects.tables.join(u',').toStdString();
    EXPECT_EQ(objects.views.size(), c.views);
    EXPECT_TRUE(objects.synonyms.isEmpty());
    EXPECT_TRUE(objects.tables.contains(c.someTable));
    if (!c.someView.isEmpty()) {
        EXPECT_TRUE(objects.views.contains(c.someView));
    }
    EXPECT_FALSE(db->work().busy());
}

INSTANTIATE_TEST_SUITE_P(Drivers, CatalogObjects, testing::ValuesIn(catalogCases()),
                         catalogCaseName);

// Columns with their types and the positions of a composite key, of a table and a view.

class CatalogColumns : public CatalogTest, public testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        connect(QString(),
                QString::fromStdString(scratchConnStr(GetParam(), "catalog_columns.db")));
        if (HasFatalFailure())
            return;
        owner = GetParam().postgres  ? std::optional<QString>(QStringLiteral("public"))
                : GetParam().mariadb ? std::optional<QString>(QStringLiteral("qvtest"))
                                     : std::nullopt;
        dropObjects();
        exec(QStringLiteral("CREATE TABLE qv_cat_t (a INTEGER, b VARCHAR(20), c INTEGER NOT "
                            "NULL, d INTEGER)"));
        exec(QStringLiteral("CREATE UNIQUE INDEX qv_cat_ux ON qv_cat_t (c, b)"));
        exec(QStringLiteral("CREATE VIEW qv_cat_v AS SELECT a, b FROM qv_cat_t"));
        // Wider than the read keeps (InnoDB allows 1017 columns).
        QStringList wide;
        for (int i = 1; i <= 1005; ++i)
            wide << QStringLiteral("c%1 INTEGER").arg(i);
        exec(QStringLiteral("CREATE TABLE qv_cat_wide (%1)").arg(wide.join(u',')));
    }
    void TearDown() override
    {
        if (db->DbIsConnected())
            dropObjects();
    }
    void dropObjects()
    {
        db->DbExecute(QStringLiteral("DROP VIEW IF EXISTS qv_cat_v"));
        db->DbExecute(QStringLiteral("DROP TABLE IF EXISTS qv_cat_t"));
        db->DbExecute(QStringLiteral("DROP TABLE IF EXISTS qv_cat_wide"));
        db->DbCommit();
    }

    std::optional<QString> owner;
};

TEST_P(CatalogColumns, ReadsTypesAndKeyPositionsOfTablesAndViews)
{
    CatalogRead::Columns table;
    CatalogRead::Outcome outcome = read.columns(owner, QStringLiteral("qv_cat_t"), true, table);
    ASSERT_EQ(outcome.end, End::Read) << outcome.errorText.toStdString();
    EXPECT_EQ(table.names, (QStringList{"a", "b", "c", "d"}));
    ASSERT_EQ(table.count(), 4);
    ASSERT_EQ(table.typeTexts.size(), 4);
    EXPECT_TRUE(table.typeTexts[0].startsWith(QStringLiteral("int"), Qt::CaseInsensitive))
        << table.typeTexts[0].toStdString();
    EXPECT_TRUE(table.typeTexts[1].contains(QStringLiteral("char"), Qt::CaseInsensitive));
    EXPECT_TRUE(table.typeTexts[2].contains(QStringLiteral("NOT NULL")));
    EXPECT_FALSE(table.typeTexts[3].contains(QStringLiteral("NOT NULL")));
    EXPECT_EQ(table.keyPositions, (QVector<std::int16_t>{0, 2, 1, 0}));

    // Without the keys asked for, and for a view, every position is 0.
    CatalogRead::Columns plain;
    EXPECT_TRUE(read.columns(owner, QStringLiteral("qv_cat_t"), false, plain).read());
    EXPECT_EQ(plain.names, table.names);
    EXPECT_EQ(plain.keyPositions, (QVector<std::int16_t>{0, 0, 0, 0}));
    CatalogRead::Columns view;
    EXPECT_TRUE(read.columns(owner, QStringLiteral("qv_cat_v"), false, view).read());
    EXPECT_EQ(view.names, (QStringList{"a", "b"}));
    EXPECT_EQ(view.keyPositions, (QVector<std::int16_t>{0, 0}));

    // A wide table gives its first 999 columns.
    CatalogRead::Columns wide;
    EXPECT_TRUE(read.columns(owner, QStringLiteral("qv_cat_wide"), true, wide).read());
    ASSERT_EQ(wide.count(), CatalogRead::kMaxColumns);
    EXPECT_EQ(wide.typeTexts.size(), CatalogRead::kMaxColumns);
    EXPECT_EQ(wide.keyPositions.size(), CatalogRead::kMaxColumns);
    EXPECT_EQ(wide.names.last(), QStringLiteral("c999"));
    EXPECT_FALSE(db->work().busy());
}

INSTANTIATE_TEST_SUITE_P(Drivers, CatalogColumns, testing::ValuesIn(kBackends), backendName);

// A read that cannot be made is reported, and gives no part of a list.
class CatalogFailure : public CatalogTest, public testing::Test {};

TEST_F(CatalogFailure, NoConnectionAStopAndAFailedDriverAreReported)
{
    CatalogRead::Objects objects;
    CatalogRead::Columns columns;
    EXPECT_EQ(read.objects(std::nullopt, objects).end, End::NotConnected);
    EXPECT_EQ(read.columns(std::nullopt, QStringLiteral("album"), true, columns).end,
              End::NotConnected);

    connect(QString::fromLatin1(testenv::kPgChinookDsn));
    {
        // Within work that was stopped the read ends as stopped, with nothing kept.
        const ConnectionWork::Scope work(db->work(), ConnectionWork::Kind::Execute);
        db->work().cancelAll();
        EXPECT_EQ(read.objects(std::nullopt, objects).end, End::Stopped);
        EXPECT_TRUE(objects.tables.isEmpty());
        EXPECT_EQ(read.columns(std::nullopt, QStringLiteral("album"), true, columns).end,
                  End::Stopped);
        EXPECT_TRUE(columns.names.isEmpty());
    }
    EXPECT_TRUE(read.columns(std::nullopt, QStringLiteral("album"), true, columns).read());
    EXPECT_EQ(columns.keyPositions.value(0), 1);

    ASSERT_TRUE(testenv::pgStop());
    const CatalogRead::Outcome listed = read.objects(QStringLiteral("public"), objects);
    const CatalogRead::Outcome described =
        read.columns(QStringLiteral("public"), QStringLiteral("album"), true, columns);
    const bool restarted = testenv::pgStart();
    EXPECT_EQ(listed.end, End::Failed);
    EXPECT_NE(listed.code, 0);
    EXPECT_FALSE(listed.errorText.isEmpty());
    EXPECT_TRUE(objects.tables.isEmpty());
    EXPECT_EQ(described.end, End::Failed);
    EXPECT_FALSE(described.errorText.isEmpty());
    EXPECT_TRUE(columns.names.isEmpty());
    EXPECT_TRUE(prompts.boxes().isEmpty()); // the workflow shows nothing
    EXPECT_TRUE(restarted);
}

} // namespace
