#pragma once

#include "odbc/comm/ResultSetInfo.h"
#include "sqlexec/SqlExecText.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>

// Texts of the result grid's sort and copy commands that need no widget: number filling, the
// numeric order of number columns and the copy texts of the grid's popup menus.

// True for a plain decimal number as drivers write one: an optional "-", digits, and an
// optional "." with digits after it ("5", "-12.5", "0.25", ".5", "3."); at least one digit,
// nothing else (no blanks, no exponent).
bool IsPlainDecimal(QStringView text);

// Fills a plain decimal number out to width.before + 1 characters before the point (spaces, or
// zeros after the "-" of a negative number) and width.after digits after it, so that the
// numbers of one column line up by their points. Any other text is returned unchanged.
QString FillNumber(const QString& text, NumberWidth width);

// The order of the cells of a number column: empty cells first, then numbers by their value
// (exactly, also beyond the digits of a double; exponents such as "1.5e+10" are read), then
// every other text. Blanks around a number are ignored, so filled-out cells keep their value.
class NumberSortKey {
public:
    explicit NumberSortKey(QStringView text);

    enum class Kind : std::uint8_t { Empty, Number, Text };
    Kind kind() const { return kind_; }
    // Negative, zero or positive as a is less than, equal to or greater than b. Texts of kind
    // Text compare equal among themselves; the caller orders them.
    static int compare(const NumberSortKey& a, const NumberSortKey& b);

private:
    Kind kind_ = Kind::Text;
    bool negative_ = false;
    // The value is 0.digits_ x 10^exponent_, digits_ without leading or trailing zeros; zero
    // has no digits.
    std::int32_t exponent_ = 0;
    QString digits_;
};

// A value as a literal of generated SQL from a cell of a column of the given kind: a number
// of a Number column as it stands (blanks of a filled-out cell included), an empty Number
// cell as NULL, everything else as a quoted string with every "'" doubled.
QString SqlValueText(const QString& cellText, ColumnKind kind);

// The five copy texts of a right click on a data cell: the name (quoted when SQL needs it),
// the value as shown, the value as a string literal, name = value, name = 'value'.
std::array<QString, 5> CellCopyTexts(const QString& columnName, const QString& cellText);

// Every result column name, quoted when SQL needs it, separated by ", ".
QString AllColumnNamesText(const QStringList& names);

// Every value of one row as SqlValueText gives it, separated by ", "; kinds holds one kind
// per value (a missing kind counts as Text).
QString RowValuesText(const QStringList& values, const ColumnKinds& kinds);
