#pragma once

#include <QString>
#include <QVector>

// A statement's names and punctuation, with strings and comments (-- and /* */) left out: what
// reading a statement's words needs (its kind for the pending work, its tables for completion).
struct SqlToken {
    enum class Kind { Word, Quoted, Punctuation };
    QString text; // a quoted name without its quotes
    Kind kind = Kind::Word;
};

QVector<SqlToken> SqlTokens(const QString& sql);
