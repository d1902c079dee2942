#include "sqlexec/ResultEditability.h"

#include "odbc/comm/ODBCComm.h"
#include "odbc/comm/ResultSetInfo.h"
#include "sql/SqlStatement.h"

#include <algorithm>

namespace {

Editability refused(const QString& why)
{
    Editability e;
    e.reason = QStringLiteral("編集不可：") + why;
    return e;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

Editability ResultEditability::decide(const QString& sql, const ResultSetInfo& info) const
{
    if (db_.DbIsReadOnly())
        return refused(QStringLiteral("読取専用の接続です"));
    const sql::EditableSelect read = sql::readEditableSelect(sql.toStdString(), db_.DbDialect());
    if (!read.plain)
        return refused(QStringLiteral("集計・DISTINCT・UNIONなどの結果です"));

    const int n = std::min<int>(info.columnCount, static_cast<int>(info.origins.size()));
    const ColumnOrigin* first = nullptr;
    for (int i = 0; i < n; ++i) {
        const ColumnOrigin& o = info.origins[static_cast<std::size_t>(i)];
        if (o.table.isEmpty())
            continue;
        if (first == nullptr)
            first = &o;
        else if (!sameName(o.table, first->table) || !sameName(o.owner, first->owner))
            return refused(QStringLiteral("複数のテーブルの列を含みます"));
    }
    if (first == nullptr)
        return refused(QStringLiteral("テーブルの列を含みません"));
    // Rows of a join may repeat a row of the table, and a change to one would leave its
    // twins showing the old values.
    if (read.tables.size() > 1)
        return refused(QStringLiteral("複数のテーブルを結合した結果です"));
    // SQLite names the table under a view as the columns' table.
    const QString table = first->table;
    if (!sameName(QString::fromStdString(read.tables.front()), table))
        return refused(QStringLiteral("テーブルでないもの（ビューなど）の結果です"));

    const std::optional<QString> owner =
        first->owner.isEmpty() ? std::nullopt : std::optional<QString>(first->owner);
    ODBCComm::TableKey key;
    if (db_.DbTableKey(owner, table, key) != 0)
        return refused(QStringLiteral("テーブルのキーを読めませんでした"));
    if (key.kind != QLatin1String("TABLE"))
        return refused(QStringLiteral("テーブルでないもの（ビューなど）の結果です"));
    if (key.columns.isEmpty())
        return refused(QStringLiteral("主キーまたはNULLを含まない一意キーがありません"));
    Editability e;
    e.owner = first->owner;
    e.table = table;
    e.primaryKey = key.primary;
    e.columnEditable.assign(static_cast<std::size_t>(info.columnCount), false);
    // SQLite names an aliased column by its alias: a name the table lacks is no column of it.
    const QStringList& tableColumns = key.tableColumns;
    for (int i = 0; i < n; ++i) {
        const ColumnOrigin& o = info.origins[static_cast<std::size_t>(i)];
        e.columnEditable[static_cast<std::size_t>(i)] =
            !o.table.isEmpty() &&
            std::any_of(tableColumns.begin(), tableColumns.end(),
                        [&](const QString& c) { return sameName(c, o.column); });
    }
    for (const QString& name : key.columns) {
        int column = -1;
        for (int i = 0; i < n && column < 0; ++i)
            if (e.columnEditable[static_cast<std::size_t>(i)] &&
                sameName(info.origins[static_cast<std::size_t>(i)].column, name))
                column = i;
        if (column < 0)
            return refused(QStringLiteral("キー列が結果に含まれていません"));
        e.key.push_back({name, column});
    }
    e.editable = true;
    return e;
}

EditTarget editTargetOf(const Editability& e, const ResultSetInfo& info, sql::Dialect dialect)
{
    EditTarget t;
    t.dialect = dialect;
    t.owner = e.owner;
    t.table = e.table;
    const std::size_t n = e.columnEditable.size();
    t.columns.resize(n);
    t.sqlTypes.resize(n, 0);
    for (std::size_t i = 0; i < n && i < info.origins.size(); ++i) {
        if (e.columnEditable[i])
            t.columns[i] = info.origins[i].column;
        t.sqlTypes[i] = info.origins[i].sqlType;
    }
    for (const Editability::KeyColumn& k : e.key)
        t.key.push_back(k.column);
    return t;
}
