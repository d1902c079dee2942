#include "transfer/ExportText.h"

#include "base/DateTimeText.h"
#include "text/CodePage.h"
#include "transfer/Delimiter.h"

#include <algorithm>
#include <cstring>

namespace {

bool isAscii(std::string_view text)
{
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if ((word & 0x8080808080808080ULL) != 0)
            return false;
    }
    for (; i < n; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    }
    return true;
}

std::string toUtf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool contains(std::string_view text, std::string_view part)
{
    if (part.empty() || text.empty()) // an empty value may have no data pointer for memchr
        return false;
    if (part.size() == 1)
        return std::memchr(text.data(), part[0], text.size()) != nullptr;
    return text.find(part) != std::string_view::npos;
}

} // namespace

QString quoteFromBox(const QString& typed)
{
    const QString trimmed = trimSpaces(typed);
    return trimmed.size() > 1 ? QString() : trimmed;
}

ExportLineBuilder::ExportLineBuilder(const QString& delimiter, const QString& quote, Target target,
                                     bool markNull)
    : delimiter_(toUtf8(delimiter)), quote_(toUtf8(quote)), target_(target), markNull_(markNull)
{
    appendText(delimiter_, delimiterOut_);
    // The settings themselves are not values of the export.
    replaced_ = 0;
}

void ExportLineBuilder::appendText(std::string_view utf8, std::string& out)
{
    if (target_ != Target::Cp932File || isAscii(utf8)) {
        out.append(utf8);
        return;
    }
    const std::string converted = codepage::utf8ToCp932(utf8);
    // "?" is never part of a double-byte character in code page 932, so every extra one is a
    // character that was replaced.
    if (std::count(converted.begin(), converted.end(), '?') >
        std::count(utf8.begin(), utf8.end(), '?'))
        ++replaced_;
    out.append(converted);
}

void ExportLineBuilder::appendField(std::string_view value, ColumnKind kind, std::string_view quote,
                                    std::string& out)
{
    if (markNull_ && value.empty()) {
        if (value.data() != nullptr)
            appendText(std::string(quote) + std::string(quote), out);
        return;
    }
    if (kind == ColumnKind::DateTime)
        value = TrimDateTimeText(value);
    const bool hasQuote = contains(value, quote);
    const bool quoted =
        !quote.empty() && (kind != ColumnKind::Number || hasQuote || contains(value, delimiter_) ||
                           value.find_first_of("\r\n") != std::string_view::npos);
    if (!quoted) {
        appendText(value, out);
        return;
    }
    // Most values hold no quote and are ASCII: the quote goes around them as it is.
    if (!hasQuote && (target_ != Target::Cp932File || (isAscii(quote) && isAscii(value)))) {
        out.append(quote);
        out.append(value);
        out.append(quote);
        return;
    }
    std::string_view inner = value;
    if (hasQuote) {
        doubled_.clear();
        std::size_t from = 0;
        for (std::size_t at = value.find(quote); at != std::string_view::npos;
             at = value.find(quote, from)) {
            doubled_.append(value.substr(from, at + quote.size() - from));
            doubled_.append(quote);
            from = at + quote.size();
        }
        doubled_.append(value.substr(from));
        inner = doubled_;
    }
    appendText(quote, out);
    appendText(inner, out);
    appendText(quote, out);
}

void ExportLineBuilder::appendLineEnd(std::string& out)
{
    out.append(target_ == Target::Utf8Text ? "\n" : "\r\n");
}

void ExportLineBuilder::appendHeader(const QStringList& names, std::string& out)
{
    static const std::string kDoubleQuote = "\"";
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i > 0)
            out.append(delimiterOut_);
        const std::string name = toUtf8(names[i]);
        appendField(name, ColumnKind::Text, kDoubleQuote, out);
    }
    appendLineEnd(out);
}

void ExportLineBuilder::appendRow(const std::vector<std::string_view>& values,
                                  const ColumnKinds& kinds, std::string& out)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            out.append(delimiterOut_);
        appendField(values[i], i < kinds.size() ? kinds[i] : ColumnKind::Text, quote_, out);
    }
    appendLineEnd(out);
}

bool spreadsheetNumber(const QString& text, double& value)
{
    int digits = 0;
    int significant = 0;
    // Zeros at the end of a fraction change no value (a filled-out "12.500" is 12.5).
    int trailingZeros = 0;
    bool point = false;
    qsizetype i = 0;
    if (text.startsWith(QLatin1Char('-')))
        i = 1;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('.')) {
            if (point || digits == 0)
                return false;
            point = true;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        ++digits;
        if (significant > 0 || c != QLatin1Char('0'))
            ++significant;
        trailingZeros = point && c == QLatin1Char('0') ? trailingZeros + 1 : 0;
    }
    if (digits == 0 || text.endsWith(QLatin1Char('.')) || significant - trailingZeros > 15)
        return false;
    bool ok = false;
    value = text.toDouble(&ok);
    return ok;
}

QString replacedValuesText(std::uint64_t count)
{
    return QStringLiteral("Shift_JIS(CP932)で表せない文字を含む値が %1 個ありました。"
                          "それらの文字は \"?\" として出力されています。")
        .arg(count);
}
