#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// What a result column holds, as far as the grid and the export treat columns differently.
enum class ColumnKind : std::uint8_t {
    Text,     // character data: quoted on export
    DateTime, // dates and times: trimmed of a zero time on export
    Number,   // anything else: right-aligned, sorted by value, not quoted
};

// One kind per column, in column order.
using ColumnKinds = std::vector<ColumnKind>;

// Where a result column comes from, as the driver names it; an empty table is a computed
// column. owner is the table's schema where the driver gives one.
struct ColumnOrigin {
    QString owner;
    QString table;
    QString column;
    // The concise ODBC SQL type, size (characters, or a decimal's precision), scale, and
    // whether the database numbers the column by itself (its editor and its binding).
    std::int16_t sqlType = 0;
    std::int32_t size = 0;
    std::int16_t decimals = 0;
    bool autoNumbered = false;
    bool unsignedColumn = false;
};

// Description of the open result: what the result grid and the export need to lay out columns.
struct ResultSetInfo {
    // Columns described at most; a wider result is described by its first kCapacity columns.
    static constexpr int kCapacity = 1000;

    // Number of described columns (the caller sets it from DbLastColumnCount before
    // DbDescribeResult, which caps it at kCapacity).
    std::int16_t columnCount = 0;
    // Column names, index 0 .. columnCount - 1.
    QStringList names;
    // One kind per column: Text for character, DateTime for date/time, Number for the rest.
    ColumnKinds kinds;
    // One origin per column; empty when the driver could not say (no column then counts as a
    // table's).
    std::vector<ColumnOrigin> origins;
};

// A statement executed and, when it has result columns, its result described: what the grid
// and execute-and-save both start from.
struct OpenedResult {
    std::int16_t code = 0;         // the execute's status
    std::int16_t describeCode = 0; // the description's status (0 without result columns)
    std::int32_t rowCount = 0;     // affected rows of a statement without result columns
    std::int16_t columnCount = 0;  // the true column count, even beyond kCapacity
    ResultSetInfo info;            // the described columns
};
