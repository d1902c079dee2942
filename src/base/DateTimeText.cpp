#include "DateTimeText.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>

#include <optional>

namespace {

std::optional<QDate> parseDate(const QString& s)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})([-/])(\\d{1,2})\\2(\\d{1,2})$"));
    const QRegularExpressionMatch m = re.match(s);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}

std::optional<QTime> parseTime(const QString& s)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,9}))?)?$"));
    const QRegularExpressionMatch m = re.match(s);
    if (!m.hasMatch())
        return std::nullopt;
    const int seconds = m.capturedLength(3) > 0 ? m.captured(3).toInt() : 0;
    const int ms =
        m.capturedLength(4) > 0 ? m.captured(4).left(3).leftJustified(3, '0').toInt() : 0;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), seconds, ms);
    if (!t.isValid())
        return std::nullopt;
    // A fraction beyond milliseconds still counts: midnight only when every digit is zero.
    if (m.capturedLength(4) > 3 && m.captured(4).mid(3).toLongLong() != 0 && t == QTime(0, 0))
        return QTime(0, 0, 0, 1);
    return t;
}

} // namespace

QString TrimDateTimeText(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != 2)
        return text;
    const std::optional<QDate> date = parseDate(parts.at(0));
    const std::optional<QTime> time = parseTime(parts.at(1));
    if (!date || !time)
        return text;
    if (*date != QDate(1899, 12, 30)) {
        if (*time != QTime(0, 0))
            return text;
        return parts.at(0);
    }
    return parts.at(1);
}
