#pragma once

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <QString>

#include <optional>
#include <string_view>
#include <vector>

// What the catalogs of the test data sources hold, as an object list for an owner (or every
// owner) reads them: the counts by kind and a table and view that must be among them.
struct CatalogCase {
    const char* name;
    const char* dsn;
    std::optional<QString> owner;
    int tables;
    int views;
    QString someTable;
    QString someView;
};

inline const std::vector<CatalogCase>& catalogCases()
{
    static const std::vector<CatalogCase> cases = {
        {"SqliteChinook", testenv::kChinookDsn, std::nullopt, 11, 0, QStringLiteral("Album"), {}},
        {"SqliteEmptyOwner", testenv::kChinookDsn, QString(""), 11, 0, QStringLiteral("Track"), {}},
        {"SqliteDemo", testenv::kDemoDsn, std::nullopt, 7, 1, QStringLiteral("社員"),
         QStringLiteral("v_受注明細")},
        {"PgChinookPublic",
         testenv::kPgChinookDsn,
         QStringLiteral("public"),
         11,
         0,
         QStringLiteral("album"),
         {}},
        {"PgChinookAnyOwner",
         testenv::kPgChinookDsn,
         std::nullopt,
         11,
         0,
         QStringLiteral("invoice_line"),
         {}},
        // MariaDB has no owners: the user name as owner, or none, lists the current database's
        // tables and not the server's own (mysql.db, ...).
        {"MariaDbChinookUserAsOwner",
         testenv::kMyChinookDsn,
         QStringLiteral("qvtest"),
         11,
         0,
         QStringLiteral("InvoiceLine"),
         {}},
        {"MariaDbChinookAnyOwner",
         testenv::kMyChinookDsn,
         std::nullopt,
         11,
         0,
         QStringLiteral("Album"),
         {}},
    };
    return cases;
}

// The cases of the given names, in that order.
inline std::vector<CatalogCase> catalogCases(std::initializer_list<std::string_view> names)
{
    std::vector<CatalogCase> picked;
    for (const std::string_view name : names)
        for (const CatalogCase& c : catalogCases())
            if (name == c.name)
                picked.push_back(c);
    return picked;
}

inline std::string catalogCaseName(const testing::TestParamInfo<CatalogCase>& info)
{
    return info.param.name;
}
