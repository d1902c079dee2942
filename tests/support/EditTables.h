#pragma once

#include "Backend.h"
#include "CommSession.h"

#include <gtest/gtest.h>

#include <QString>

#include <string>

// Chinook's name of a table or column: the PostgreSQL copy spells them in snake case.
inline QString chinookName(const Backend& b, const char* camel, const char* snake)
{
    return QString::fromLatin1(b.postgres ? snake : camel);
}

// The tables of the editing tests, made afresh in the backend's scratch database: a composite
// primary key with a second unique index, a table keyed only by unique indexes (the first by
// name takes NULLs), a table without a key, and a view.
inline void makeEditTables(ODBCComm& db)
{
    for (const char* drop : {"DROP VIEW IF EXISTS qv_re_v", "DROP TABLE IF EXISTS qv_re_item",
                             "DROP TABLE IF EXISTS qv_re_uniq", "DROP TABLE IF EXISTS qv_re_nokey"})
        db.DbExecute(QString::fromUtf8(drop));
    db.DbCommit();
    for (const char* make : {
             "CREATE TABLE qv_re_item (shop_code VARCHAR(10) NOT NULL, item_no INTEGER NOT NULL,"
             " sku VARCHAR(20) NOT NULL, name_ja VARCHAR(40), PRIMARY KEY (shop_code, item_no))",
             "CREATE UNIQUE INDEX qv_re_item_sku ON qv_re_item (shop_code, sku)",
             "CREATE TABLE qv_re_uniq (note VARCHAR(20), code VARCHAR(10) NOT NULL,"
             " alt VARCHAR(10))",
             "CREATE UNIQUE INDEX qv_re_uniq_a ON qv_re_uniq (alt)",
             "CREATE UNIQUE INDEX qv_re_uniq_b ON qv_re_uniq (code)",
             "CREATE TABLE qv_re_nokey (a INTEGER, b VARCHAR(10))",
             "CREATE VIEW qv_re_v AS SELECT shop_code, item_no, name_ja FROM qv_re_item",
             "INSERT INTO qv_re_item VALUES ('S1', 1, 'K-1', '品名')",
         })
        ASSERT_EQ(db.DbExecute(QString::fromUtf8(make)), 0) << make << "\n"
                                                            << db.DbLastErrorText().toStdString();
    ASSERT_EQ(db.DbCommit(), 0);
}

// The table the grid edits in the apply tests: a composite key, NULLs, a decimal, a date, a
// time stamp and Japanese text.
inline void makeGridEditTable(ODBCComm& db, const Backend& b)
{
    db.DbExecute(QStringLiteral("DROP TABLE IF EXISTS qv_ge_t"));
    db.DbCommit();
    const QString stamp = b.mariadb ? QStringLiteral("DATETIME") : QStringLiteral("TIMESTAMP");
    for (const QString& make :
         {QStringLiteral("CREATE TABLE qv_ge_t (shop VARCHAR(10) NOT NULL, no INTEGER NOT NULL,"
                         " price NUMERIC(10,2), made DATE, at %1, name_ja VARCHAR(40),"
                         " note VARCHAR(40), PRIMARY KEY (shop, no))")
              .arg(stamp),
          QStringLiteral("INSERT INTO qv_ge_t VALUES ('S1', 1, 10.50, '2024-01-31',"
                         " '2024-01-31 10:20:30', '品名', NULL)"),
          QStringLiteral("INSERT INTO qv_ge_t VALUES ('S1', 2, 3.25, '2023-12-01',"
                         " '2023-12-01 00:00:00', 'カナ', 'note')"),
          QStringLiteral("INSERT INTO qv_ge_t VALUES ('S2', 1, 7.00, NULL, NULL, NULL, '')"),
          QStringLiteral("INSERT INTO qv_ge_t VALUES ('S2', 2, 1.00, '2020-02-29',"
                         " '2020-02-29 23:59:59', 'x', 'y')")})
        ASSERT_EQ(db.DbExecute(make), 0) << make.toStdString() << "\n"
                                         << db.DbLastErrorText().toStdString();
    ASSERT_EQ(db.DbCommit(), 0);
}

// Every row of a query as one text, a line per row: what a change or its undo is checked
// against (DbFetch reads NULL as an empty text, so a query that must tell them apart asks IS
// NULL itself).
inline QString tableText(ODBCComm& db, const QString& sql)
{
    if (db.DbExecute(sql) != 0)
        return QStringLiteral("error: ") + db.DbLastErrorText();
    QString out;
    QVector<QString> values;
    while (db.DbFetch(values, false) == 0) {
        out += values.toList().join(QLatin1Char('|')) + QLatin1Char('\n');
    }
    db.DbCloseCursor();
    return out;
}
