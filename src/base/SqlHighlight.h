#pragma once

#include "sql/SqlLexer.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QSyntaxHighlighter>

#include <string>
#include <unordered_map>
#include <vector>

class QTextDocument;

// Colouring of SQL text, shared by the input area and the statement boxes of the history and
// template windows. Lines are read by the SQL reader one at a time, each from inside whatever
// the line before left open (a comment, a string, a quoted name, a dollar quote), so that a
// highlighter touches only the lines an edit changed.
namespace sqlhighlight {

enum class Kind { Keyword, String, QuotedName, Number, Comment };

struct Span {
    qsizetype start = 0;
    qsizetype length = 0;
    Kind kind = Kind::Keyword;
};

// The keywords folded once (case, width and kana blind, as the keyword search compares).
class Keywords {
public:
    Keywords() = default;
    explicit Keywords(const QStringList& words);
    bool contains(QStringView word) const;
    bool isEmpty() const { return folded_.isEmpty(); }

private:
    QSet<QString> folded_;
};

// The coloured spans of one line, read as the dialect's database reads it from inside what
// `open` carries; returns what is still open at its end. A word token is a keyword when the
// list has it; a number token is coloured when it is a decimal or hexadecimal number ("2nd" is
// a name on MariaDB).
sql::Carry<char16_t> scanLine(QStringView line, sql::Carry<char16_t> open, sql::Dialect dialect,
                              const Keywords& keywords, std::vector<Span>& spans);

} // namespace sqlhighlight

// Colours a document's SQL; it changes only the look of the text, never the text, its undo
// or its modified flag. Off, the document shows no colours and costs nothing while typed.
class SqlHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    explicit SqlHighlighter(QTextDocument* document);

    void setKeywords(const QStringList& keywords);
    // The connected database's way of reading SQL; the text is coloured again when it changes.
    void setDialect(sql::Dialect dialect);
    sql::Dialect dialect() const { return dialect_; }
    void setOn(bool on);
    bool isOn() const { return on_; }
    // Lighter colours for a dark background, so the text stays readable on it.
    void setDarkBackground(bool dark);
    // The colour of a kind of text, as the current background asks for.
    QColor colour(sqlhighlight::Kind kind) const;

protected:
    void highlightBlock(const QString& text) override;

private:
    // A line's block state: what is open at its end, with a comment's depth or a dollar
    // quote's tag as a number, so that equal states mean equal carries and an edit colours on
    // exactly while the carry differs.
    int stateOf(const sql::Carry<char16_t>& carry);
    sql::Carry<char16_t> carryOf(int state) const;

    QTextDocument* target_;
    sqlhighlight::Keywords keywords_;
    sql::Dialect dialect_;
    std::vector<sqlhighlight::Span> spans_;
    // Dollar quote tags met so far, numbered in the order met; a number is never reused.
    std::vector<std::u16string> tags_;
    std::unordered_map<std::u16string, int> tagNumbers_;
    bool on_ = true;
    bool dark_ = false;
};
