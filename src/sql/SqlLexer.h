#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The one reader of SQL text. Every part of the program that looks into a statement (the
// batch's classification for the pending work, undo, the guard and read-only; the row cap's
// recognitions; highlighting; completion; the load) cuts it into tokens here, by the lexical
// rules of the connected database, so that a string, a quoted name or a comment ends where the
// database ends it. Plain C++ over UTF-8 (char) or UTF-16 (char16_t) code units; every
// character the rules look at is ASCII, and any other code unit counts as part of a word, as
// PostgreSQL, MariaDB and SQLite read identifiers.
namespace sql {

enum class Engine : std::uint8_t { Other, Sqlite, PostgreSql, MariaDb };

// What decides how text is read: the database, and on MariaDB whether a backslash escapes the
// next character in a string (the default, unless sql_mode holds NO_BACKSLASH_ESCAPES).
// Four bytes, so that a copy shared between threads is a lock-free atomic.
struct alignas(4) Dialect {
    Engine engine = Engine::Other;
    bool backslashEscapes = false;
    // MariaDB with ANSI_QUOTES reads "..." as a name, else as a string.
    bool ansiQuotes = false;

    bool operator==(const Dialect&) const = default;
};

// The dialect of a database by the name SQLGetInfo(SQL_DBMS_NAME) gives it ("PostgreSQL",
// "MariaDB", "MySQL", "SQLite"), and on MariaDB its sql_mode.
Dialect dialectOf(std::string_view dbmsName, std::string_view sqlMode = {});

enum class TokenKind : std::uint8_t {
    Blank,
    Comment,
    String,     // '...', PostgreSQL E'...' and $tag$...$tag$, MariaDB "..."
    QuotedName, // "..." (not on MariaDB), `...`, [...]
    Word,       // a name or keyword
    Number,
    Symbol, // one other character
};

// What is still open at the end of a text read in parts (a line of the highlighter), so that
// the next part is read from inside it.
enum class Open : std::uint8_t {
    Nothing,
    Comment,        // /* (depth counts PostgreSQL's nesting)
    String,         // '
    EscapedString,  // ' whose backslashes escape (MariaDB; PostgreSQL E'')
    DoubleString,   // " as a string (MariaDB), backslashes escaping as the dialect says
    QuotedName,     // "
    BackQuotedName, // `
    BracketedName,  // [
    DollarString,   // $tag$ (the tag is kept beside)
};

template <class Ch> struct Carry {
    Open open = Open::Nothing;
    int depth = 0;             // open comments, for PostgreSQL's nested ones
    std::basic_string<Ch> tag; // a dollar quote's $tag$, whole

    bool operator==(const Carry&) const = default;
};

struct Token {
    TokenKind kind = TokenKind::Blank;
    std::size_t begin = 0;
    std::size_t end = 0;
    // A string, quoted name or comment that the text ends before it is closed.
    bool unclosed = false;
    // MariaDB's /*! ... */ and /*M! ... */, whose text the server runs.
    bool executable = false;
};

// Reads tokens one after another; next() is false at the end of the text, and carry() then
// says what is open there.
template <class Ch> class Lexer {
public:
    using View = std::basic_string_view<Ch>;

    Lexer(View text, Dialect dialect, Carry<Ch> carry = {});
    bool next(Token& token);
    const Carry<Ch>& carry() const { return carry_; }

private:
    Ch at(std::size_t i) const { return i < text_.size() ? text_[i] : Ch(0); }
    void readOpen(Token& token);
    void readQuoted(Token& token, Ch quote, bool escapes, Open open);
    void readComment(Token& token);
    void readDollar(Token& token);
    bool dollarTagAt(std::size_t i, std::size_t& length) const;

    View text_;
    Dialect dialect_;
    Carry<Ch> carry_;
    std::size_t pos_ = 0;
};

extern template class Lexer<char>;
extern template class Lexer<char16_t>;

// True for the ASCII blanks the databases skip between tokens.
template <class Ch> constexpr bool isBlank(Ch c)
{
    return c == Ch(' ') || c == Ch('\t') || c == Ch('\n') || c == Ch('\r') || c == Ch('\f') ||
           c == Ch('\v');
}

// A code unit that may continue a name: ASCII letters, digits, "_" and "$", and anything that
// is not ASCII.
template <class Ch> constexpr bool isWordUnit(Ch c)
{
    const auto u = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Ch>>(c));
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
           u == '$' || u >= 0x80;
}

} // namespace sql
