// Which results the grid may edit, and why not, on Chinook and on tables of the test's own.
#include "sqlexec/ResultEditability.h"

#include "EditTables.h"
#include "odbc/comm/ResultSetInfo.h"

namespace {

class ResultEditing : public testing::TestWithParam<Backend> {};

struct Case {
    QString sql;
    QString reason;             // empty: editable
    QStringList key = {};       // "column@result column", in key order
    QVector<bool> columns = {}; // per result column, when editable
};

void expectCase(ODBCComm& db, const Case& c)
{
    SCOPED_TRACE(c.sql.toStdString());
    const OpenedResult opened = db.DbOpenResult(c.sql);
    ASSERT_EQ(opened.code, 0) << db.DbLastErrorText().toStdString();
    const Editability e = ResultEditability(db).decide(c.sql, opened.info);
    db.DbCloseCursor();
    EXPECT_EQ(e.reason.toStdString(), c.reason.toStdString());
    EXPECT_EQ(e.editable, c.reason.isEmpty());
    QStringList key;
    for (const Editability::KeyColumn& k : e.key)
        key.append(k.name + QLatin1Char('@') + QString::number(k.column));
    EXPECT_EQ(key, c.key);
    if (e.editable) {
        EXPECT_EQ(QVector<bool>(e.columnEditable.begin(), e.columnEditable.end()), c.columns);
    }
}

const QString kMany = QStringLiteral("編集不可：複数のテーブルの列を含みます");
const QString kJoin = QStringLiteral("編集不可：複数のテーブルを結合した結果です");
const QString kFolded = QStringLiteral("編集不可：集計・DISTINCT・UNIONなどの結果です");
const QString kNoKey = QStringLiteral("編集不可：主キーまたはNULLを含まない一意キーがありません");
const QString kKeyMissing = QStringLiteral("編集不可：キー列が結果に含まれていません");
const QString kNotTable = QStringLiteral("編集不可：テーブルでないもの（ビューなど）の結果です");

} // namespace

TEST_P(ResultEditing, EditableResultsAndWhyOthersAreNot)
{
    const Backend& b = GetParam();
    CommSession chinook(std::string("DSN=") + chinookDsn(b) + ";");
    ASSERT_TRUE(chinook.connected);
    const auto n = [&b](const char* camel, const char* snake) {
        return chinookName(b, camel, snake);
    };
    const QString albumId = n("AlbumId", "album_id");
    const QString album = n("Album", "album");
    const QString sql = QStringLiteral("SELECT %1 FROM %2");
    const Case chinookCases[] = {
        {sql.arg("*", album), {}, {albumId + "@0"}, {true, true, true}},
        {QStringLiteral("SELECT %1, %2 * 2 AS twice, %3 FROM %4 a WHERE %3 < 5")
             .arg(n("Title", "title"), n("ArtistId", "artist_id"), albumId, album),
         {},
         {albumId + "@2"},
         {true, false, true}},
        {sql.arg("*", n("PlaylistTrack", "playlist_track")),
         {},
         {n("PlaylistId", "playlist_id") + "@0", n("TrackId", "track_id") + "@1"},
         {true, true}},
        {sql.arg(n("Title", "title"), album), kKeyMissing},
        {QStringLiteral("SELECT t.%1, a.%2 FROM %3 t JOIN %4 a ON a.%5 = t.%5")
             .arg(n("Name", "name"), n("Title", "title"), n("Track", "track"), album, albumId),
         kMany},
        {QStringLiteral("SELECT a.* FROM %1 a JOIN %2 r ON r.%3 = a.%3")
             .arg(album, n("Artist", "artist"), n("ArtistId", "artist_id")),
         kJoin},
        {sql.arg("DISTINCT " + n("ArtistId", "artist_id"), album), kFolded},
        {sql.arg(n("ArtistId", "artist_id") + ", COUNT(*)", album) + " GROUP BY " +
             n("ArtistId", "artist_id"),
         kFolded},
        {sql.arg(albumId, album) + " UNION " + sql.arg(albumId, album), kFolded},
        {sql.arg("*", "(" + sql.arg("*", album) + ") q"), kFolded},
    };
    for (const Case& c : chinookCases)
        expectCase(chinook.comm, c);

    CommSession scratch(scratchConnStr(b, "editing.db"));
    ASSERT_TRUE(scratch.connected);
    makeEditTables(scratch.comm);
    const Case ownCases[] = {
        {"SELECT item_no, name_ja, upper(sku), shop_code FROM qv_re_item",
         {},
         {"shop_code@3", "item_no@0"},
         {true, true, false, true}},
        {"SELECT shop_code, name_ja FROM qv_re_item", kKeyMissing},
        {"SELECT code, note FROM qv_re_uniq", {}, {"code@0"}, {true, true}},
        {"SELECT * FROM qv_re_nokey", kNoKey},
        // SQLite names the view's table as the columns' table; the others the view.
        {"SELECT * FROM qv_re_v", kNotTable},
        // SQLite names an aliased column by its alias, which is no column of the table.
        {"SELECT shop_code, item_no AS n FROM qv_re_item",
         b.postgres || b.mariadb ? QString() : kKeyMissing,
         b.postgres || b.mariadb ? QStringList{"shop_code@0", "item_no@1"} : QStringList{},
         {true, true}},
    };
    for (const Case& c : ownCases)
        expectCase(scratch.comm, c);

    ASSERT_EQ(scratch.comm.DbSetReadOnly(nullptr, false), 0);
    expectCase(scratch.comm,
               {"SELECT * FROM qv_re_item", QStringLiteral("編集不可：読取専用の接続です")});
}

INSTANTIATE_TEST_SUITE_P(Drivers, ResultEditing, testing::ValuesIn(kBackends), backendName);
