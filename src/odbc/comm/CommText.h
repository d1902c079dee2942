#pragma once

#include "base/Utf8Text.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ResultSetInfo.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// Texts between the driver layer's UTF-8 and the windows' QString, shared by the parts of
// ODBCComm (its connection, fetch and catalog files); nothing outside ODBCComm includes it.
namespace commtext {

inline QString fromUtf8(const std::string& text)
{
    return textFromUtf8(text);
}

// A fetched value. Most values are ASCII, which QString takes in one widening copy; an empty
// value is the empty (not null) text, as fromUtf8 gives it.
inline QString fromFetched(std::string_view text)
{
    const std::size_t n = text.size();
    if (n == 0)
        return QStringLiteral(""); // empty, not null: a null QString is a NULL
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    unsigned char high = 0;
    for (std::size_t i = 0; i < n; ++i)
        high |= bytes[i];
    if (high < 0x80)
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(n));
    return textFromUtf8(text);
}

inline std::string toUtf8(const QString& text)
{
    return text.toStdString();
}

inline std::optional<std::string> toUtf8(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    return text->toStdString();
}

// A status code as the boxes write it: decimal, "-" when negative, no blanks.
inline QString codeText(int code)
{
    return QString::number(code);
}

// What the grid and the export make of a column kind the driver layer reports.
inline ColumnKind columnKindOf(std::int16_t libKind)
{
    if (libKind == OdbcLib::kKindChar)
        return ColumnKind::Text;
    if (libKind == OdbcLib::kKindDateTime)
        return ColumnKind::DateTime;
    return ColumnKind::Number;
}

} // namespace commtext
