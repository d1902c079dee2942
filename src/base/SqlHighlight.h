#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QSyntaxHighlighter>

#include <vector>

class QTextDocument;

// Colouring of SQL text, shared by the input area and the statement boxes of the history and
// template windows. The scanner works on one line at a time and carries what is still open at
// its end (a block comment, a string, a quoted name) into the next, so that a highlighter
// touches only the lines an edit changed.
namespace sqlhighlight {

enum class Kind { Keyword, String, QuotedName, Number, Comment };

// What is open at the end of a line. Strings and quoted names may hold line breaks in SQL.
enum class Open { Nothing = 0, Comment = 1, String = 2, QuotedName = 3, BackQuotedName = 4 };

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

// The coloured spans of one line, which starts inside whatever `open` says; returns what is
// still open at its end. A word is a run of letters, digits, "_", "$" and "#"; only a whole word
// is a keyword or a number. "--" comments to the end of the line; "/* */" comments do not nest;
// a quote doubled inside a string or quoted name is part of it.
Open scanLine(QStringView line, Open open, const Keywords& keywords, std::vector<Span>& spans);

} // namespace sqlhighlight

// Colours a document's SQL; it changes only the look of the text, never the text, its undo
// or its modified flag. Off, the document shows no colours and costs nothing while typed.
class SqlHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    explicit SqlHighlighter(QTextDocument* document);

    void setKeywords(const QStringList& keywords);
    void setOn(bool on);
    bool isOn() const { return on_; }
    // Lighter colours for a dark background, so the text stays readable on it.
    void setDarkBackground(bool dark);
    // The colour of a kind of text, as the current background asks for.
    QColor colour(sqlhighlight::Kind kind) const;

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextDocument* target_;
    sqlhighlight::Keywords keywords_;
    std::vector<sqlhighlight::Span> spans_;
    bool on_ = true;
    bool dark_ = false;
};
