// The SQL reader under arbitrary text, in every dialect (the first byte picks the database,
// whether backslashes escape and whether "..." is a name on MariaDB): tokens cover the text
// without gap or overlap; read line by line with the carry they are the whole text's tokens cut
// at the line breaks; a literal never ends inside a backslash escape; UTF-8 and UTF-16 read
// alike; and blanks changed where they cannot join or split tokens change neither the pieces
// nor the classification.
#include "FuzzCheck.h"
#include "sql/SqlStatement.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using sql::Token;
using sql::TokenKind;

template <class Ch> std::vector<Token> tokensOf(std::basic_string_view<Ch> text, sql::Dialect d)
{
    std::vector<Token> out;
    sql::Lexer<Ch> lexer(text, d);
    Token t;
    while (lexer.next(t))
        out.push_back(t);
    return out;
}

bool sameToken(const Token& a, const Token& b)
{
    return a.kind == b.kind && a.begin == b.begin && a.end == b.end && a.unclosed == b.unclosed &&
           a.executable == b.executable;
}

void checkCover(std::string_view text, const std::vector<Token>& tokens)
{
    std::size_t at = 0;
    for (const Token& t : tokens) {
        FUZZ_CHECK(t.begin == at, "each token begins where the one before ended");
        FUZZ_CHECK(t.end > t.begin, "no empty token");
        at = t.end;
    }
    FUZZ_CHECK(at == text.size(), "the tokens reach the end of the text");
}

// The text read line by line, each line from inside what the one before left open: the whole
// text's tokens cut at the line breaks, and the same carry at the end.
void checkLines(std::string_view text, sql::Dialect d, const std::vector<Token>& whole)
{
    std::vector<Token> expected;
    for (const Token& t : whole) {
        std::size_t from = t.begin;
        while (from < t.end) {
            const std::size_t nl = text.find('\n', from);
            const std::size_t to = nl == std::string_view::npos ? t.end : std::min(nl, t.end);
            if (to > from)
                expected.push_back({t.kind, from, to});
            from = to == nl ? to + 1 : to;
        }
    }
    std::vector<Token> got;
    sql::Carry<char> carry;
    std::size_t start = 0;
    for (;;) {
        const std::size_t nl = text.find('\n', start);
        const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        sql::Lexer<char> lexer(text.substr(start, end - start), d, carry);
        Token t;
        while (lexer.next(t))
            got.push_back({t.kind, start + t.begin, start + t.end});
        carry = lexer.carry();
        if (nl == std::string_view::npos)
            break;
        start = nl + 1;
    }
    FUZZ_CHECK(got.size() == expected.size(), "line by line gives as many tokens");
    for (std::size_t i = 0; i < got.size(); ++i)
        FUZZ_CHECK(got[i].kind == expected[i].kind && got[i].begin == expected[i].begin &&
                       got[i].end == expected[i].end,
                   "line by line gives the same tokens, cut at the line breaks");
    sql::Lexer<char> wholeLexer(text, d);
    Token t;
    while (wholeLexer.next(t)) {
    }
    FUZZ_CHECK(carry == wholeLexer.carry(), "line by line ends with the same carry");
}

// A closed literal whose backslashes escape never ends on a quote that a backslash escapes:
// the backslashes right before its closing quote come in pairs.
void checkEscapes(std::string_view text, sql::Dialect d, const std::vector<Token>& tokens)
{
    for (const Token& t : tokens) {
        if (t.kind != TokenKind::String || t.unclosed)
            continue;
        const char first = text[t.begin];
        std::size_t body = t.begin + 1;
        bool escapes = false;
        if (d.engine == sql::Engine::MariaDb)
            escapes = d.backslashEscapes && (first == '\'' || first == '"');
        else if (d.engine == sql::Engine::PostgreSql && (first == 'E' || first == 'e'))
            escapes = true, body = t.begin + 2;
        if (!escapes)
            continue;
        FUZZ_CHECK(t.end >= body + 1, "a closed literal has its closing quote");
        std::size_t run = 0;
        for (std::size_t i = t.end - 1; i > body && text[i - 1] == '\\'; --i)
            ++run;
        FUZZ_CHECK(run % 2 == 0, "a literal never ends inside an escape");
    }
}

// The text as UTF-16, each byte one code unit: the same tokens and classification.
void checkWide(std::string_view text, sql::Dialect d, const std::vector<Token>& tokens)
{
    std::u16string wide;
    for (const char c : text)
        wide.push_back(static_cast<unsigned char>(c));
    const std::vector<Token> w = tokensOf<char16_t>(wide, d);
    FUZZ_CHECK(w.size() == tokens.size(), "UTF-16 gives as many tokens");
    for (std::size_t i = 0; i < w.size(); ++i)
        FUZZ_CHECK(sameToken(w[i], tokens[i]), "UTF-16 gives the same tokens");
    FUZZ_CHECK(sql::classifyStatement(std::u16string_view(wide), d).mayChange ==
                   sql::classifyStatement(text, d).mayChange,
               "UTF-16 classifies alike");
}

bool sameEffect(const sql::StatementEffect& a, const sql::StatementEffect& b)
{
    return a.mayChange == b.mayChange && a.commits == b.commits && a.rollsBack == b.rollsBack &&
           a.ddl == b.ddl && a.updateOrDelete == b.updateOrDelete &&
           a.withoutWhere == b.withoutWhere && a.savepoints == b.savepoints &&
           a.commitsBefore == b.commitsBefore && a.touchesAccessMode == b.touchesAccessMode &&
           a.changesSqlMode == b.changesSqlMode && a.statements == b.statements &&
           a.unclosed == b.unclosed;
}

void checkSamePieces(std::string_view a, std::string_view b, sql::Dialect d, const char* what)
{
    const sql::Pieces pa = sql::readPieces(a, d);
    const sql::Pieces pb = sql::readPieces(b, d);
    bool same = pa.list.size() == pb.list.size() && pa.unclosed == pb.unclosed &&
                pa.executable == pb.executable;
    for (std::size_t i = 0; same && i < pa.list.size(); ++i)
        same = pa.list[i].kind == pb.list[i].kind && pa.list[i].text == pb.list[i].text;
    FUZZ_CHECK(same, what);
    FUZZ_CHECK(sameEffect(sql::classifyStatement(a, d), sql::classifyStatement(b, d)), what);
}

// Blanks changed where they cannot matter: every run of blanks made one space, or one line
// break when it held one (a line break ends a "--" comment); and "/**/" put in beside every
// run of blanks, outside strings and comments, where the blank already parts the tokens (never
// before the line break that ends a "--" comment, which would take it in).
void checkBlanks(std::string_view text, sql::Dialect d, const std::vector<Token>& tokens)
{
    std::string collapsed;
    std::string commented;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const std::string_view s = text.substr(t.begin, t.end - t.begin);
        if (t.kind == TokenKind::Blank) {
            collapsed += s.find('\n') == std::string_view::npos ? ' ' : '\n';
            const bool afterLineComment = i > 0 && tokens[i - 1].kind == TokenKind::Comment &&
                                          text[tokens[i - 1].begin] != '/';
            if (!afterLineComment)
                commented += "/**/";
            commented += s;
            commented += "/**/";
        } else {
            collapsed += s;
            commented += s;
        }
    }
    checkSamePieces(text, collapsed, d, "blanks made one change nothing");
    checkSamePieces(text, commented, d, "comments beside blanks change nothing");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    sql::Dialect d;
    d.engine = static_cast<sql::Engine>(data[0] & 3);
    d.backslashEscapes = (data[0] & 4) != 0;
    d.ansiQuotes = (data[0] & 8) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::vector<Token> tokens = tokensOf<char>(text, d);
    checkCover(text, tokens);
    checkLines(text, d, tokens);
    checkEscapes(text, d, tokens);
    checkWide(text, d, tokens);
    checkBlanks(text, d, tokens);
    return 0;
}
