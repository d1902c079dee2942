#include "base/SqlHighlight.h"

#include "base/Utf8Text.h"

#include "base/SearchFold.h"

#include <QTextDocument>

#include <algorithm>
#include <climits>

namespace sqlhighlight {

namespace {

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isHexDigit(char16_t c)
{
    return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// A number token the databases take as a number: digits with a fraction and an exponent, or
// 0x and hexadecimal digits; the reader also gives "2nd" or "1abc" as one token.
bool isNumber(std::u16string_view t)
{
    if (t.size() > 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X'))
        return std::all_of(t.begin() + 2, t.end(), isHexDigit);
    std::size_t i = 0;
    while (i < t.size() && isDigit(t[i]))
        ++i;
    if (i < t.size() && t[i] == u'.') {
        ++i;
        while (i < t.size() && isDigit(t[i]))
            ++i;
    }
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        if (i == t.size() || !isDigit(t[i]))
            return false;
        while (i < t.size() && isDigit(t[i]))
            ++i;
    }
    return i == t.size();
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

sql::Carry<char16_t> scanLine(QStringView line, sql::Carry<char16_t> open, sql::Dialect dialect,
                              const Keywords& keywords, std::vector<Span>& spans)
{
    spans.clear();
    const std::u16string_view text = utf16View(line);
    sql::Lexer<char16_t> lexer(text, dialect, std::move(open));
    sql::Token t;
    while (lexer.next(t)) {
        const auto start = static_cast<qsizetype>(t.begin);
        const auto length = static_cast<qsizetype>(t.end - t.begin);
        switch (t.kind) {
        case sql::TokenKind::Word:
            if (keywords.contains(line.sliced(start, length)))
                spans.push_back({start, length, Kind::Keyword});
            break;
        case sql::TokenKind::Number:
            if (isNumber(text.substr(t.begin, t.end - t.begin)))
                spans.push_back({start, length, Kind::Number});
            break;
        case sql::TokenKind::String:
            spans.push_back({start, length, Kind::String});
            break;
        case sql::TokenKind::QuotedName:
            spans.push_back({start, length, Kind::QuotedName});
            break;
        case sql::TokenKind::Comment:
            spans.push_back({start, length, Kind::Comment});
            break;
        case sql::TokenKind::Blank:
        case sql::TokenKind::Symbol:
            break;
        }
    }
    return lexer.carry();
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

void SqlHighlighter::setDialect(sql::Dialect dialect)
{
    if (dialect == dialect_)
        return;
    dialect_ = dialect;
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

namespace {

// Block state: what is open in the low four bits, the depth or tag number above them.
constexpr int kOpenBits = 4;
constexpr int kMaxExtra = INT_MAX >> kOpenBits;

} // namespace

int SqlHighlighter::stateOf(const sql::Carry<char16_t>& carry)
{
    int extra = 0;
    if (carry.open == sql::Open::Comment) {
        extra = std::min(carry.depth, kMaxExtra);
    } else if (carry.open == sql::Open::DollarString) {
        auto [at, added] = tagNumbers_.try_emplace(carry.tag, static_cast<int>(tags_.size()));
        if (added)
            tags_.push_back(carry.tag);
        extra = at->second;
    }
    return static_cast<int>(carry.open) | extra << kOpenBits;
}

sql::Carry<char16_t> SqlHighlighter::carryOf(int state) const
{
    sql::Carry<char16_t> carry;
    if (state <= 0)
        return carry;
    carry.open = static_cast<sql::Open>(state & ((1 << kOpenBits) - 1));
    const int extra = state >> kOpenBits;
    if (carry.open == sql::Open::Comment)
        carry.depth = extra;
    else if (carry.open == sql::Open::DollarString && extra < static_cast<int>(tags_.size()))
        carry.tag = tags_[static_cast<std::size_t>(extra)];
    return carry;
}

void SqlHighlighter::highlightBlock(const QString& text)
{
    const sql::Carry<char16_t> after =
        sqlhighlight::scanLine(text, carryOf(previousBlockState()), dialect_, keywords_, spans_);
    for (const sqlhighlight::Span& s : spans_)
        setFormat(static_cast<int>(s.start), static_cast<int>(s.length), colour(s.kind));
    setCurrentBlockState(stateOf(after));
}
