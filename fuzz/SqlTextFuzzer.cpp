// SQL text helpers under arbitrary text: splitting keeps every piece in order and loses nothing
// but blanks, line breaks, separators and the one-character remainder; the time texts are well
// formed and say the same time.
#include "FuzzCheck.h"
#include "sqlexec/SqlExecText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace {

bool isGap(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('/');
}

QString withoutGaps(const QString& s)
{
    QString out;
    for (const QChar c : s) {
        if (!isGap(c))
            out += c;
    }
    return out;
}

void checkSplit(const QString& text)
{
    const QStringList pieces = SplitStatements(text);
    qsizetype from = 0;
    for (const QString& piece : pieces) {
        FUZZ_CHECK(!piece.isEmpty(), "no empty piece");
        FUZZ_CHECK(!piece.startsWith(QLatin1Char(' ')) && !piece.endsWith(QLatin1Char(' ')),
                   "pieces are trimmed of blanks");
        const qsizetype at = text.indexOf(piece, from);
        FUZZ_CHECK(at >= 0, "every piece is text of the input, in order");
        from = at + piece.size();
    }
    // Apart from blanks, line breaks and "/", the pieces hold the whole text, except perhaps
    // its last character (a one-character remainder is never run).
    const QString kept = withoutGaps(pieces.join(QString()));
    const QString all = withoutGaps(text);
    FUZZ_CHECK(kept == all || (kept.size() + 1 == all.size() && all.startsWith(kept)),
               "nothing but gaps and the remainder is lost");
}

void checkTimes(std::int64_t ms)
{
    const QString elapsed = ElapsedTimeText(ms);
    static const QRegularExpression shortForm(QStringLiteral("^(\\d\\d)'(\\d\\d)''(\\d\\d)$"));
    static const QRegularExpression longForm(QStringLiteral("^(\\d{2,}):(\\d\\d):(\\d\\d)$"));
    const __int128 clamped = ms < 0 ? 0 : ms;
    if (clamped < 3'600'000) {
        const QRegularExpressionMatch m = shortForm.match(elapsed);
        FUZZ_CHECK(m.hasMatch(), "minutes, seconds and hundredths below an hour");
        const int total =
            m.captured(1).toInt() * 6000 + m.captured(2).toInt() * 100 + m.captured(3).toInt();
        FUZZ_CHECK(m.captured(2).toInt() < 60, "seconds below 60");
        FUZZ_CHECK(total == (clamped + 5) / 10, "hundredths rounded");
    } else {
        const QRegularExpressionMatch m = longForm.match(elapsed);
        FUZZ_CHECK(m.hasMatch(), "hours, minutes and seconds from an hour on");
        FUZZ_CHECK(m.captured(2).toInt() < 60 && m.captured(3).toInt() < 60,
                   "minutes and seconds below 60");
        const __int128 total = static_cast<__int128>(m.captured(1).toLongLong()) * 3600 +
                               m.captured(2).toInt() * 60 + m.captured(3).toInt();
        FUZZ_CHECK(total == (clamped + 500) / 1000, "seconds rounded");
    }

    const QString seconds = SecondsText(ms);
    static const QRegularExpression secondsForm(QStringLiteral("^-?\\d+\\.\\d\\d\\d$"));
    FUZZ_CHECK(secondsForm.match(seconds).hasMatch(), "seconds with three decimals");
    QString digits = seconds;
    digits.remove(QLatin1Char('.'));
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    const QString expected = QString::number(ms);
    FUZZ_CHECK((negative ? QStringLiteral("-") : QString()) + digits == expected,
               "seconds text says the same milliseconds");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    checkTimes(in.ConsumeIntegral<std::int64_t>());
    const std::string bytes = in.ConsumeRemainingBytesAsString();
    checkSplit(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
    const QString preview =
        StatementPreview(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
    FUZZ_CHECK(preview.size() <= 43, "preview at most 40 characters and the dots");
    return 0;
}
