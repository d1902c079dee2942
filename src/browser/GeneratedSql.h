#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <vector>

// Texts generated from the object tree: the quick statements, the all-columns list and the
// rows of the column attribute view. Names go in through sqlName, so a name with a space or a
// double quote still gives valid SQL.

// Entries of the "クイック SQL" menu, indexes 0 to 6; 1 is a separator.
inline constexpr int kQuickSqlItems = 7;

// The statement of quick item index for an object name (unquoted; quoted here). Item 0 is the
// plain SELECT of item 2; the separator (1) and unknown indexes give an empty text.
QString QuickSqlStatement(int index, const QString& objectName);
// The caption of quick item index: the statement, and for item 0 "　⇒　即実行" after it.
QString QuickSqlCaption(int index, const QString& objectName);

// Column names in column order, each quoted as needed, joined by ", ".
QString AllColumnsText(const QStringList& columnNames);

// The column attribute view as a table: headers (the first names the numbering column), the
// rows without their numbers (row i is column i + 1), all texts left-aligned.
struct ColumnTable {
    QStringList headers;
    std::vector<QVector<QString>> rows;
};

// allAttributes: "全情報を表示"; otherwise "列名のみ表示". keyPositions may be shorter than names
// (missing entries count as 0).
ColumnTable ColumnAttributeTable(const QStringList& names, const QStringList& typeTexts,
                                 const QVector<std::int16_t>& keyPositions, bool allAttributes);

// Characters of the numbering cell of the attribute view ("  1", " 12", "123").
inline constexpr int kAttributeNumberWidth = 3;
