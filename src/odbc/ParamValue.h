#pragma once

#include <cstdint>
#include <string_view>

// A value bound as a statement's parameter: a text (UTF-8, NUL characters and all), or NULL;
// where the driver types a value by its buffer (SQLite ODBC), a number read from a file goes as
// a number, as the same text written into SQL would.
enum class ParamKind : std::uint8_t { Null, Text, Integer, Real };

struct ParamValue {
    ParamKind kind = ParamKind::Null;
    std::string_view text;
    // Where not 0, a Text or Null value is described to the driver as this ODBC SQL type
    // (still sent as characters): PostgreSQL has no operator between a number or a date
    // column and a character value, so a key compared with one must say what it is.
    std::int16_t sqlType = 0;
};
