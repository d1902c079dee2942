#include "transfer/CsvImport.h"

#include "base/SqlNames.h"
#include "text/CodePage.h"

#include <QIODevice>

#include <algorithm>

namespace csvimport {

namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kReplacement = QChar(0xFFFD);

// Only blanks are trimmed: a tab or a full-width space may be part of a value.
QStringView trimBlanks(QStringView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from] == u' ')
        ++from;
    while (to > from && text[to - 1] == u' ')
        --to;
    return text.mid(from, to - from);
}

QString withoutNul(QStringView text)
{
    QString out = text.toString();
    if (out.contains(QChar(0)))
        out.remove(QChar(0));
    return out;
}

// Skips blanks from pos that are not the start of the delimiter (a blank may be the
// delimiter itself).
qsizetype skipBlanks(QStringView line, qsizetype pos, QStringView delimiter)
{
    while (pos < line.size() && line[pos] == u' ' && !line.mid(pos).startsWith(delimiter))
        ++pos;
    return pos;
}

// A quoted field opening at pos (after blanks): its text and the position after it and its
// delimiter (line.size() + 1 when the line ends with it). False when the field is not
// quoted in that sense, e.g. text follows the closing quote or the quote never closes.
bool readQuoted(QStringView line, qsizetype pos, QStringView delimiter, QString& text,
                qsizetype& next)
{
    qsizetype p = skipBlanks(line, pos, delimiter);
    if (p >= line.size() || line[p] != kQuote)
        return false;
    text.clear();
    ++p;
    for (;;) {
        const qsizetype q = line.indexOf(kQuote, p);
        if (q < 0)
            return false;
        text.append(line.mid(p, q - p));
        if (q + 1 < line.size() && line[q + 1] == kQuote) {
            text.append(kQuote);
            p = q + 2;
            continue;
        }
        p = q + 1;
        break;
    }
    p = skipBlanks(line, p, delimiter);
    if (p == line.size()) {
        next = line.size() + 1;
        return true;
    }
    if (!line.mid(p).startsWith(delimiter))
        return false;
    next = p + delimiter.size();
    return true;
}

} // namespace

QVector<Field> splitLine(QStringView line, QStringView delimiter)
{
    QVector<Field> fields;
    if (delimiter.isEmpty()) {
        fields.append({line.toString(), false});
        return fields;
    }
    qsizetype pos = 0;
    QString quoted;
    while (pos <= line.size()) {
        qsizetype next = 0;
        if (readQuoted(line, pos, delimiter, quoted, next)) {
            fields.append({quoted, true});
            pos = next;
            continue;
        }
        const qsizetype at = line.indexOf(delimiter, pos);
        if (at < 0) {
            fields.append({line.mid(pos).toString(), false});
            break;
        }
        fields.append({line.mid(pos, at - pos).toString(), false});
        // The search goes on after the whole delimiter.
        pos = at + delimiter.size();
    }
    return fields;
}

QString sqlValue(const Field& field)
{
    if (field.quoted)
        return sqlStringLiteral(withoutNul(field.text));
    QString text = withoutNul(field.text);
    const QStringView trimmed = trimBlanks(text);
    if (trimmed.isEmpty())
        return QStringLiteral("NULL");
    if (trimmed.front() != kQuote && trimmed.back() != kQuote)
        return trimmed.toString();
    // A quote that does not close a quoted field: the old rule, which leaves an open literal
    // that the database refuses rather than a value guessed at.
    QString value = trimmed.toString();
    const bool first = value.front() == kQuote;
    const bool last = value.back() == kQuote;
    value.replace(QLatin1Char('\''), QLatin1String("''"));
    if (first)
        value.front() = QLatin1Char('\'');
    if (last)
        value.back() = QLatin1Char('\'');
    return value;
}

QString targetName(const QString& typed, const QStringList& listed)
{
    const QString name = typed.trimmed();
    if (listed.contains(name))
        return sqlName(name);
    return name;
}

QString columnList(QStringView headerLine, QStringView delimiter)
{
    QString out = QStringLiteral("(");
    const QVector<Field> fields = splitLine(headerLine, delimiter);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        const QString name = withoutNul(fields[i].text);
        out += sqlName(fields[i].quoted ? QStringView(name) : trimBlanks(name));
    }
    out += QLatin1Char(')');
    return out;
}

QString insertStatement(const QString& head, QStringView line, QStringView delimiter,
                        int* badValues)
{
    QString sql;
    sql.reserve(head.size() + line.size() + 16);
    sql += head;
    sql += QLatin1String(" VALUES(");
    const QVector<Field> fields = splitLine(line, delimiter);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            sql += QLatin1Char(',');
        sql += sqlValue(fields[i]);
        if (badValues != nullptr && fields[i].text.contains(kReplacement))
            ++*badValues;
    }
    sql += QLatin1Char(')');
    return sql;
}

bool LineSource::next(QString& line)
{
    QByteArray raw = device_.readLine();
    if (raw.isEmpty()) {
        line.clear();
        return false;
    }
    if (raw.endsWith('\n')) {
        raw.chop(1);
        if (raw.endsWith('\r'))
            raw.chop(1);
    }
    const std::string text =
        codepage::cp932ToUtf8(std::string_view(raw.constData(), static_cast<size_t>(raw.size())));
    line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return true;
}

qint64 countLines(QIODevice& device)
{
    constexpr qint64 kChunk = 1 << 20;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    qint64 lines = 0;
    char last = '\n';
    for (;;) {
        const qint64 n = device.read(chunk.data(), kChunk);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        lines += std::count(chunk.constData(), chunk.constData() + n, '\n');
        last = chunk[n - 1];
    }
    return last == '\n' ? lines : lines + 1;
}

} // namespace csvimport
