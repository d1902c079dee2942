#include "base/SqlHighlight.h"

#include "base/SearchFold.h"

#include <QTextDocument>

namespace sqlhighlight {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isWordChar(QChar c)
{
    if (c.unicode() < 0x80)
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || isAsciiDigit(c) ||
               c == QLatin1Char('_') || c == QLatin1Char('$') || c == QLatin1Char('#');
    return c.isLetterOrNumber();
}

// Index behind the quote that closes a quoted text begun before from, or -1 when the line ends
// first. A doubled quote stands for itself.
qsizetype endOfQuoted(QStringView line, qsizetype from, QChar quote)
{
    for (qsizetype i = from; i < line.size(); ++i) {
        if (line[i] != quote)
            continue;
        if (i + 1 < line.size() && line[i + 1] == quote) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return -1;
}

qsizetype endOfComment(QStringView line, qsizetype from)
{
    const qsizetype at = line.indexOf(u"*/", from);
    return at < 0 ? -1 : at + 2;
}

// Index behind a number starting at i (digits, a fraction, an exponent), or -1 when the
// characters there are no number or run on into a word ("2nd", "1abc").
qsizetype endOfNumber(QStringView line, qsizetype i)
{
    const qsizetype n = line.size();
    qsizetype j = i;
    while (j < n && isAsciiDigit(line[j]))
        ++j;
    if (j < n && line[j] == QLatin1Char('.')) {
        ++j;
        while (j < n && isAsciiDigit(line[j]))
            ++j;
    }
    if (j == i || (j == i + 1 && line[i] == QLatin1Char('.')))
        return -1;
    if (j < n && (line[j] == QLatin1Char('e') || line[j] == QLatin1Char('E'))) {
        qsizetype k = j + 1;
        if (k < n && (line[k] == QLatin1Char('+') || line[k] == QLatin1Char('-')))
            ++k;
        if (k < n && isAsciiDigit(line[k])) {
            while (k < n && isAsciiDigit(line[k]))
                ++k;
            j = k;
        }
    }
    return j < n && isWordChar(line[j]) ? -1 : j;
}

struct Quote {
    QChar mark;
    Open open;
    Kind kind;
};

const Quote kQuotes[] = {{QLatin1Char('\''), Open::String, Kind::String},
                         {QLatin1Char('"'), Open::QuotedName, Kind::QuotedName},
                         {QLatin1Char('`'), Open::BackQuotedName, Kind::QuotedName}};

const Quote* quoteOf(QChar c)
{
    for (const Quote& q : kQuotes) {
        if (q.mark == c)
            return &q;
    }
    return nullptr;
}

const Quote* quoteOf(Open open)
{
    for (const Quote& q : kQuotes) {
        if (q.open == open)
            return &q;
    }
    return nullptr;
}

} // namespace

Keywords::Keywords(const QStringList& words)
{
    for (const QString& w : words) {
        if (!w.isEmpty())
            folded_.insert(foldForSearch(w));
    }
}

bool Keywords::contains(QStringView word) const
{
    if (folded_.isEmpty())
        return false;
    for (QChar c : word) {
        if (c.unicode() >= 0x80)
            return folded_.contains(foldForSearch(word));
    }
    // ASCII folds to its lower case; the common case costs no normalisation.
    return folded_.contains(word.toString().toLower());
}

Open scanLine(QStringView line, Open open, const Keywords& keywords, std::vector<Span>& spans)
{
    spans.clear();
    const qsizetype n = line.size();
    qsizetype i = 0;
    auto add = [&spans](qsizetype start, qsizetype end, Kind kind) {
        if (end > start)
            spans.push_back({start, end - start, kind});
    };
    if (open == Open::Comment) {
        const qsizetype end = endOfComment(line, 0);
        if (end < 0) {
            add(0, n, Kind::Comment);
            return Open::Comment;
        }
        add(0, end, Kind::Comment);
        i = end;
    } else if (const Quote* q = quoteOf(open)) {
        const qsizetype end = endOfQuoted(line, 0, q->mark);
        if (end < 0) {
            add(0, n, q->kind);
            return open;
        }
        add(0, end, q->kind);
        i = end;
    }
    while (i < n) {
        const QChar c = line[i];
        const QChar next = i + 1 < n ? line[i + 1] : QChar();
        if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            add(i, n, Kind::Comment);
            return Open::Nothing;
        }
        if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const qsizetype end = endOfComment(line, i + 2);
            if (end < 0) {
                add(i, n, Kind::Comment);
                return Open::Comment;
            }
            add(i, end, Kind::Comment);
            i = end;
            continue;
        }
        if (const Quote* q = quoteOf(c)) {
            const qsizetype end = endOfQuoted(line, i + 1, q->mark);
            if (end < 0) {
                add(i, n, q->kind);
                return q->open;
            }
            add(i, end, q->kind);
            i = end;
            continue;
        }
        const bool wordBefore = i > 0 && isWordChar(line[i - 1]);
        if (!wordBefore && (isAsciiDigit(c) || (c == QLatin1Char('.') && isAsciiDigit(next)))) {
            const qsizetype end = endOfNumber(line, i);
            if (end > 0) {
                add(i, end, Kind::Number);
                i = end;
                continue;
            }
        }
        if (isWordChar(c)) {
            qsizetype j = i + 1;
            while (j < n && isWordChar(line[j]))
                ++j;
            if (!isAsciiDigit(c) && keywords.contains(line.sliced(i, j - i)))
                add(i, j, Kind::Keyword);
            i = j;
            continue;
        }
        ++i;
    }
    return Open::Nothing;
}

} // namespace sqlhighlight

SqlHighlighter::SqlHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document), target_(document)
{
}

void SqlHighlighter::setKeywords(const QStringList& keywords)
{
    keywords_ = sqlhighlight::Keywords(keywords);
    if (on_)
        rehighlight();
}

void SqlHighlighter::setOn(bool on)
{
    if (on == on_)
        return;
    on_ = on;
    // Detached, the document drops its colours and no edit runs through here any more.
    setDocument(on ? target_ : nullptr);
    if (on)
        rehighlight();
}

void SqlHighlighter::setDarkBackground(bool dark)
{
    if (dark == dark_)
        return;
    dark_ = dark;
    if (on_)
        rehighlight();
}

QColor SqlHighlighter::colour(sqlhighlight::Kind kind) const
{
    using sqlhighlight::Kind;
    // Foreground only: the caret and the selection keep the box's own colours.
    switch (kind) {
    case Kind::Keyword:
        return dark_ ? QColor(120, 170, 255) : QColor(0, 0, 192);
    case Kind::String:
        return dark_ ? QColor(240, 150, 120) : QColor(163, 21, 21);
    case Kind::QuotedName:
        return dark_ ? QColor(90, 210, 210) : QColor(0, 105, 105);
    case Kind::Number:
        return dark_ ? QColor(215, 155, 240) : QColor(128, 0, 128);
    case Kind::Comment:
        return dark_ ? QColor(120, 200, 120) : QColor(0, 120, 0);
    }
    return QColor();
}

void SqlHighlighter::highlightBlock(const QString& text)
{
    const int before = previousBlockState();
    const auto open =
        before < 0 ? sqlhighlight::Open::Nothing : static_cast<sqlhighlight::Open>(before);
    const sqlhighlight::Open after = sqlhighlight::scanLine(text, open, keywords_, spans_);
    for (const sqlhighlight::Span& s : spans_)
        setFormat(static_cast<int>(s.start), static_cast<int>(s.length), colour(s.kind));
    setCurrentBlockState(static_cast<int>(after));
}
