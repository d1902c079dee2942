#include "editor/Completion.h"

#include <gtest/gtest.h>

// What is typed at the caret and which tables the statement names, with their aliases.
TEST(Completion, ContextAndCandidatesFollowTheStatement)
{
    const QString sql = QStringLiteral(
        "SELECT e.na FROM hr.\"Emp List\" AS e, jobs JOIN dept d ON d.id = e.dept -- x FROM y\n"
        "WHERE e.id IN (SELECT id FROM grades g)");
    const int caret = static_cast<int>(sql.indexOf(QStringLiteral("na ")) + 2);
    const CompletionContext c = CompletionContextAt(sql, caret);
    EXPECT_EQ(c.prefix, QStringLiteral("na"));
    EXPECT_EQ(c.qualifier, QStringLiteral("e"));
    EXPECT_EQ(c.tables.value(QStringLiteral("E")), QStringLiteral("Emp List"));
    EXPECT_EQ(c.tables.value(QStringLiteral("EMP LIST")), QStringLiteral("Emp List"));
    EXPECT_EQ(c.tables.value(QStringLiteral("D")), QStringLiteral("dept"));
    EXPECT_EQ(c.tables.value(QStringLiteral("G")), QStringLiteral("grades"));
    EXPECT_TRUE(c.tables.contains(QStringLiteral("JOBS")));
    EXPECT_FALSE(c.tables.contains(QStringLiteral("Y"))); // inside a comment
    EXPECT_FALSE(c.tables.contains(QStringLiteral("ON")));
    // Read by the database's rules: on MariaDB "#" comments and a backslash escapes a quote.
    const CompletionContext maria =
        CompletionContextAt(QStringLiteral("SELECT 'a\\' FROM y', x.b FROM t x # JOIN z"), 24,
                            {sql::Engine::MariaDb, true});
    EXPECT_EQ(maria.qualifier, QStringLiteral("x"));
    EXPECT_EQ(maria.prefix, QStringLiteral("b"));
    QStringList named = maria.tables.keys();
    named.sort();
    EXPECT_EQ(named, QStringList({QStringLiteral("T"), QStringLiteral("X")}));

    QStringList asked;
    CompletionCatalog catalog;
    catalog.readObjects = [] {
        return QStringList{QStringLiteral("dept"), QStringLiteral("Emp List"),
                           QStringLiteral("ＮＡＭＥＳ")};
    };
    catalog.readColumns = [&asked](const QString& table) {
        asked << table;
        return table == QStringLiteral("Emp List")
                   ? QStringList{QStringLiteral("id"), QStringLiteral("NAME"),
                                 QStringLiteral("name_kana")}
                   : QStringList{QStringLiteral("id")};
    };
    // After "e.": the alias's columns, case-blind on the prefix.
    EXPECT_EQ(CompletionCandidates(c, catalog),
              (QStringList{QStringLiteral("NAME"), QStringLiteral("name_kana")}));
    // Without a qualifier: objects (width-blind) and the statement's tables' columns, once.
    CompletionContext bare = CompletionContextAt(QStringLiteral("SELECT na FROM dept"), 9);
    EXPECT_EQ(CompletionCandidates(bare, catalog), (QStringList{QStringLiteral("ＮＡＭＥＳ")}));
    bare.prefix.clear();
    EXPECT_EQ(CompletionCandidates(bare, catalog),
              (QStringList{QStringLiteral("dept"), QStringLiteral("Emp List"),
                           QStringLiteral("ＮＡＭＥＳ"), QStringLiteral("id")}));
    // Columns are read once per table until the catalog is cleared.
    CompletionCandidates(c, catalog);
    EXPECT_EQ(asked.count(QStringLiteral("Emp List")), 1);
    catalog.clear();
    CompletionCandidates(c, catalog);
    EXPECT_EQ(asked.count(QStringLiteral("Emp List")), 2);
}
