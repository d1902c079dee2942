#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// What a result column accepts when a cell is edited, from the way the driver describes it.
struct CellType {
    enum class Kind {
        Text,
        LongText,
        Integer,
        Decimal,
        Real,
        Boolean,
        Date,
        Time,
        DateTime,
        Binary
    };
    Kind kind = Kind::Text;
    std::int32_t size = 0;     // characters of a text column, precision of a decimal; 0 unknown
    std::int16_t decimals = 0; // scale of a decimal
    // The values an Integer column holds, both ends included.
    std::int64_t lowest = 0;
    std::uint64_t highest = 0;
};

// From the ODBC concise SQL type (SQLColAttribute SQL_DESC_CONCISE_TYPE), the column size and
// the decimal digits as the driver describes the result column. unsignedColumn
// (SQL_DESC_UNSIGNED) gives an integer column the unsigned range of its type; it means nothing
// for other types (drivers say true for every non-numeric column).
CellType cellTypeOf(std::int16_t sqlType, std::int32_t size, std::int16_t decimals,
                    bool unsignedColumn = false);

// The text to store for what the user typed, or nullopt with *problem (when given) set to the
// reason shown in the status bar. A null QString in is NULL out, whatever the type. Other than
// in a text column, blanks around the value and full-width characters of an IME are taken as
// their plain forms, and an empty value is NULL (a null QString).
std::optional<QString> checkedCellText(const CellType& type, const QString& typed,
                                       QString* problem);
