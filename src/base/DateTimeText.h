#pragma once

#include <QString>

#include <string_view>

// Drops a zero date (1899-12-30, what a pure time carries) or a midnight time from a date-time
// text: "2006/04/01 0:00:00" -> "2006/04/01", "1899/12/30 12:34:56" -> "12:34:56". Accepts the
// ODBC form "yyyy-mm-dd hh:mm:ss[.fff]" and the slash form "yyyy/m/d h:mm:ss"; anything else is
// returned unchanged.
QString TrimDateTimeText(const QString& text);
// The same rule over UTF-8 bytes, giving a part of the value itself: only short ASCII texts with
// one space can be such values.
std::string_view TrimDateTimeText(std::string_view value);
