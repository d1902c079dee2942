#pragma once

#include "odbc/comm/ResultSetInfo.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The quote character as chosen in the quote box: spaces trimmed; a text longer than one character
// ("(なし)") means no quote at all.
QString quoteFromBox(const QString& typed);

// Builds the lines of a delimited export from UTF-8 values, for a file in code page 932 (CR LF
// after each line) or for the clipboard (UTF-8). Values of character and date/time columns are
// enclosed in the quote, with a quote inside doubled, so the file reads back as written; a
// value of another column is written bare unless it holds the delimiter, the quote, CR or LF,
// which would break the line apart (wide-character columns are of that kind). Date/time values
// lose a zero date or a midnight time. A value holding a character that code page 932 lacks is
// written with "?" for it and counted; a UTF-8 file holds every character.
//
// A NULL is a view without data (std::string_view()), an empty text a view of no bytes. When
// markNull is set they are written apart: NULL as nothing, unquoted, in every column, and an
// empty text as two quotes, so that a load reads them back as they were. Otherwise both are
// the empty text, quoted as their column is.
class ExportLineBuilder {
public:
    enum class Target { Cp932File, Utf8File, Utf8Text };

    ExportLineBuilder(const QString& delimiter, const QString& quote, Target target,
                      bool markNull = false);

    // Every name in double quotes whatever the quote choice, joined by the delimiter.
    void appendHeader(const QStringList& names, std::string& out);
    // One line of values; kinds holds one kind per value (a missing kind counts as Text).
    void appendRow(const std::vector<std::string_view>& values, const ColumnKinds& kinds,
                   std::string& out);

    // Values (and names) written with "?" for characters code page 932 cannot hold.
    std::uint64_t replacedValues() const { return replaced_; }

private:
    void appendField(std::string_view value, ColumnKind kind, std::string_view quote,
                     std::string& out);
    void appendText(std::string_view utf8, std::string& out);
    void appendLineEnd(std::string& out);

    std::string delimiter_; // UTF-8
    std::string quote_;     // UTF-8, empty for none
    std::string delimiterOut_;
    Target target_;
    bool markNull_;
    std::uint64_t replaced_ = 0;
    std::string doubled_;
};

// True when text is a plain decimal number ("-12", "0.99") that a spreadsheet cell holds
// exactly as a number: at most 15 significant digits, so a long code or a large BIGINT is kept
// as text rather than rounded.
bool spreadsheetNumber(const QString& text, double& value);

// The warning at the end of an export whose values lost characters to "?".
QString replacedValuesText(std::uint64_t count);
