#include "browser/GeneratedSql.h"

#include "base/SqlNames.h"

QString QuickSqlStatement(int index, const QString& objectName)
{
    const QString n = sqlName(objectName);
    switch (index) {
    case 0:
    case 2:
        return QStringLiteral("SELECT * FROM ") + n;
    case 3:
        return QStringLiteral("SELECT * FROM ") + n + QStringLiteral(" \nWHERE ? = ?");
    case 4:
        return QStringLiteral("UPDATE ") + n + QStringLiteral(" SET ? = ? \nWHERE ? = ?");
    case 5:
        return QStringLiteral("INSERT INTO ") + n + QStringLiteral(" \nVALUES(?)");
    case 6:
        return QStringLiteral("DELETE FROM ") + n + QStringLiteral(" \nWHERE ? = ?");
    default:
        return {};
    }
}

QString QuickSqlCaption(int index, const QString& objectName)
{
    if (index == 0)
        return QuickSqlStatement(0, objectName) + QStringLiteral("　⇒　即実行");
    return QuickSqlStatement(index, objectName);
}

QString AllColumnsText(const QStringList& columnNames)
{
    QStringList quoted;
    quoted.reserve(columnNames.size());
    for (const QString& name : columnNames)
        quoted << sqlName(name);
    return quoted.join(QStringLiteral(", "));
}

ColumnTable ColumnAttributeTable(const QStringList& names, const QStringList& typeTexts,
                                 const QVector<std::int16_t>& keyPositions, bool allAttributes)
{
    ColumnTable table;
    table.headers << QStringLiteral("No.") << QStringLiteral("列名");
    if (allAttributes)
        table.headers << QStringLiteral("属性・桁数") << QStringLiteral("NOT NULL")
                      << QStringLiteral("Primary Key");
    table.rows.reserve(static_cast<std::size_t>(names.size()));
    const QString notNull = QStringLiteral("NOT NULL");
    for (qsizetype i = 0; i < names.size(); ++i) {
        QVector<QString> row{names.at(i)};
        if (allAttributes) {
            const QString type = typeTexts.value(i);
            const qsizetype at = type.indexOf(notNull);
            if (at < 0) {
                row << type << QString();
            } else {
                row << type.left(at) << QStringLiteral("YES");
            }
            const std::int16_t key = keyPositions.value(i);
            row << (key > 0 ? QString::number(key) : QString());
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}
