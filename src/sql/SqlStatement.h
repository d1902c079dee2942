#pragma once

#include "sql/SqlLexer.h"

#include <string>
#include <string_view>
#include <vector>

// What a statement is, read through the lexer: its meaningful tokens, what it may do to the
// transaction and the session, and the recognitions of the driver layer.
namespace sql {

// A token that means something to the statement; blanks and comments are left out, and the
// text of MariaDB's executable comments is read as the statement's own.
struct Piece {
    TokenKind kind = TokenKind::Symbol;
    // A word in ASCII upper case; a quoted name without its quotes (UTF-8); a symbol's
    // character; empty for strings and numbers.
    std::string text;
    std::size_t begin = 0;
    std::size_t end = 0;
};

struct Pieces {
    std::vector<Piece> list;
    // A string, quoted name or comment is still open at the end of the text.
    bool unclosed = false;
    // An executable comment was read as code.
    bool executable = false;
    // Comments were met (outside executable ones).
    bool comments = false;
};

Pieces readPieces(std::string_view text, Dialect dialect);
Pieces readPieces(std::u16string_view text, Dialect dialect);

// What a statement may do to the transaction and the session, read from its words. Whatever
// cannot be told is taken as a change. Text with several statements (";" outside strings and
// comments) is read statement by statement, each flag set when any of them sets it; commits
// and rollsBack only for a text that is that one statement.
struct StatementEffect {
    bool mayChange = false;      // may change data or take locks until COMMIT or ROLLBACK
    bool commits = false;        // COMMIT (END)
    bool rollsBack = false;      // ROLLBACK, not ROLLBACK TO a savepoint
    bool ddl = false;            // CREATE, ALTER, DROP, TRUNCATE, RENAME, GRANT, REVOKE, ...
    bool updateOrDelete = false; // UPDATE or DELETE
    bool withoutWhere = false;   // an UPDATE or DELETE with no WHERE anywhere
    bool savepoints = false;     // SAVEPOINT, RELEASE or ROLLBACK TO of the user's own
    // The database commits the open transaction before running it (MariaDB: BEGIN, START
    // TRANSACTION, DDL also when it fails, LOCK TABLES, ...).
    bool commitsBefore = false;
    // May make a read-only session writable (an access-mode setting, a reset of the session's
    // settings, SQLite's ATTACH), or runs SQL the reader cannot see (MariaDB's PREPARE and
    // EXECUTE): refused on a read-only connection.
    bool touchesAccessMode = false;
    // Changes how the session reads text (MariaDB's sql_mode): the dialect is asked again.
    bool changesSqlMode = false;
    int statements = 0;
    bool unclosed = false;
};

StatementEffect classifyStatement(std::string_view sql, Dialect dialect);
StatementEffect classifyStatement(std::u16string_view sql, Dialect dialect);

// Whether the statement is refused on a read-only connection before it is sent: it may undo
// the read-only setting, or on MariaDB it is DDL, which the server lets through read-only
// transactions.
bool refusedWhenReadOnly(const StatementEffect& effect, Dialect dialect);

// A statement that is only COMMIT (or END) or ROLLBACK, with WORK or TRANSACTION and a ";" at
// most: the driver's transaction call does the same and keeps the driver's state right.
enum class TransactionEnd { None, Commit, Rollback };
TransactionEnd transactionEndOf(std::string_view sql, Dialect dialect);

// True when sql is one SELECT whose whole result is what the server's limit of rows sent to
// the client (MariaDB's sql_select_limit) cuts, and nothing else: it begins with SELECT and has
// no INTO, FOR (UPDATE, SYSTEM_TIME), LOCK, PROCEDURE, second statement, executable comment or
// unclosed string or comment. Subqueries and UNION parts are not cut by the limit.
bool plainTopLevelSelect(std::string_view sql, Dialect dialect);

// True when sql begins with WITH and has INSERT, UPDATE, DELETE or MERGE among its words (or
// cannot be read to its end): it may change data, which PostgreSQL refuses inside the DECLARE
// CURSOR that psqlODBC's UseDeclareFetch puts round a statement it takes for a query.
bool writingWith(std::string_view sql, Dialect dialect);

// Whether a raw value, put into "VALUES(...)" as it stands, stays one value of one row of one
// statement: every string, name and comment in it closes, it has no comment (a line comment
// would swallow what follows), no ";", no parameter marker ("?", PostgreSQL's "$1"), and its
// parentheses close in order.
bool keepsToItself(std::string_view value, Dialect dialect);

// One SELECT whose rows are rows of the tables it reads, as the result grid may edit them: no
// WITH, DISTINCT, GROUP BY, HAVING, set operator, aggregate or window function, subquery or
// parenthesis where a table belongs, INTO, FOR, LOCK, second statement, executable comment or
// unclosed text. Subqueries elsewhere (WHERE, the column list) do not count.
struct EditableSelect {
    bool plain = false;
    // The tables of its FROM clause and joins in order, each by the last part of its name as
    // written (quoted names without their quotes); empty when not plain.
    std::vector<std::string> tables;
};
EditableSelect readEditableSelect(std::string_view sql, Dialect dialect);

} // namespace sql
