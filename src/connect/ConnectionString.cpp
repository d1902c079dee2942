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

bool isPasswordKey(QStringView key)
{
    // Drivers read keys without regard to case or the blanks around them.
    const QStringView k = key.trimmed();
    return k.compare(u"PWD", Qt::CaseInsensitive) == 0 ||
           k.compare(u"PASSWORD", Qt::CaseInsensitive) == 0;
}

// The one rule for every connection string the program shows (history list, its item list,
// the connection box, the statement history's data source): each password item keeps its key
// as written and gets stars for a value. Drivers hand back the key as the user typed it
// (MariaDB's "PASSWORD=" or "pwd="), and every spelling ODBC drivers take is a password. Only
// items are masked: the same text inside another item's value (a braced one, or a data source
// named "xPWD=") is that item's text. With pwd given, "PWD=" + pwd outside the password items
// is masked as well.
QString maskPasswords(const QString& connStr, QLatin1StringView stars, const QString& pwd)
{
    const QString loose = QStringLiteral("PWD=") + pwd;
    const QString looseMask = QStringLiteral("PWD=") + stars;
    QString out;
    out.reserve(connStr.size());
    qsizetype copied = 0;
    auto copyTo = [&](qsizetype to) {
        QString between = connStr.mid(copied, to - copied);
        if (!pwd.isEmpty())
            between.replace(loose, looseMask, Qt::CaseSensitive);
        out += between;
    };
    for (const Span& span : itemSpans(connStr)) {
        const QStringView item = QStringView(connStr).mid(span.from, span.to - span.from);
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        if (eq < 0 || !isPasswordKey(item.left(eq)))
            continue;
        copyTo(span.from + eq + 1);
        out += stars;
        copied = span.to;
    }
    copyTo(connStr.size());
    return out;
}

QString maskHistoryEntry(const QString& entry)
{
    return maskPasswords(entry, QLatin1StringView(kHistoryStars), QString());
}

QString maskPassword(const QString& connStr, const QString& pwd)
{
    return maskPasswords(connStr, QLatin1StringView(kDsnStars), pwd);
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
