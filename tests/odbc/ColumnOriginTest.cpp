// Where result columns come from and which key a table has, through ODBCComm, on Chinook and
// on tables of the test's own.
#include "EditTables.h"
#include "odbc/comm/ResultSetInfo.h"

#include <ostream>

namespace {

class ColumnOrigins : public testing::TestWithParam<Backend> {};

// "owner|table|column" per column, to compare with a list.
QStringList originsOf(const OpenedResult& opened)
{
    QStringList out;
    for (const ColumnOrigin& o : opened.info.origins)
        out.append(o.owner + QLatin1Char('|') + o.table + QLatin1Char('|') + o.column);
    return out;
}

} // namespace

TEST_P(ColumnOrigins, NameBaseColumnsAndReadTableKeys)
{
    const Backend& b = GetParam();
    CommSession chinook(std::string("DSN=") + chinookDsn(b) + ";");
    ASSERT_TRUE(chinook.connected);
    ODBCComm& db = chinook.comm;
    const auto n = [&b](const char* camel, const char* snake) {
        return chinookName(b, camel, snake);
    };
    const QString schema = b.postgres ? QStringLiteral("public") : QString();
    const QString album = n("Album", "album");
    const QString albumId = n("AlbumId", "album_id");
    const QString track = n("Track", "track");

    // Plain columns through a table alias and a join; an expression has no table.
    const OpenedResult opened = db.DbOpenResult(
        QStringLiteral("SELECT a.%1, t.%2, a.%1 * 2 AS twice FROM %3 a JOIN %4 t ON t.%1 = a.%1")
            .arg(albumId, n("Name", "name"), album, track));
    ASSERT_EQ(opened.code, 0) << db.DbLastErrorText().toStdString();
    ASSERT_EQ(opened.describeCode, 0);
    EXPECT_EQ(originsOf(opened),
              (QStringList{schema + "|" + album + "|" + albumId,
                           schema + "|" + track + "|" + n("Name", "name"), "||"}));
    // The catalog read leaves the result fetchable (every driver here keeps it beside).
    ODBCComm::TableKey key;
    ASSERT_EQ(db.DbTableKey(std::nullopt, n("PlaylistTrack", "playlist_track"), key), 0);
    EXPECT_EQ(key.kind, "TABLE");
    EXPECT_TRUE(key.primary);
    EXPECT_EQ(key.columns, (QStringList{n("PlaylistId", "playlist_id"), n("TrackId", "track_id")}));
    QVector<QString> row;
    EXPECT_EQ(db.DbFetch(row, false), 0);
    db.DbCloseCursor();
    ASSERT_EQ(db.DbTableKey(b.postgres ? std::optional<QString>(schema) : std::nullopt, album, key),
              0);
    EXPECT_EQ(key.columns, QStringList{albumId});

    CommSession scratch(scratchConnStr(b, "origins.db"));
    ASSERT_TRUE(scratch.connected);
    makeEditTables(scratch.comm);
    const struct {
        const char* table;
        const char* kind;
        bool primary;
        QStringList columns;
    } keys[] = {
        {"qv_re_item", "TABLE", true, {"shop_code", "item_no"}},
        // The first unique index takes NULLs: the next one is the key. MariaDB itself reports
        // a unique index without NULLs as the primary key of a table that has none.
        {"qv_re_uniq", "TABLE", b.mariadb, {"code"}},
        {"qv_re_nokey", "TABLE", false, {}},
        {"qv_re_v", "VIEW", false, {}},
        {"qv_re_none", "", false, {}},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(k.table);
        ASSERT_EQ(scratch.comm.DbTableKey(std::nullopt, QString::fromLatin1(k.table), key), 0)
            << scratch.comm.DbLastErrorText().toStdString();
        EXPECT_EQ(key.kind, k.kind);
        EXPECT_EQ(key.primary, k.primary);
        EXPECT_EQ(key.columns, k.columns);
    }
    // Names beyond ASCII come through whole (the wide call would garble them).
    const OpenedResult named = scratch.comm.DbOpenResult(
        b.mariadb ? QStringLiteral("SELECT name_ja AS `品名`, item_no FROM qv_re_item")
                  : QStringLiteral("SELECT name_ja AS \"品名\", item_no FROM qv_re_item"));
    ASSERT_EQ(named.code, 0);
    EXPECT_EQ(named.info.names.value(0), QStringLiteral("品名"));
    // SQLite names an aliased column by its alias; the others by the column.
    EXPECT_EQ(named.info.origins.at(0).column,
              b.postgres || b.mariadb ? QStringLiteral("name_ja") : QStringLiteral("品名"));
    EXPECT_EQ(named.info.origins.at(1).table, QStringLiteral("qv_re_item"));
}

INSTANTIATE_TEST_SUITE_P(Drivers, ColumnOrigins, testing::ValuesIn(kBackends), backendName);
