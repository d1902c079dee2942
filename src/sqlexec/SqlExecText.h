#pragma once

#include "sql/SqlStatement.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string_view>

// Texts of SQL execution that need no widget: statement splitting, the continue question, the
// status-bar and fetch-strip numbers, and the width measure of number cells.

// Cuts an input text into the statements of one run. Only blanks (U+0020) are trimmed, from
// the whole text and from every piece; line breaks are "\n". A separator is "\n/", i.e. a "/"
// opening any line but the first; blank lines straight after the separator line are
// swallowed, and text after the "/" on the same line starts the next piece. Empty pieces are
// left out. Scanning stops once the scan position reaches the last character, so a lone
// character after the last separator (or a one-character text) yields nothing.
QStringList SplitStatements(const QString& text);

// The statement as the continue question shows it: whole up to 40 characters, else its first
// 40 followed by "..." (a surrogate pair is never cut in two).
QString StatementPreview(const QString& statement);

// The text of the "SQL連続実行" question for a statement.
QString ContinueQuestionText(const QString& statement);

// Elapsed time as the "time" panel writes it after "実行時間：". Below one hour mm'ss''cc
// (hundredths, rounded); from one hour on hh:nn:ss with whole seconds rounded, the hours
// growing beyond two digits rather than wrapping after a day.
QString ElapsedTimeText(std::int64_t ms);

// Milliseconds as seconds with three decimals, at least one digit before the point ("#0.000").
QString SecondsText(std::int64_t ms);
// The status bar's "SQLCode:" and "行数:" panels of a run.
QString StatusCodeText(int code);
QString RowCountText(std::int64_t rows);
// The title of a failed statement's box, and the word for a run without a connection.
QString ExecErrorTitle();
QString NotConnectedText();

// The row-number cell: the number right-aligned in 6 characters (its last 6 characters).
QString RowNumberText(std::int32_t number);

// Most characters seen before and after the decimal point in a number column.
struct NumberWidth {
    std::int16_t before = 0;
    std::int16_t after = 0;
};

// Characters before and after the first "." of a number text (a minus sign counts before it);
// without a point the whole length counts before it.
NumberWidth MeasureNumber(const QString& value);

// Widens width to hold value.
void WidenNumberWidth(NumberWidth& width, const QString& value);

// What a statement may do to the transaction and the session, as the connected database
// reads it.
using StatementEffect = sql::StatementEffect;
StatementEffect ClassifyStatement(const QString& sql, sql::Dialect dialect);

// The statement's first word in upper case, as the reader finds it after comments.
QString FirstWord(const QString& sql, sql::Dialect dialect);
