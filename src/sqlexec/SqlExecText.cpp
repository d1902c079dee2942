#include "sqlexec/SqlExecText.h"

#include "base/SqlTokens.h"

#include <algorithm>

namespace {

const QChar kBlank = QLatin1Char(' ');

QString trimBlanks(const QString& text, qsizetype from, qsizetype to)
{
    while (from < to && text.at(from) == kBlank)
        ++from;
    while (to > from && text.at(to - 1) == kBlank)
        --to;
    return text.mid(from, to - from);
}

QString twoDigits(std::int64_t n)
{
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QStringList SplitStatements(const QString& input)
{
    QStringList pieces;
    const QString text = trimBlanks(input, 0, input.size());
    const qsizetype length = text.size();
    const QString separator = QStringLiteral("\n/");
    // pos is 0-based here; the loop condition "pos < length - 1" is the 1-based "scan position
    // strictly below the length" on which the one-character remainder rule depends.
    qsizetype pos = 0;
    while (pos < length - 1) {
        const qsizetype p = text.indexOf(separator, pos);
        QString piece;
        if (p >= 0) {
            qsizetype skip = separator.size();
            while (p + skip < length && text.at(p + skip) == QLatin1Char('\n'))
                ++skip;
            piece = trimBlanks(text, pos, p);
            pos = p + skip;
        } else {
            piece = trimBlanks(text, pos, length);
            pos = length;
        }
        if (!piece.isEmpty())
            pieces.append(piece);
    }
    return pieces;
}

QString StatementPreview(const QString& statement)
{
    constexpr qsizetype kPreview = 40;
    if (statement.size() <= kPreview)
        return statement;
    qsizetype cut = kPreview;
    if (statement.at(cut - 1).isHighSurrogate())
        --cut;
    return statement.left(cut) + QStringLiteral("...");
}

QString ContinueQuestionText(const QString& statement)
{
    return QStringLiteral("次のＳＱＬを続けて実行してよろしいですか？") + QLatin1Char('\n') +
           QLatin1Char('(') + StatementPreview(statement) + QLatin1Char(')');
}

QString ElapsedTimeText(std::int64_t ms)
{
    constexpr std::int64_t kHour = 3'600'000;
    ms = std::max<std::int64_t>(ms, 0);
    if (ms < kHour) {
        const std::int64_t e = ms + 5;
        const std::int64_t seconds = e / 1000;
        return twoDigits(seconds / 60) + QLatin1Char('\'') + twoDigits(seconds % 60) +
               QStringLiteral("''") + twoDigits((e % 1000) / 10);
    }
    // Rounded without adding first, so that the largest counts cannot overflow.
    const std::int64_t seconds = ms / 1000 + (ms % 1000 >= 500 ? 1 : 0);
    return twoDigits(seconds / 3600) + QLatin1Char(':') + twoDigits(seconds / 60 % 60) +
           QLatin1Char(':') + twoDigits(seconds % 60);
}

QString SecondsText(std::int64_t ms)
{
    const bool negative = ms < 0;
    // The magnitude in unsigned arithmetic: negating the smallest int64 would overflow.
    const std::uint64_t a = negative ? std::uint64_t{0} - static_cast<std::uint64_t>(ms)
                                     : static_cast<std::uint64_t>(ms);
    return (negative ? QStringLiteral("-") : QString()) + QString::number(a / 1000) +
           QLatin1Char('.') + QString::number(a % 1000).rightJustified(3, QLatin1Char('0'));
}

QString RowNumberText(std::int32_t number)
{
    return (QStringLiteral("     ") + QString::number(number)).right(6);
}

NumberWidth MeasureNumber(const QString& value)
{
    const auto clamp16 = [](qsizetype n) {
        return static_cast<std::int16_t>(std::min<qsizetype>(n, INT16_MAX));
    };
    const qsizetype point = value.indexOf(QLatin1Char('.'));
    if (point < 0)
        return {clamp16(value.size()), 0};
    return {clamp16(point), clamp16(value.size() - point - 1)};
}

void WidenNumberWidth(NumberWidth& width, std::string_view value)
{
    for (const char c : value) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            WidenNumberWidth(width,
                             QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
            return;
        }
    }
    const auto clamp16 = [](std::size_t n) {
        return static_cast<std::int16_t>(std::min<std::size_t>(n, INT16_MAX));
    };
    const std::size_t point = value.find('.');
    const NumberWidth w = point == std::string_view::npos
                              ? NumberWidth{clamp16(value.size()), 0}
                              : NumberWidth{clamp16(point), clamp16(value.size() - point - 1)};
    width.before = std::max(width.before, w.before);
    width.after = std::max(width.after, w.after);
}

void WidenNumberWidth(NumberWidth& width, const QString& value)
{
    const NumberWidth w = MeasureNumber(value);
    width.before = std::max(width.before, w.before);
    width.after = std::max(width.after, w.after);
}

namespace {

// The statement's words in upper case, without strings, quoted names and comments.
QStringList statementWords(const QString& sql)
{
    QStringList words;
    for (const SqlToken& t : SqlTokens(sql)) {
        if (t.kind == SqlToken::Kind::Word)
            words.append(t.text.toUpper());
    }
    return words;
}

} // namespace

StatementEffect ClassifyStatement(const QString& sql)
{
    StatementEffect e;
    const QStringList words = statementWords(sql);
    if (words.isEmpty())
        return e;
    const QString& first = words.first();
    const auto has = [&words](const char* w) { return words.contains(QLatin1String(w)); };
    const auto hasPair = [&words](const char* a, const char* b) {
        for (qsizetype i = 0; i + 1 < words.size(); ++i) {
            if (words[i] == QLatin1String(a) && words[i + 1] == QLatin1String(b))
                return true;
        }
        return false;
    };
    if (first == u"COMMIT" || first == u"END") {
        e.commits = true;
        return e;
    }
    if (first == u"ROLLBACK") {
        // ROLLBACK TO [SAVEPOINT] takes back part of the transaction only.
        e.rollsBack = !has("TO");
        e.savepoints = !e.rollsBack;
        return e;
    }
    static const char* const ddl[] = {"CREATE", "ALTER",  "DROP",    "TRUNCATE", "RENAME",
                                      "GRANT",  "REVOKE", "COMMENT", "REINDEX",  "CLUSTER"};
    for (const char* w : ddl) {
        if (first == QLatin1String(w)) {
            e.mayChange = true;
            e.ddl = true;
            return e;
        }
    }
    if (first == u"UPDATE" || first == u"DELETE") {
        e.mayChange = true;
        e.updateOrDelete = true;
        e.withoutWhere = !has("WHERE");
        return e;
    }
    if (first == u"SELECT" || first == u"WITH" || first == u"VALUES" || first == u"TABLE") {
        // A write inside WITH, SELECT ... INTO a new table, or rows locked for later writes.
        e.mayChange = has("INSERT") || has("UPDATE") || has("DELETE") || has("MERGE") ||
                      has("INTO") || hasPair("FOR", "SHARE") || hasPair("SHARE", "MODE") ||
                      hasPair("KEY", "SHARE");
        if (!e.mayChange && (first == u"SELECT" || first == u"WITH") && has("FOR"))
            e.mayChange = hasPair("FOR", "UPDATE") || hasPair("NO", "KEY");
        return e;
    }
    // Reads and settings of the session, which change no data and take no lock.
    static const char* const reads[] = {"SHOW",    "DESCRIBE", "DESC",  "SET",
                                        "USE",     "BEGIN",    "START", "SAVEPOINT",
                                        "RELEASE", "FETCH",    "CLOSE", "DECLARE"};
    for (const char* w : reads) {
        if (first == QLatin1String(w)) {
            e.savepoints = first == u"SAVEPOINT" || first == u"RELEASE";
            return e;
        }
    }
    if (first == u"EXPLAIN") {
        // EXPLAIN ANALYZE runs the statement.
        e.mayChange = has("ANALYZE") || has("ANALYSE");
        return e;
    }
    if (first == u"PRAGMA") {
        // A pragma that sets something may change the database file.
        e.mayChange = sql.contains(QLatin1Char('='));
        return e;
    }
    // INSERT, MERGE, REPLACE, CALL, DO, LOCK, COPY, and whatever cannot be told.
    e.mayChange = true;
    return e;
}
