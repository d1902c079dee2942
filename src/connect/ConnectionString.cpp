#include "connect/ConnectionString.h"

#include <QStringList>

#include <algorithm>

namespace connstr {

namespace {

// Every distinct password item of s, longest first, so that a simultaneous replacement
// prefers "PWD=ab" over its prefix "PWD=a".
QStringList passwordItems(const QString& s)
{
    static const QString key = QStringLiteral("PWD=");
    QStringList items;
    qsizetype from = 0;
    while (from < s.size()) {
        const qsizetype at = s.indexOf(key, from);
        if (at < 0)
            break;
        // Only a key at the start of an item counts; "XPWD=" is another key.
        if (at == 0 || s.at(at - 1) == QLatin1Char(';')) {
            const qsizetype end = s.indexOf(QLatin1Char(';'), at);
            const QString item = s.mid(at, end < 0 ? -1 : end - at);
            if (!items.contains(item))
                items << item;
        }
        from = at + key.size();
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
    out.replace(QStringLiteral("PWD=") + pwd, QLatin1String(kDsnMask), Qt::CaseSensitive);
    return out;
}

QString ConnectionSummary(const QString& s)
{
    if (!s.contains(QLatin1Char(';')))
        return s;
    QString dataSource;
    QString server;
    QString database;
    QString driver;
    QString user;
    const QStringList pieces = s.split(QLatin1Char(';'));
    for (const QString& piece : pieces) {
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
    const QStringList pieces = connStr.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
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
