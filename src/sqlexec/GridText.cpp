#include "sqlexec/GridText.h"

#include "base/SqlNames.h"

#include <algorithm>
#include <limits>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

bool IsPlainDecimal(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && text[i] == u'-')
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    return i == n && digits > 0;
}

QString FillNumber(const QString& text, NumberWidth width)
{
    if (!IsPlainDecimal(text))
        return text;
    const NumberWidth w = MeasureNumber(text);
    const qsizetype pad = std::max<qsizetype>(0, qsizetype{width.before} - w.before + 1);
    QString filled;
    filled.reserve(text.size() + pad + width.after + 1);
    if (text.startsWith(u'-')) {
        filled += u'-';
        filled += QString(pad, u'0');
        filled += QStringView(text).mid(1);
    } else {
        filled += QString(pad, u' ');
        filled += text;
    }
    if (width.after > w.after) {
        // "3." already has its point.
        if (!text.contains(u'.'))
            filled += u'.';
        filled += QString(width.after - w.after, u'0');
    }
    return filled;
}

NumberSortKey::NumberSortKey(QStringView text)
{
    qsizetype i = 0;
    qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    while (n > i && text[n - 1] == u' ')
        --n;
    if (i == n) {
        // NULL arrives as the empty text; blanks alone are a text like any other.
        kind_ = text.isEmpty() ? Kind::Empty : Kind::Text;
        return;
    }
    bool negative = false;
    if (text[i] == u'-' || text[i] == u'+') {
        negative = text[i] == u'-';
        ++i;
    }
    QString digits;
    qsizetype pointAt = -1;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (isDigit(c))
            digits += c;
        else if (c == u'.' && pointAt < 0)
            pointAt = digits.size();
        else
            break;
    }
    if (digits.isEmpty())
        return; // Text
    if (pointAt < 0)
        pointAt = digits.size();
    std::int64_t exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == u'-' || text[i] == u'+')) {
            expNegative = text[i] == u'-';
            ++i;
        }
        const qsizetype expStart = i;
        for (; i < n && isDigit(text[i]); ++i)
            exponent = std::min<std::int64_t>(exponent * 10 + (text[i].unicode() - u'0'),
                                              std::numeric_limits<std::int32_t>::max() / 2);
        if (i == expStart)
            return; // "1e" is no number
        if (expNegative)
            exponent = -exponent;
    }
    if (i != n)
        return; // Text
    kind_ = Kind::Number;
    qsizetype lead = 0;
    while (lead < digits.size() && digits[lead] == u'0')
        ++lead;
    qsizetype end = digits.size();
    while (end > lead && digits[end - 1] == u'0')
        --end;
    if (lead == end)
        return; // zero, whatever its sign
    negative_ = negative;
    digits_ = digits.mid(lead, end - lead);
    exponent_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        pointAt - lead + exponent, std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max()));
}

int NumberSortKey::compare(const NumberSortKey& a, const NumberSortKey& b)
{
    if (a.kind_ != b.kind_)
        return a.kind_ < b.kind_ ? -1 : 1;
    if (a.kind_ != Kind::Number)
        return 0;
    const auto sign = [](const NumberSortKey& k) {
        return k.digits_.isEmpty() ? 0 : k.negative_ ? -1 : 1;
    };
    const int sa = sign(a);
    const int sb = sign(b);
    if (sa != sb)
        return sa < sb ? -1 : 1;
    if (sa == 0)
        return 0;
    int magnitude = 0;
    if (a.exponent_ != b.exponent_)
        magnitude = a.exponent_ < b.exponent_ ? -1 : 1;
    else
        magnitude = a.digits_.compare(b.digits_) < 0 ? -1 : a.digits_ == b.digits_ ? 0 : 1;
    return sa < 0 ? -magnitude : magnitude;
}

QString SqlValueText(const QString& cellText, ColumnKind kind)
{
    if (kind == ColumnKind::Number) {
        if (cellText.isEmpty())
            return QStringLiteral("NULL");
        if (NumberSortKey(cellText).kind() == NumberSortKey::Kind::Number)
            return cellText;
    }
    return sqlStringLiteral(cellText);
}

std::array<QString, 5> CellCopyTexts(const QString& columnName, const QString& cellText)
{
    const QString name = sqlName(columnName);
    const QString literal = sqlStringLiteral(cellText);
    return {name, cellText, literal, name + QStringLiteral(" = ") + cellText,
            name + QStringLiteral(" = ") + literal};
}

QString AllColumnNamesText(const QStringList& names)
{
    QStringList quoted;
    quoted.reserve(names.size());
    for (const QString& name : names)
        quoted.append(sqlName(name));
    return quoted.join(QStringLiteral(", "));
}

QString RowValuesText(const QStringList& values, const ColumnKinds& kinds)
{
    QStringList texts;
    texts.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        const auto k = static_cast<std::size_t>(i);
        texts.append(SqlValueText(values.at(i), k < kinds.size() ? kinds[k] : ColumnKind::Text));
    }
    return texts.join(QStringLiteral(", "));
}
