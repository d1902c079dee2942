#include "editor/TokenSearch.h"

#include "base/SearchFold.h"
#include "text/CodePage.h"

#include <QFile>

namespace tokensearch {

QString modeCaption(Mode mode)
{
    switch (mode) {
    case Mode::Token:
        return QStringLiteral("ﾄｰｸﾝ");
    case Mode::Keyword:
        return QStringLiteral("ｷｰﾜｰﾄﾞ");
    case Mode::Placeholder:
        break;
    }
    return QStringLiteral("？");
}

Mode modeOfCaption(const QString& caption)
{
    if (caption == modeCaption(Mode::Token))
        return Mode::Token;
    if (caption == modeCaption(Mode::Keyword))
        return Mode::Keyword;
    return Mode::Placeholder;
}

Mode nextMode(Mode mode)
{
    switch (mode) {
    case Mode::Placeholder:
        return Mode::Token;
    case Mode::Token:
        return Mode::Keyword;
    case Mode::Keyword:
        break;
    }
    return Mode::Placeholder;
}

QStringList keywordLines(const QByteArray& bytes)
{
    QByteArray clean = bytes;
    // NUL is never part of a CP932 character, so dropping it cannot split one.
    clean.removeIf([](char c) { return c == '\0'; });
    const std::string_view raw(clean.constData(), static_cast<std::size_t>(clean.size()));
    // A list saved again by an editor that writes UTF-8 still reads as written.
    const bool utf8 = codepage::isValidUtf8(raw);
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = clean.size();
    auto add = [&](qsizetype from, qsizetype to) {
        const std::string_view piece =
            raw.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
        lines.append(
            QString::fromStdString(utf8 ? std::string(piece) : codepage::cp932ToUtf8(piece)));
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char c = clean[i];
        if (c != '\r' && c != '\n')
            continue;
        add(start, i);
        if (c == '\r' && i + 1 < n && clean[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        add(start, n);
    if (!lines.isEmpty() && utf8 && lines.front().startsWith(QChar(0xFEFF)))
        lines.front().remove(0, 1);
    return lines;
}

QStringList readKeywordFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return keywordLines(file.readAll());
}

KeywordSet::KeywordSet(const QStringList& keywords)
{
    folded_.reserve(keywords.size());
    for (const QString& k : keywords)
        folded_.insert(foldForSearch(k));
}

bool KeywordSet::contains(QStringView word) const
{
    return !folded_.isEmpty() && folded_.contains(foldForSearch(word));
}

bool isDelimiter(QChar c)
{
    const char16_t u = c.unicode();
    const char16_t f = u < 0x80 ? u : foldCharForSearch(c).unicode();
    switch (f) {
    case u' ':
    case u'.':
    case u',':
    case u'(':
    case u')':
    case u'\r':
    case u'\n':
    case u'\t':
        return true;
    default:
        return false;
    }
}

bool isPlaceholder(QChar c)
{
    if (c.unicode() < 0x80)
        return c == QLatin1Char('?');
    return foldCharForSearch(c) == QLatin1Char('?');
}

namespace {

Hit placeholderRight(const QString& text, qsizetype from)
{
    for (qsizetype i = std::max<qsizetype>(0, from); i < text.size(); ++i) {
        if (isPlaceholder(text[i]))
            return {true, i, 1};
    }
    return {};
}

Hit placeholderLeft(const QString& text, qsizetype selStart)
{
    // A caret at the very start searches the whole text, so the last "?" is found.
    qsizetype i = selStart <= 0 ? text.size() - 1 : std::min(selStart, text.size()) - 1;
    for (; i >= 0; --i) {
        if (isPlaceholder(text[i]))
            return {true, i, 1};
    }
    return {};
}

} // namespace

Hit searchRight(const QString& text, qsizetype selStart, qsizetype selLength, Mode mode,
                const KeywordSet& keywords)
{
    const qsizetype from = std::max<qsizetype>(0, selStart) + std::max<qsizetype>(0, selLength);
    if (mode == Mode::Placeholder)
        return placeholderRight(text, from);
    if (mode == Mode::Keyword && keywords.isEmpty())
        return {};
    const qsizetype n = text.size();
    qsizetype i = from;
    while (true) {
        while (i < n && isDelimiter(text[i]))
            ++i;
        if (i >= n)
            return {};
        qsizetype j = i;
        while (j < n && !isDelimiter(text[j]))
            ++j;
        if (mode == Mode::Token || keywords.contains(QStringView(text).mid(i, j - i)))
            return {true, i, j - i};
        i = j;
    }
}

Hit searchLeft(const QString& text, qsizetype selStart, qsizetype selLength, Mode mode,
               const KeywordSet& keywords)
{
    Q_UNUSED(selLength);
    if (mode == Mode::Placeholder)
        return placeholderLeft(text, selStart);
    if (mode == Mode::Keyword && keywords.isEmpty())
        return {};
    qsizetype k = std::min(selStart, text.size()) - 1;
    while (true) {
        while (k >= 0 && isDelimiter(text[k]))
            --k;
        if (k < 0)
            return {};
        qsizetype start = k;
        while (start > 0 && !isDelimiter(text[start - 1]))
            --start;
        const qsizetype length = k - start + 1;
        if (mode == Mode::Token || keywords.contains(QStringView(text).mid(start, length)))
            return {true, start, length};
        k = start - 1;
    }
}

} // namespace tokensearch
