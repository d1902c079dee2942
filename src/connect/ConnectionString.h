#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Connection strings (ODBC "KEY=value;" lists) as the program shows them: masked passwords,
// the short summary for the window title, the tooltip, the item list of a history entry.
// Keys are matched case-sensitively; a value runs to the next ";" or to the end, and a value in
// braces runs to its closing brace first ("PWD={se;cret}" is one item, "}}" inside is "}").
namespace connstr {

inline constexpr char kHistoryMask[] = "PWD=********";
inline constexpr char kDsnMask[] = "PWD=****";
inline constexpr int kTooltipMax = 128;

// The display text of a history entry: every password item ("PWD=" and its value, braced or
// not) becomes "PWD=********", whatever the length of the password.
QString maskHistoryEntry(const QString& entry);

// The text of the connection box: every password item whose value is pwd (braced or not) and
// every other "PWD=" + pwd becomes "PWD=****"; unchanged when pwd is empty.
QString maskPassword(const QString& connStr, const QString& pwd);

// The short form for the window title: the DSN=, DBQ=/SERVER=, DATABASE=, Driver=/DRIVER= and
// UID= items, in that order, each followed by ";". A text without ";" is its own summary.
QString ConnectionSummary(const QString& s);

// The first 128 characters followed by "..." when the text is longer than that.
QString tooltipText(const QString& text);

// The rows of the connection-information list: one (key, value) per non-empty item, split at
// the first "="; an item without "=" has an empty value.
QList<QPair<QString, QString>> splitItems(const QString& connStr);

// Connection history entries keep no trailing spaces.
QString trimTrailingSpaces(const QString& s);

// How a data source is listed in the connect dialog: name + "(" + description + ")".
QString dataSourceEntry(const QString& name, const QString& description);

} // namespace connstr
