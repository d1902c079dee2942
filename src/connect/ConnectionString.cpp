#include "connect/ConnectionString.h"

#include "odbc/ConnStrValue.h"

#include <QStringList>

#include <algorithm>

namespace connstr {

namespace {

// The items of a connection string as written, braced values whole ("PWD={a;b}" is one item);
// empty items are left out.
QStringList itemsOf(const QString& s)
{
    QStringList items;
    const qsizetype n = s.size();
    qsizetype at = 0;
    while (at < n) {
        qsizetype end = at;
        while (end < n && s.at(end) != QLatin1Char(';') && s.at(end) != QLatin1Char('='))
            ++end;
        if (end < n && s.at(end) == QLatin1Char('='))
            end = connvalue::valueEnd(s, end + 1);
        if (end > at)
            items << s.mid(at, end - at);
        at = end + 1;
    }
    return items;
}

// Every distinct password item of s, longest first, so that a simultaneous replacement
// prefers "PWD=ab" over its prefix "PWD=a".
QStringList passwordItems(const QString& s)
{
    QStringList items;
    for (const QString& item : itemsOf(s)) {
        // Only a key of its own counts; "XPWD=" is another key, and a "PWD=" inside another
        // item's braced value is part of that value.
        if (item.startsWith(QLatin1String("PWD=")) && !items.contains(item))
            items << item;
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return items;
}

} // namespace

QString maskHistoryEntry(const QString& entry)
{
    const QStringList items = passwordItems(entry);
    if (items.isEmpty())
        return entry;
    const QString mask = QLatin1String(kHistoryMask);
    // One left-to-right pass, so that a mask just written is never matched again (the mask
    // itself begins with "PWD=").
    QString out;
    out.reserve(entry.size());
    qsizetype i = 0;
    while (i < entry.size()) {
        bool replaced = false;
        for (const QString& item : items) {
            if (QStringView(entry).mid(i).startsWith(item)) {
                out += mask;
                i += item.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += entry.at(i++);
    }
    return out;
}

QString maskPassword(const QString& connStr, const QString& pwd)
{
    if (pwd.isEmpty())
        return connStr;
    QString out = connStr;
    // The braced form first: a password written as "PWD={se;cret}" is masked whole.
    QString braced = pwd;
    braced.replace(QLatin1Char('}'), QStringLiteral("}}"));
    out.replace(QStringLiteral("PWD={") + braced + QLatin1Char('}'), QLatin1String(kDsnMask),
                Qt::CaseSensitive);
    out.replace(QStringLiteral("PWD=") + pwd, QLatin1String(kDsnMask), Qt::CaseSensitive);
    return out;
}

QString ConnectionSummary(const QString& s)
{
    if (!s.contains(QLatin1Char(';')))
        return s;
    QString dataSource, server, database, driver, user;
    for (const QString& piece : itemsOf(s)) {
        if (piece.startsWith(QLatin1String("DSN=")))
            dataSource = piece;
        else if ((piece.startsWith(QLatin1String("DBQ=")) ||
                  piece.startsWith(QLatin1String("SERVER="))) &&
                 server.isEmpty())
            server = piece;
        else if (piece.startsWith(QLatin1String("DATABASE=")))
            database = piece;
        else if (piece.startsWith(QLatin1String("Driver=")) ||
                 piece.startsWith(QLatin1String("DRIVER=")))
            driver = piece;
        else if (piece.startsWith(QLatin1String("UID=")))
            user = piece;
    }
    QString out;
    for (const QString* item : {&dataSource, &server, &database, &driver, &user}) {
        if (!item->isEmpty())
            out += *item + QLatin1Char(';');
    }
    return out;
}

QString tooltipText(const QString& text)
{
    if (text.size() > kTooltipMax)
        return text.left(kTooltipMax) + QStringLiteral("...");
    return text;
}

QList<QPair<QString, QString>> splitItems(const QString& connStr)
{
    QList<QPair<QString, QString>> rows;
    for (const QString& piece : itemsOf(connStr)) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        if (eq < 0)
            rows.append({piece, QString()});
        else
            rows.append({piece.left(eq), piece.mid(eq + 1)});
    }
    return rows;
}

QString trimTrailingSpaces(const QString& s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    return s.left(n);
}

QString dataSourceEntry(const QString& name, const QString& description)
{
    return name + QLatin1Char('(') + description + QLatin1Char(')');
}

} // namespace connstr
