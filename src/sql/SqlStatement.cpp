#include "sql/SqlStatement.h"

#include "text/CodePage.h"

#include <algorithm>
#include <initializer_list>

namespace sql {

namespace {

template <class Ch> std::string utf8Of(std::basic_string_view<Ch> text)
{
    if constexpr (std::is_same_v<Ch, char>)
        return std::string(text);
    else
        return codepage::utf16ToUtf8(text);
}

template <class Ch> std::string upperAscii(std::basic_string_view<Ch> text)
{
    std::string out = utf8Of(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// A quoted name's text: quotes dropped, doubled ones made single.
template <class Ch> std::string nameOf(std::basic_string_view<Ch> quoted)
{
    if (quoted.size() < 2)
        return {};
    const Ch close = quoted.front() == Ch('[') ? Ch(']') : quoted.front();
    std::basic_string<Ch> out;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        out.push_back(quoted[i]);
        if (quoted[i] == close && close != Ch(']') && i + 2 < quoted.size() &&
            quoted[i + 1] == close)
            ++i;
    }
    return utf8Of(std::basic_string_view<Ch>(out));
}

// The text inside MariaDB's /*!NNNNN ... */ or /*M!NNNNNN ... */.
template <class Ch>
std::basic_string_view<Ch> executableInside(std::basic_string_view<Ch> comment, bool closed,
                                            std::size_t& offset)
{
    std::size_t i = 2;
    if (i < comment.size() && comment[i] == Ch('M'))
        ++i;
    ++i; // "!"
    std::size_t digits = i;
    while (digits < comment.size() && comment[digits] >= Ch('0') && comment[digits] <= Ch('9'))
        ++digits;
    // A version number has five or six digits; what follows is code.
    if (digits - i == 5 || digits - i == 6)
        i = digits;
    i = std::min(i, comment.size());
    const std::size_t end = closed && comment.size() >= i + 2 ? comment.size() - 2 : comment.size();
    offset = i;
    return comment.substr(i, end - i);
}

template <class Ch>
void readInto(std::basic_string_view<Ch> text, Dialect dialect, std::size_t base, Pieces& out)
{
    Lexer<Ch> lexer(text, dialect);
    Token t;
    while (lexer.next(t)) {
        out.unclosed = out.unclosed || t.unclosed;
        const auto view = text.substr(t.begin, t.end - t.begin);
        switch (t.kind) {
        case TokenKind::Blank:
            break;
        case TokenKind::Comment:
            if (t.executable) {
                out.executable = true;
                std::size_t offset = 0;
                const auto inside = executableInside(view, !t.unclosed, offset);
                readInto(inside, dialect, base + t.begin + offset, out);
            } else {
                out.comments = true;
            }
            break;
        case TokenKind::Word:
            out.list.push_back({t.kind, upperAscii(view), base + t.begin, base + t.end});
            break;
        case TokenKind::QuotedName:
            out.list.push_back({t.kind, nameOf(view), base + t.begin, base + t.end});
            break;
        case TokenKind::Symbol:
            out.list.push_back({t.kind, utf8Of(view), base + t.begin, base + t.end});
            break;
        case TokenKind::String:
        case TokenKind::Number:
            out.list.push_back({t.kind, {}, base + t.begin, base + t.end});
            break;
        }
    }
}

bool isSymbol(const Piece& p, char c)
{
    return p.kind == TokenKind::Symbol && p.text.size() == 1 && p.text[0] == c;
}

bool isWord(const Piece& p, std::string_view word)
{
    return p.kind == TokenKind::Word && p.text == word;
}

// One statement's words, in order.
struct Words {
    std::vector<const Piece*> pieces;
    std::vector<std::string_view> words;
    // Quoted names in upper case: a setting may be named in quotes.
    std::vector<std::string> names;

    bool has(std::string_view w) const
    {
        return std::find(words.begin(), words.end(), w) != words.end();
    }
    bool hasAny(std::initializer_list<std::string_view> list) const
    {
        return std::any_of(list.begin(), list.end(), [this](std::string_view w) { return has(w); });
    }
    bool hasPair(std::string_view a, std::string_view b) const
    {
        for (std::size_t i = 0; i + 1 < words.size(); ++i)
            if (words[i] == a && words[i + 1] == b)
                return true;
        return false;
    }
    std::string_view at(std::size_t i) const { return i < words.size() ? words[i] : ""; }
};

bool oneOf(std::string_view w, std::initializer_list<std::string_view> list)
{
    return std::find(list.begin(), list.end(), w) != list.end();
}

// The effect of one statement (no ";" inside).
StatementEffect classifyOne(const Words& w, Dialect dialect)
{
    StatementEffect e;
    if (w.words.empty())
        return e;
    const bool mariaDb = dialect.engine == Engine::MariaDb;
    const std::string_view first = w.words.front();

    // Settings that keep a session read-only, and statements that put them back or out of
    // the reader's sight.
    const std::initializer_list<std::string_view> kSettings = {
        "DEFAULT_TRANSACTION_READ_ONLY", "TRANSACTION_READ_ONLY", "TX_READ_ONLY", "QUERY_ONLY",
        "SET_CONFIG"};
    e.touchesAccessMode =
        w.hasPair("READ", "WRITE") || w.hasAny(kSettings) ||
        std::any_of(w.names.begin(), w.names.end(),
                    [&kSettings](const std::string& n) { return oneOf(n, kSettings); }) ||
        oneOf(first, {"RESET", "DISCARD"}) ||
        (dialect.engine == Engine::Sqlite && oneOf(first, {"ATTACH", "DETACH", "VACUUM"})) ||
        (mariaDb && oneOf(first, {"PREPARE", "EXECUTE", "DEALLOCATE", "HANDLER", "INSTALL"}));
    e.changesSqlMode = mariaDb && w.has("SQL_MODE");

    if (mariaDb) {
        // Statements after which MariaDB has committed what was open, also when they fail.
        const bool temporary = oneOf(first, {"CREATE", "DROP"}) && w.at(1) == "TEMPORARY";
        e.commitsBefore =
            (!temporary &&
             oneOf(first, {"CREATE", "ALTER", "DROP", "RENAME", "TRUNCATE", "GRANT", "REVOKE",
                           "LOCK", "UNLOCK", "ANALYZE", "OPTIMIZE", "REPAIR", "FLUSH", "RESET",
                           "CACHE", "INSTALL", "UNINSTALL"})) ||
            (first == "BEGIN" && w.at(1) != "NOT") ||
            (first == "START" && w.at(1) == "TRANSACTION") ||
            (first == "CHECK" && w.at(1) == "TABLE") || (first == "LOAD" && w.at(1) == "INDEX") ||
            (first == "SET" && w.has("AUTOCOMMIT")) || (first == "SET" && w.at(1) == "PASSWORD");
    }

    // MariaDB's table locks last until UNLOCK TABLES, not until COMMIT or ROLLBACK.
    if (mariaDb && (first == "LOCK" || first == "UNLOCK"))
        return e;
    if (first == "COMMIT" || first == "END") {
        e.commits = true;
        return e;
    }
    if (first == "ROLLBACK") {
        // ROLLBACK TO [SAVEPOINT] takes back part of the transaction only.
        e.rollsBack = !w.has("TO");
        e.savepoints = !e.rollsBack;
        return e;
    }
    if (oneOf(first, {"CREATE", "ALTER", "DROP", "TRUNCATE", "RENAME", "GRANT", "REVOKE", "COMMENT",
                      "REINDEX", "CLUSTER"})) {
        e.mayChange = true;
        e.ddl = true;
        return e;
    }
    if (first == "UPDATE" || first == "DELETE") {
        e.mayChange = true;
        e.updateOrDelete = true;
        e.withoutWhere = !w.has("WHERE");
        return e;
    }
    if (oneOf(first, {"SELECT", "WITH", "VALUES", "TABLE"})) {
        // A write inside WITH, SELECT ... INTO a new table, or rows locked for later writes.
        e.mayChange = w.hasAny({"INSERT", "UPDATE", "DELETE", "MERGE", "INTO"}) ||
                      w.hasPair("FOR", "SHARE") || w.hasPair("SHARE", "MODE") ||
                      w.hasPair("KEY", "SHARE") || w.hasPair("FOR", "UPDATE") ||
                      w.hasPair("NO", "KEY") || w.has("SET_CONFIG");
        return e;
    }
    // Reads and settings of the session, which change no data and take no lock.
    if (oneOf(first, {"SHOW", "DESCRIBE", "DESC", "SET", "RESET", "USE", "BEGIN", "START",
                      "SAVEPOINT", "RELEASE", "FETCH", "CLOSE", "DECLARE"})) {
        e.savepoints = first == "SAVEPOINT" || first == "RELEASE";
        return e;
    }
    if (first == "EXPLAIN") {
        // EXPLAIN ANALYZE runs the statement.
        e.mayChange = w.has("ANALYZE") || w.has("ANALYSE");
        return e;
    }
    if (first == "PRAGMA") {
        // A pragma that sets something may change the database file.
        e.mayChange = std::any_of(w.pieces.begin(), w.pieces.end(),
                                  [](const Piece* p) { return isSymbol(*p, '='); });
        return e;
    }
    // INSERT, MERGE, REPLACE, CALL, DO, LOCK, COPY, and whatever cannot be told.
    e.mayChange = true;
    return e;
}

StatementEffect classify(const Pieces& pieces, Dialect dialect)
{
    StatementEffect all;
    all.unclosed = pieces.unclosed;
    std::vector<Words> statements(1);
    for (const Piece& p : pieces.list) {
        if (isSymbol(p, ';')) {
            if (!statements.back().pieces.empty())
                statements.emplace_back();
            continue;
        }
        statements.back().pieces.push_back(&p);
        if (p.kind == TokenKind::Word)
            statements.back().words.push_back(p.text);
        else if (p.kind == TokenKind::QuotedName)
            statements.back().names.push_back(upperAscii(std::string_view(p.text)));
    }
    if (statements.back().pieces.empty())
        statements.pop_back();
    all.statements = static_cast<int>(statements.size());
    for (const Words& w : statements) {
        const StatementEffect e = classifyOne(w, dialect);
        all.mayChange = all.mayChange || e.mayChange;
        all.ddl = all.ddl || e.ddl;
        all.updateOrDelete = all.updateOrDelete || e.updateOrDelete;
        all.withoutWhere = all.withoutWhere || e.withoutWhere;
        all.savepoints = all.savepoints || e.savepoints;
        all.commitsBefore = all.commitsBefore || e.commitsBefore;
        all.touchesAccessMode = all.touchesAccessMode || e.touchesAccessMode;
        all.changesSqlMode = all.changesSqlMode || e.changesSqlMode;
        if (statements.size() == 1) {
            all.commits = e.commits;
            all.rollsBack = e.rollsBack;
        } else if (e.commits || e.rollsBack) {
            // Ends the transaction part way: what it holds cannot be told from here.
            all.mayChange = true;
        }
    }
    // A statement the database reads past an open quote cannot be told.
    if (pieces.unclosed && !all.commits && !all.rollsBack)
        all.mayChange = true;
    return all;
}

} // namespace

Pieces readPieces(std::string_view text, Dialect dialect)
{
    Pieces out;
    readInto(text, dialect, 0, out);
    return out;
}

Pieces readPieces(std::u16string_view text, Dialect dialect)
{
    Pieces out;
    readInto(text, dialect, 0, out);
    return out;
}

StatementEffect classifyStatement(std::string_view sql, Dialect dialect)
{
    return classify(readPieces(sql, dialect), dialect);
}

StatementEffect classifyStatement(std::u16string_view sql, Dialect dialect)
{
    return classify(readPieces(sql, dialect), dialect);
}

bool refusedWhenReadOnly(const StatementEffect& effect, Dialect dialect)
{
    return effect.touchesAccessMode || (dialect.engine == Engine::MariaDb && effect.ddl);
}

TransactionEnd transactionEndOf(std::string_view sql, Dialect dialect)
{
    const Pieces pieces = readPieces(sql, dialect);
    std::vector<Piece> list = pieces.list;
    if (!list.empty() && isSymbol(list.back(), ';'))
        list.pop_back();
    if (pieces.unclosed || pieces.executable || list.empty() || list.size() > 2 ||
        list.front().kind != TokenKind::Word ||
        (list.size() == 2 && !isWord(list[1], "WORK") && !isWord(list[1], "TRANSACTION")))
        return TransactionEnd::None;
    const std::string& first = list.front().text;
    if (first == "COMMIT" || first == "END")
        return TransactionEnd::Commit;
    return first == "ROLLBACK" ? TransactionEnd::Rollback : TransactionEnd::None;
}

bool plainTopLevelSelect(std::string_view sql, Dialect dialect)
{
    const Pieces pieces = readPieces(sql, dialect);
    if (pieces.unclosed || pieces.executable || pieces.list.empty() ||
        !isWord(pieces.list.front(), "SELECT"))
        return false;
    for (std::size_t i = 0; i < pieces.list.size(); ++i) {
        const Piece& p = pieces.list[i];
        if (isSymbol(p, ';'))
            return i + 1 == pieces.list.size();
        if (p.kind == TokenKind::Word && oneOf(p.text, {"INTO", "FOR", "LOCK", "PROCEDURE"}))
            return false;
    }
    return true;
}

bool writingWith(std::string_view sql, Dialect dialect)
{
    const Pieces pieces = readPieces(sql, dialect);
    if (pieces.list.empty() || !isWord(pieces.list.front(), "WITH"))
        return false;
    // What cannot be read is taken as a write: the statement then only loses the cursor.
    if (pieces.unclosed)
        return true;
    return std::any_of(pieces.list.begin() + 1, pieces.list.end(), [](const Piece& p) {
        return p.kind == TokenKind::Word && oneOf(p.text, {"INSERT", "UPDATE", "DELETE", "MERGE"});
    });
}

bool keepsToItself(std::string_view value, Dialect dialect)
{
    Lexer<char> lexer(value, dialect);
    Token t;
    int depth = 0;
    while (lexer.next(t)) {
        if (t.unclosed || t.kind == TokenKind::Comment)
            return false;
        if (t.kind != TokenKind::Symbol)
            continue;
        const char c = value[t.begin];
        // A parameter marker would take a bound value that is not its own.
        if (c == ';' || c == '?' || c == '$')
            return false;
        if (c == '(')
            ++depth;
        else if (c == ')' && --depth < 0)
            return false;
    }
    return depth == 0;
}

namespace {

// Functions that fold rows together: a result column of one stands for many rows.
bool aggregate(std::string_view word)
{
    return oneOf(word, {"COUNT",
                        "SUM",
                        "AVG",
                        "MIN",
                        "MAX",
                        "TOTAL",
                        "GROUP_CONCAT",
                        "STRING_AGG",
                        "ARRAY_AGG",
                        "JSON_AGG",
                        "JSONB_AGG",
                        "JSON_ARRAYAGG",
                        "JSON_OBJECTAGG",
                        "JSON_GROUP_ARRAY",
                        "JSON_GROUP_OBJECT",
                        "BIT_AND",
                        "BIT_OR",
                        "BIT_XOR",
                        "BOOL_AND",
                        "BOOL_OR",
                        "EVERY",
                        "STDDEV",
                        "STDDEV_POP",
                        "STDDEV_SAMP",
                        "VARIANCE",
                        "VAR_POP",
                        "VAR_SAMP"});
}

// Words at the top level that make rows that are no table's rows, or a SELECT that is more
// than a read.
bool foldsOrMore(std::string_view word)
{
    return oneOf(word, {"WITH", "DISTINCT", "DISTINCTROW", "GROUP", "HAVING", "UNION", "INTERSECT",
                        "EXCEPT", "MINUS", "OVER", "WINDOW", "LATERAL", "INTO", "FOR", "LOCK",
                        "PROCEDURE"});
}

} // namespace

EditableSelect readEditableSelect(std::string_view sql, Dialect dialect)
{
    const Pieces pieces = readPieces(sql, dialect);
    const std::vector<Piece>& list = pieces.list;
    if (pieces.unclosed || pieces.executable || list.empty() || !isWord(list.front(), "SELECT"))
        return {};
    const auto nameAt = [&](const Piece& p) {
        return p.kind == TokenKind::QuotedName ? p.text
                                               : std::string(sql.substr(p.begin, p.end - p.begin));
    };
    EditableSelect out;
    int depth = 0;
    bool inFrom = false;
    bool tableNext = false;
    for (std::size_t i = 1; i < list.size(); ++i) {
        const Piece& p = list[i];
        if (isSymbol(p, ';')) {
            if (i + 1 != list.size())
                return {};
            break;
        }
        if (isSymbol(p, '(')) {
            // A derived table or a bracketed join where a table belongs, or an aggregate.
            if (depth == 0 &&
                (tableNext || (list[i - 1].kind == TokenKind::Word && aggregate(list[i - 1].text))))
                return {};
            ++depth;
            continue;
        }
        if (isSymbol(p, ')')) {
            if (--depth < 0)
                return {};
            continue;
        }
        if (depth > 0)
            continue;
        if (p.kind == TokenKind::Word && foldsOrMore(p.text))
            return {};
        if (tableNext) {
            if (p.kind != TokenKind::Word && p.kind != TokenKind::QuotedName)
                return {};
            out.tables.push_back(nameAt(p));
            // schema.table (or catalog.schema.table): the table is the last part.
            while (i + 2 < list.size() && isSymbol(list[i + 1], '.') &&
                   (list[i + 2].kind == TokenKind::Word ||
                    list[i + 2].kind == TokenKind::QuotedName)) {
                out.tables.back() = nameAt(list[i + 2]);
                i += 2;
            }
            // A table function's rows are no table's.
            if (i + 1 < list.size() && isSymbol(list[i + 1], '('))
                return {};
            tableNext = false;
            continue;
        }
        if (isWord(p, "FROM")) {
            inFrom = tableNext = true;
        } else if (inFrom && (isWord(p, "JOIN") || isSymbol(p, ','))) {
            tableNext = true;
        } else if (p.kind == TokenKind::Word &&
                   oneOf(p.text, {"WHERE", "ORDER", "LIMIT", "OFFSET", "FETCH"})) {
            inFrom = false;
        }
    }
    if (depth != 0 || tableNext || out.tables.empty())
        return {};
    out.plain = true;
    return out;
}

} // namespace sql
