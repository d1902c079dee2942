#include "connect/ConnectionString.h"

#include "odbc/ConnStrValue.h"

#include <QStringList>

namespace connstr {

namespace {

struct Span {
    qsizetype from;
    qsizetype to;
};

// Where the items of a connection string are, braced values whole ("PWD={a;b}" is one item);
// empty items are left out.
QList<Span> itemSpans(const QString& s)
{
    QList<Span> spans;
    const qsizetype n = s.size();
    qsizetype at = 0;
    while (at < n) {
        qsizetype end = at;
        while (end < n && s.at(end) != QLatin1Char(';') && s.at(end) != QLatin1Char('='))
            ++end;
        if (end < n && s.at(end) == QLatin1Char('='))
            end = connvalue::valueEnd(s, end + 1);
        if (end > at)
            spans.append({at, end});
        at = end + 1;
    }
    return spans;
}

QStringList itemsOf(const QString& s)
{
    QStringList items;
    for (const Span& span : itemSpans(s))
        items << s.mid(span.from, span.to - span.from);
    return items;
}

} // namespace

QString maskHistoryEntry(const QString& entry)
{
    // Only items that are passwords are masked, in place: a "PWD=" inside another item's value
    // (a braced one, or a data source named "xPWD=") is that item's text. "XPWD=" is another
    // key.
    const QString mask = QLatin1String(kHistoryMask);
    QString out;
    out.reserve(entry.size());
    qsizetype copied = 0;
    for (const Span& span : itemSpans(entry)) {
        if (!QStringView(entry).mid(span.from, span.to - span.from).startsWith(u"PWD="))
            continue;
        out += QStringView(entry).mid(copied, span.from - copied);
        out += mask;
        copied = span.to;
    }
    out += QStringView(entry).mid(copied);
    return out;
}

QString maskPassword(const QString& connStr, const QString& pwd)
{
    if (pwd.isEmpty())
        return connStr;
    // Password items holding pwd first, whole, however they are written ("PWD={se;cret}", or
    // a brace the driver never closed); then "PWD=" + pwd wherever else it stands.
    const std::string wanted = pwd.toStdString();
    const QString mask = QLatin1String(kDsnMask);
    QString out;
    out.reserve(connStr.size());
    qsizetype copied = 0;
    for (const Span& span : itemSpans(connStr)) {
        const QStringView item = QStringView(connStr).mid(span.from, span.to - span.from);
        if (!item.startsWith(u"PWD=") ||
            connvalue::unquote(item.mid(4).toString().toStdString()) != wanted)
            continue;
        out += QStringView(connStr).mid(copied, span.from - copied);
        out += mask;
        copied = span.to;
    }
    out += QStringView(connStr).mid(copied);
    out.replace(QStringLiteral("PWD=") + pwd, mask, Qt::CaseSensitive);
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
