#include "sql/SqlLexer.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace sql {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

template <class Ch> constexpr bool isDigit(Ch c)
{
    return c >= Ch('0') && c <= Ch('9');
}

} // namespace

Dialect dialectOf(std::string_view dbmsName, std::string_view sqlMode)
{
    const std::string name = lower(dbmsName);
    Dialect d;
    if (name.find("postgres") != std::string::npos) {
        d.engine = Engine::PostgreSql;
    } else if (name.find("mariadb") != std::string::npos ||
               name.find("mysql") != std::string::npos) {
        d.engine = Engine::MariaDb;
        const std::string mode = lower(sqlMode);
        d.backslashEscapes = mode.find("no_backslash_escapes") == std::string::npos;
        d.ansiQuotes = mode.find("ansi_quotes") != std::string::npos;
    } else if (name.find("sqlite") != std::string::npos) {
        d.engine = Engine::Sqlite;
    }
    return d;
}

template <class Ch>
Lexer<Ch>::Lexer(View text, Dialect dialect, Carry<Ch> carry)
    : text_(text), dialect_(dialect), carry_(std::move(carry))
{
}

template <class Ch> bool Lexer<Ch>::next(Token& token)
{
    if (pos_ >= text_.size())
        return false;
    token = Token{};
    token.begin = pos_;
    if (carry_.open != Open::Nothing) {
        readOpen(token);
        token.end = pos_;
        return true;
    }
    const Engine engine = dialect_.engine;
    const Ch c = text_[pos_];
    const Ch n = at(pos_ + 1);
    if (isBlank(c)) {
        token.kind = TokenKind::Blank;
        while (pos_ < text_.size() && isBlank(text_[pos_]))
            ++pos_;
    } else if ((c == Ch('-') && n == Ch('-') &&
                // MariaDB reads "--" as a comment only before a blank or control character.
                (engine != Engine::MariaDb || pos_ + 2 >= text_.size() ||
                 static_cast<std::uint32_t>(at(pos_ + 2)) <= 0x20)) ||
               (c == Ch('#') && engine == Engine::MariaDb)) {
        token.kind = TokenKind::Comment;
        while (pos_ < text_.size() && text_[pos_] != Ch('\n'))
            ++pos_;
    } else if (c == Ch('/') && n == Ch('*')) {
        token.executable =
            engine == Engine::MariaDb &&
            (at(pos_ + 2) == Ch('!') || (at(pos_ + 2) == Ch('M') && at(pos_ + 3) == Ch('!')));
        pos_ += 2;
        carry_.open = Open::Comment;
        carry_.depth = 1;
        readComment(token);
    } else if (c == Ch('\'')) {
        ++pos_;
        const bool escapes = engine == Engine::MariaDb && dialect_.backslashEscapes;
        readQuoted(token, Ch('\''), escapes, escapes ? Open::EscapedString : Open::String);
    } else if ((c == Ch('E') || c == Ch('e')) && n == Ch('\'') && engine == Engine::PostgreSql) {
        // E'...': PostgreSQL's string with backslash escapes (a word before it would have
        // taken the E).
        pos_ += 2;
        readQuoted(token, Ch('\''), true, Open::EscapedString);
    } else if (c == Ch('"')) {
        ++pos_;
        if (engine == Engine::MariaDb && !dialect_.ansiQuotes)
            readQuoted(token, Ch('"'), dialect_.backslashEscapes, Open::DoubleString);
        else
            readQuoted(token, Ch('"'), false, Open::QuotedName);
    } else if (c == Ch('`') && engine != Engine::PostgreSql) {
        ++pos_;
        readQuoted(token, Ch('`'), false, Open::BackQuotedName);
    } else if (c == Ch('[') && (engine == Engine::Sqlite || engine == Engine::Other)) {
        ++pos_;
        readQuoted(token, Ch(']'), false, Open::BracketedName);
    } else if (std::size_t tagLength = 0;
               c == Ch('$') && engine == Engine::PostgreSql && dollarTagAt(pos_, tagLength)) {
        carry_.tag.assign(text_.substr(pos_, tagLength));
        pos_ += tagLength;
        carry_.open = Open::DollarString;
        readDollar(token);
    } else if (isDigit(c) || (c == Ch('.') && isDigit(n))) {
        token.kind = TokenKind::Number;
        ++pos_;
        while (pos_ < text_.size()) {
            const Ch d = text_[pos_];
            if ((d == Ch('+') || d == Ch('-')) &&
                (text_[pos_ - 1] == Ch('e') || text_[pos_ - 1] == Ch('E')) &&
                isDigit(text_[token.begin]) && isDigit(at(pos_ + 1))) {
                pos_ += 2;
                continue;
            }
            if (!(d == Ch('.') || (isWordUnit(d) && d != Ch('$'))))
                break;
            ++pos_;
        }
    } else if (isWordUnit(c) && !(c == Ch('$') && engine == Engine::PostgreSql)) {
        token.kind = TokenKind::Word;
        while (pos_ < text_.size() && isWordUnit(text_[pos_]))
            ++pos_;
    } else {
        token.kind = TokenKind::Symbol;
        ++pos_;
    }
    token.end = pos_;
    return true;
}

template <class Ch> void Lexer<Ch>::readOpen(Token& token)
{
    switch (carry_.open) {
    case Open::Comment:
        readComment(token);
        break;
    case Open::String:
        readQuoted(token, Ch('\''), false, Open::String);
        break;
    case Open::EscapedString:
        readQuoted(token, Ch('\''), true, Open::EscapedString);
        break;
    case Open::DoubleString:
        readQuoted(token, Ch('"'), dialect_.backslashEscapes, Open::DoubleString);
        break;
    case Open::QuotedName:
        readQuoted(token, Ch('"'), false, Open::QuotedName);
        break;
    case Open::BackQuotedName:
        readQuoted(token, Ch('`'), false, Open::BackQuotedName);
        break;
    case Open::BracketedName:
        readQuoted(token, Ch(']'), false, Open::BracketedName);
        break;
    case Open::DollarString:
        readDollar(token);
        break;
    case Open::Nothing:
        break;
    }
}

template <class Ch> void Lexer<Ch>::readQuoted(Token& token, Ch quote, bool escapes, Open open)
{
    const bool name =
        open == Open::QuotedName || open == Open::BackQuotedName || open == Open::BracketedName;
    token.kind = name ? TokenKind::QuotedName : TokenKind::String;
    // "]" closes a bracketed name at once; other quotes inside are doubled.
    const bool doubles = open != Open::BracketedName;
    while (pos_ < text_.size()) {
        const Ch c = text_[pos_];
        if (escapes && c == Ch('\\')) {
            // An escape at the very end escapes what follows (the next line's break).
            pos_ = std::min(pos_ + 2, text_.size());
            continue;
        }
        if (c == quote) {
            if (doubles && at(pos_ + 1) == quote) {
                pos_ += 2;
                continue;
            }
            ++pos_;
            carry_.open = Open::Nothing;
            return;
        }
        ++pos_;
    }
    token.unclosed = true;
    carry_.open = open;
}

template <class Ch> void Lexer<Ch>::readComment(Token& token)
{
    token.kind = TokenKind::Comment;
    const bool nests = dialect_.engine == Engine::PostgreSql;
    while (pos_ < text_.size()) {
        if (text_[pos_] == Ch('*') && at(pos_ + 1) == Ch('/')) {
            pos_ += 2;
            if (--carry_.depth == 0) {
                carry_.open = Open::Nothing;
                return;
            }
        } else if (nests && text_[pos_] == Ch('/') && at(pos_ + 1) == Ch('*')) {
            pos_ += 2;
            ++carry_.depth;
        } else {
            ++pos_;
        }
    }
    token.unclosed = true;
}

template <class Ch> void Lexer<Ch>::readDollar(Token& token)
{
    token.kind = TokenKind::String;
    const std::size_t end = text_.find(View(carry_.tag), pos_);
    if (end == View::npos) {
        pos_ = text_.size();
        token.unclosed = true;
        return;
    }
    pos_ = end + carry_.tag.size();
    carry_.open = Open::Nothing;
    carry_.tag.clear();
}

template <class Ch> bool Lexer<Ch>::dollarTagAt(std::size_t i, std::size_t& length) const
{
    // $tag$ opens a dollar quote wherever a token begins with it: a name has taken its "$"
    // already (a$b), and PostgreSQL reads 1$a$...$a$ as a number and a dollar quote. The tag
    // is a name without "$" that does not begin with a digit, or nothing ($$).
    std::size_t j = i + 1;
    if (j < text_.size() && isDigit(text_[j]))
        return false;
    while (j < text_.size() && isWordUnit(text_[j]) && text_[j] != Ch('$'))
        ++j;
    if (j >= text_.size() || text_[j] != Ch('$'))
        return false;
    length = j + 1 - i;
    return true;
}

template class Lexer<char>;
template class Lexer<char16_t>;

} // namespace sql
