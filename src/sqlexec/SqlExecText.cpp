#include "sqlexec/SqlExecText.h"

#include "base/Utf8Text.h"

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

QString StatusCodeText(int code)
{
    return QStringLiteral("SQLCode:") + QString::number(code);
}

QString RowCountText(std::int64_t rows)
{
    return QStringLiteral("行数:") + QString::number(rows);
}

QString ExecErrorTitle()
{
    return QStringLiteral("QUORVANT - ＳＱＬ実行エラー");
}

QString NotConnectedText()
{
    return QStringLiteral("ＤＢが接続されていません。");
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

void WidenNumberWidth(NumberWidth& width, const QString& value)
{
    const NumberWidth w = MeasureNumber(value);
    width.before = std::max(width.before, w.before);
    width.after = std::max(width.after, w.after);
}

StatementEffect ClassifyStatement(const QString& sql, sql::Dialect dialect)
{
    return sql::classifyStatement(utf16View(sql), dialect);
}

QString FirstWord(const QString& sql, sql::Dialect dialect)
{
    for (const sql::Piece& p : sql::readPieces(utf16View(sql), dialect).list)
        if (p.kind == sql::TokenKind::Word)
            return QString::fromStdString(p.text);
    return {};
}
