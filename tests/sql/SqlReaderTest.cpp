#include "sql/SqlStatement.h"

#include <gtest/gtest.h>

#include <string>

using namespace sql;

namespace {

const Dialect kOther{};
const Dialect kSqlite{Engine::Sqlite};
const Dialect kPg{Engine::PostgreSql};
const Dialect kMaria{Engine::MariaDb, true};
const Dialect kMariaNoEscapes{Engine::MariaDb, false};

// The tokens of text as "kind:text" words, blanks left out, to compare with a table.
std::string tokens(std::string_view text, Dialect d)
{
    static const char* const names[] = {"_", "C", "S", "N", "W", "#", "P"};
    std::string out;
    Lexer<char> lexer(text, d);
    Token t;
    while (lexer.next(t)) {
        if (t.kind == TokenKind::Blank)
            continue;
        out += names[static_cast<int>(t.kind)];
        out += t.unclosed ? "!" : ":";
        out.append(text.substr(t.begin, t.end - t.begin));
        out += ' ';
    }
    return out;
}

} // namespace

// Where strings, names and comments end, as each database reads them.
TEST(SqlReader, ReadsStringsNamesAndCommentsAsEachDatabaseDoes)
{
    const struct {
        const char* text;
        Dialect dialect;
        const char* tokens;
    } cases[] = {
        {"'it''s' x", kOther, "S:'it''s' W:x "},
        {R"('C:\temp\' x)", kPg, R"(S:'C:\temp\' W:x )"},
        {R"('C:\temp\' x)", kMaria, R"(S!'C:\temp\' x )"},
        {R"('C:\temp\' x)", kMariaNoEscapes, R"(S:'C:\temp\' W:x )"},
        {R"(E'a\'b' x)", kPg, R"(S:E'a\'b' W:x )"},
        {R"(e'a\'b' x)", kSqlite, R"(W:e S:'a\' W:b S!' x )"},
        {"$f$ it's $$ $f$ $1 a$b", kPg, "S:$f$ it's $$ $f$ P:$ #:1 W:a$b "},
        {"$$never", kPg, "S!$$never "},
        {"1$a$; x$a$;", kPg, "#:1 S:$a$; x$a$ P:; "},
        {"\"a\"\"b\" `c` [d]", kSqlite, "N:\"a\"\"b\" N:`c` N:[d] "},
        {"\"a\" `c` [d]", kPg, "N:\"a\" P:` W:c P:` P:[ W:d P:] "},
        {R"("a\"b" `c`)", kMaria, R"(S:"a\"b" N:`c` )"},
        {"/* a /* b */ c */ x", kPg, "C:/* a /* b */ c */ W:x "},
        {"/* a /* b */ c */ x", kSqlite, "C:/* a /* b */ W:c P:* P:/ W:x "},
        {"# note\nx", kMaria, "C:# note W:x "},
        {"# note\nx", kPg, "P:# W:note W:x "},
        {"a--b\nc -- d", kMaria, "W:a P:- P:- W:b W:c C:-- d "},
        {"a--b", kPg, "W:a C:--b "},
        {"/*!40101 SET x */", kMaria, "C:/*!40101 SET x */ "},
        {"1.5e-3 .5 0x1F", kOther, "#:1.5e-3 #:.5 #:0x1F "},
        {"/* open", kOther, "C!/* open "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(tokens(c.text, c.dialect), c.tokens);
    }
}

// A text read line by line, carrying what is open, gives the tokens of the whole text.
TEST(SqlReader, ReadsALineFromInsideWhatTheLineBeforeLeftOpen)
{
    const char16_t* lines[] = {u"select $x$ a", u"b $x$, '1", u"2', /* c /* d", u"*/ */ \"n",
                               u"m\" e"};
    Carry<char16_t> carry;
    std::u16string kinds;
    for (const char16_t* line : lines) {
        Lexer<char16_t> lexer(line, kPg, carry);
        Token t;
        while (lexer.next(t))
            if (t.kind != TokenKind::Blank)
                kinds += static_cast<char16_t>(u'0' + static_cast<int>(t.kind));
        carry = lexer.carry();
        kinds += u'|';
    }
    // Word, string | string, symbol, string | string, symbol, comment | comment, name | name, word
    EXPECT_EQ(kinds, u"42|262|261|13|34|");
    EXPECT_EQ(carry.open, Open::Nothing);
}

// What a statement may do, per database; anything unknown counts as a change.
TEST(SqlReader, ClassifiesChangesTransactionEndsAndTheReadOnlyRisks)
{
    constexpr unsigned Change = 1, Commit = 2, Rollback = 4, Ddl = 8, NoWhere = 16,
                       CommitsBefore = 32, AccessMode = 64, Refused = 128;
    const struct {
        const char* sql;
        Dialect dialect;
        unsigned flags;
    } cases[] = {
        {"select * from t", kOther, 0},
        {"  -- note\n SELECT 'DELETE' FROM t /* UPDATE */", kOther, 0},
        {"SELECT * FROM t FOR UPDATE", kPg, Change},
        {"select * from t for share", kPg, Change},
        {"SELECT * FROM t LOCK IN SHARE MODE", kMaria, Change},
        {"WITH x AS (DELETE FROM t RETURNING *) SELECT * FROM x", kPg, Change},
        {"/* SELECT */ DELETE FROM t", kOther, Change | NoWhere},
        {"update t set a = 1 where id = 2", kOther, Change},
        {"UPDATE t SET note = 'where'", kOther, Change | NoWhere},
        // The WHERE is inside the string for MariaDB, and a word for PostgreSQL.
        {R"(UPDATE t SET c='a\' WHERE ')", kMaria, Change | NoWhere},
        {R"(UPDATE t SET c='a\' WHERE ')", kPg, Change},
        {"INSERT INTO t VALUES (1)", kOther, Change},
        {"CALL p()", kOther, Change},
        {"create table x (a int)", kPg, Change | Ddl},
        {"create table x (a int)", kMaria, Change | Ddl | CommitsBefore | Refused},
        {"CREATE TEMPORARY TABLE x (a int)", kMaria, Change | Ddl | Refused},
        {"TRUNCATE t", kOther, Change | Ddl},
        {"frobnicate", kOther, Change},
        {"SHOW search_path", kPg, 0},
        {"EXPLAIN ANALYZE DELETE FROM t", kPg, Change},
        {"PRAGMA table_info(t)", kSqlite, 0},
        {"commit", kOther, Commit},
        {"ROLLBACK", kOther, Rollback},
        {"ROLLBACK TO SAVEPOINT a", kOther, 0},
        {"COMMIT; DELETE FROM t", kOther, Change | NoWhere},
        {"BEGIN", kPg, 0},
        {"BEGIN", kMaria, CommitsBefore},
        {"start transaction", kMaria, CommitsBefore},
        {"START TRANSACTION READ WRITE", kMaria, CommitsBefore | AccessMode | Refused},
        {"LOCK TABLES t WRITE", kMaria, CommitsBefore},
        {"LOCK TABLE t IN SHARE MODE", kPg, Change},
        {"SET autocommit = 1", kMaria, CommitsBefore},
        // Ways to make a read-only session writable.
        {"SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE", kPg, AccessMode | Refused},
        {"RESET ALL", kPg, AccessMode | Refused},
        {"DISCARD ALL", kPg, Change | AccessMode | Refused},
        {"select set_config('default_transaction_read_only','off',false)", kPg,
         Change | AccessMode | Refused},
        {"SET default_transaction_read_only = off", kPg, AccessMode | Refused},
        {"SET SESSION TRANSACTION READ/**/WRITE", kMaria, AccessMode | Refused},
        {"SET SESSION tx_read_only = 0", kMaria, AccessMode | Refused},
        {"/*!40101 SET SESSION tx_read_only = 0 */", kMaria, AccessMode | Refused},
        {"EXECUTE IMMEDIATE 'CREATE TABLE x(a int)'", kMaria, Change | AccessMode | Refused},
        {"PRAGMA query_only = 0", kSqlite, Change | AccessMode | Refused},
        {"ATTACH DATABASE 'x.db' AS att", kSqlite, Change | AccessMode | Refused},
        {"SELECT 'READ WRITE', \"read_only\" FROM t", kPg, 0},
        {"SET \"default_transaction_read_only\" = off", kPg, AccessMode | Refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        const StatementEffect e = classifyStatement(std::string_view(c.sql), c.dialect);
        const unsigned flags =
            (e.mayChange ? Change : 0u) | (e.commits ? Commit : 0u) |
            (e.rollsBack ? Rollback : 0u) | (e.ddl ? Ddl : 0u) | (e.withoutWhere ? NoWhere : 0u) |
            (e.commitsBefore ? CommitsBefore : 0u) | (e.touchesAccessMode ? AccessMode : 0u) |
            (refusedWhenReadOnly(e, c.dialect) ? Refused : 0u);
        EXPECT_EQ(flags, c.flags);
        // The same text in UTF-16 reads the same.
        const std::u16string wide(c.sql, c.sql + std::char_traits<char>::length(c.sql));
        EXPECT_EQ(classifyStatement(std::u16string_view(wide), c.dialect).mayChange, e.mayChange);
    }
}

// The driver layer's recognitions: the server's row cap and psqlODBC's cursor.
TEST(SqlReader, TellsPlainSelectsWritingWithsAndRawValuesThatKeepToThemselves)
{
    const struct {
        const char* sql;
        Dialect dialect;
        bool plain;
        bool writingWith;
    } cases[] = {
        {"SELECT * FROM big", kMaria, true, false},
        {" -- note\n/* c */ select a FROM t WHERE b = 'for;' AND `into` = 1;  ", kMaria, true,
         false},
        {"SELECT a FROM t UNION SELECT a FROM (SELECT a FROM u) v", kMaria, true, false},
        {"SELECT a FROM t FOR UPDATE", kMaria, false, false},
        {"SELECT a FROM t LOCK IN SHARE MODE", kMaria, false, false},
        {"SELECT a INTO OUTFILE '/tmp/x' FROM t", kMaria, false, false},
        {"SELECT a FROM t FOR SYSTEM_TIME ALL", kMaria, false, false},
        {"INSERT INTO t SELECT a FROM u", kMaria, false, false},
        {"WITH x AS (SELECT 'insert', \"delete\" FROM t) SELECT * FROM x -- update", kPg, false,
         false},
        {" /* c */ with x AS (INSERT INTO t VALUES (1) RETURNING a) SELECT * FROM x", kPg, false,
         true},
        {"WITH x AS (SELECT $$x$$) SELECT 1; DELETE FROM t", kPg, false, true},
        {"(SELECT a FROM t)", kMaria, false, false},
        {"SELECT 1; SELECT 2", kMaria, false, false},
        {R"(SELECT 'a\' FROM t)", kMaria, false, false},
        {R"(SELECT 'a\' FROM t)", kMariaNoEscapes, true, false},
        {"SELECT /*! SQL_NO_CACHE */ a FROM t", kMaria, false, false},
        {"SELECTED", kMaria, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(plainTopLevelSelect(c.sql, c.dialect), c.plain);
        EXPECT_EQ(writingWith(c.sql, c.dialect), c.writingWith);
    }
    const struct {
        const char* value;
        Dialect dialect;
        bool keeps;
    } values[] = {
        {"NULL", kPg, true},
        {"upper('a,b')", kPg, true},
        {"coalesce((1),2)", kOther, true},
        {"'x'); DROP TABLE victim; --", kPg, false},
        {"'a'),(11", kOther, false},
        {R"('C:\temp\')", kMaria, false},
        {R"('C:\temp\')", kPg, true},
        {"$$a'$$", kPg, true},
        {"1 -- c", kOther, false},
        {"/*!1*/", kMaria, false},
        {"'open", kSqlite, false},
        {"coalesce(?, 1)", kOther, false},
        {"$1", kPg, false},
    };
    for (const auto& v : values) {
        SCOPED_TRACE(v.value);
        EXPECT_EQ(keepsToItself(v.value, v.dialect), v.keeps);
    }
}

// Which results the grid may edit: one SELECT of a table's rows, as each database reads it.
TEST(SqlReader, TellsSelectsWhoseRowsAreTableRows)
{
    using Tables = std::vector<std::string>;
    const struct {
        const char* sql;
        Dialect dialect;
        Tables tables; // empty: not editable
    } cases[] = {
        {"SELECT * FROM Album", kSqlite, {"Album"}},
        {"select a.Title, a.AlbumId from main.Album a where a.ArtistId in (select 1) order by 1;",
         kSqlite,
         {"Album"}},
        {"SELECT \"名前\", (SELECT max(x) FROM u) FROM \"public\".\"商品 表\" WHERE b = 'GROUP BY'",
         kPg,
         {"商品 表"}},
        {"SELECT * FROM `order` o LEFT OUTER JOIN t2 ON o.id = t2.id, t3 LIMIT 5",
         kMaria,
         {"order", "t2", "t3"}},
        {"SELECT a FROM t -- UNION SELECT 1\n", kMaria, {"t"}},
        {"SELECT a FROM t WHERE b = 'it''s' FETCH FIRST 3 ROWS ONLY", kPg, {"t"}},
        {"SELECT DISTINCT a FROM t", kPg, {}},
        {"SELECT DISTINCTROW a FROM t", kMaria, {}},
        {"SELECT a, count(*) FROM t GROUP BY a", kSqlite, {}},
        {"SELECT count(*) FROM t", kSqlite, {}},
        {"SELECT SUM (n) FROM t", kPg, {}},
        {"SELECT a FROM t HAVING a > 1", kMaria, {}},
        {"SELECT a FROM t UNION ALL SELECT a FROM u", kSqlite, {}},
        {"SELECT a FROM t EXCEPT SELECT a FROM u", kPg, {}},
        {"SELECT a FROM t INTERSECT SELECT a FROM u", kMaria, {}},
        {"SELECT a, row_number() OVER (ORDER BY a) FROM t", kPg, {}},
        {"WITH x AS (SELECT a FROM t) SELECT a FROM x", kPg, {}},
        {"SELECT a FROM (SELECT a FROM t) q", kMaria, {}},
        {"SELECT a FROM t JOIN (SELECT a FROM u) q ON q.a = t.a", kSqlite, {}},
        {"SELECT * FROM generate_series(1, 3)", kPg, {}},
        {"SELECT a FROM t, LATERAL f(t.a)", kPg, {}},
        {"SELECT a FROM t FOR UPDATE", kPg, {}},
        {"SELECT a INTO u FROM t", kPg, {}},
        {"SELECT a FROM t; SELECT b FROM u", kSqlite, {}},
        {"SELECT 1", kSqlite, {}},
        {"SELECT a FROM", kSqlite, {}},
        {"SELECT a FROM t WHERE b = 'open", kSqlite, {}},
        {"SELECT /*!40001 DISTINCT */ a FROM t", kMaria, {}},
        {"(SELECT a FROM t)", kMaria, {}},
        {"UPDATE t SET a = 1", kMaria, {}},
        {R"(SELECT a FROM t WHERE b = 'x\' UNION SELECT 1 --')", kMaria, {"t"}},
        {R"(SELECT a FROM t WHERE b = 'x\' UNION SELECT 1 --')", kMariaNoEscapes, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        const EditableSelect read = readEditableSelect(c.sql, c.dialect);
        EXPECT_EQ(read.plain, !c.tables.empty());
        EXPECT_EQ(read.tables, c.tables);
    }
}
