#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Connection strings (ODBC "KEY=value;" lists) as the program shows them: masked passwords,
// the short summary for the window title, the tooltip, the item list of a history entry.
// Keys are matched case-sensitively; a value runs to the next ";" or to the end, and a value in
// braces runs to its closing brace first ("PWD={se;cret}" is one item, "}}" inside is "}").
namespace connstr {

inline constexpr char kHistoryStars[] = "********";
inline constexpr char kDsnStars[] = "****";
inline constexpr int kTooltipMax = 128;

// A key that names a password: "PWD" or "PASSWORD" in any case, blanks around it ignored.
bool isPasswordKey(QStringView key);

// Every connection string shown goes through here: the value of every password item (braced
// or not, whatever its length) becomes stars, its key kept as written; with pwd not empty,
// every other "PWD=" + pwd becomes "PWD=" + stars as well.
QString maskPasswords(const QString& connStr, QLatin1StringView stars, const QString& pwd);

// The display text of a history entry: "PWD=********" for every password item.
QString maskHistoryEntry(const QString& entry);

// The text of the connection box: "PWD=****" for every password item and every other
// "PWD=" + pwd.
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
