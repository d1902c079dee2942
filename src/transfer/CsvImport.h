#pragma once

#include "odbc/ParamValue.h"
#include "sql/SqlLexer.h"
#include "transfer/Delimiter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <string>
#include <string_view>
#include <vector>

class QIODevice;

// The rules that turn the lines of a delimited file into INSERT statements, without widgets.
// A load builds one statement per line, so the rules work on UTF-8 bytes in buffers that are
// used again line after line; building them as QStrings cost as much as SQLite's insert.
namespace csvimport {

// One field of a line (UTF-8). A quoted field is one that opens with a double quote and closes
// with one right before the delimiter or the end of the line: delimiters inside it do not split
// it and a doubled quote inside it is one quote. Its text is what lies between the quotes.
struct Field {
    std::string text;
    bool quoted = false;
};

// Cuts a line into fields at every whole occurrence of the delimiter outside quoted fields.
// Blanks around a quoted field are dropped. An empty line is one empty field. The elements of
// fields are used again (their buffers kept); the count of fields is returned.
std::size_t splitLine(std::string_view line, std::string_view delimiter,
                      std::vector<Field>& fields);

// How a field goes to the database. A quoted field is a string value, bound as a parameter. Any
// other field loses its NUL characters and surrounding blanks; nothing left, or NULL, is NULL; a
// plain number is bound (as a number where the driver types values by their buffer, else as
// text the database converts for its column). A text that starts and ends with a double quote
// without being a quoted field is the text between them. Any other text is the user's SQL (an
// expression): it goes into the statement as it stands, the line then sent alone, and only
// when it keeps to itself (sql::keepsToItself); a text that starts or ends with a lone double
// quote becomes a literal that never closes, and so is refused.
enum class ValueKind { Bound, Raw };

// The statement for one line of a file and its bound values, in buffers used again line after
// line (building them as QStrings cost as much as SQLite's insert).
class StatementBuilder {
public:
    StatementBuilder(const QString& head, const QString& delimiter,
                     FileEncoding encoding = FileEncoding::Cp932, sql::Dialect dialect = {},
                     bool numbersByType = false);
    // Reads one line of the file's bytes (in the file's encoding, without its line break).
    // badValues grows by the number of values holding bytes that the encoding cannot read
    // (read as U+FFFD).
    void build(std::string_view fileLine, int* badValues = nullptr);
    // The same for a line already read as text.
    void buildText(std::string_view utf8Line, int* badValues = nullptr);

    // The number of the line's values.
    std::size_t fieldCount() const { return fieldCount_; }
    // Every value is bound: the line shares "<head> VALUES(?,...)" with the lines of its count.
    bool allBound() const { return raw_ == 0; }
    // The line's own statement: "?" for a bound value, a raw value as it stands.
    const std::string& statement() const { return sql_; }
    // The bound values, in the order of their markers; views into the builder.
    const std::vector<ParamValue>& params() const { return params_; }
    // Why the line is not sent (a raw value that does not keep to itself); empty when it is.
    const QString& refusal() const { return refusal_; }
    // Whether a bound value is a number, shown as it stands.
    bool bare(std::size_t param) const { return bare_[param]; }
    // The statement as a user could run it, values written as literals: for showing only.
    std::string shown() const;

private:
    std::string head_;
    std::string delimiter_;
    FileEncoding encoding_;
    sql::Dialect dialect_;
    bool numbersByType_;
    std::string utf8_;
    std::vector<Field> fields_;
    // Texts of unquoted values after trimming, one per field.
    std::vector<std::string> texts_;
    std::string sql_;
    std::vector<ParamValue> params_;
    std::vector<bool> bare_;
    std::vector<ValueKind> kinds_;
    std::size_t fieldCount_ = 0;
    std::size_t raw_ = 0;
    QString refusal_;
};

// Appends a bound value as a literal of a statement shown to the user (never sent).
void appendShownValue(const ParamValue& value, bool bare, std::string& out);

// The statement for one line read as text, as a user could run it (what is shown for it).
QString insertStatement(const QString& head, QStringView line, QStringView delimiter,
                        int* badValues = nullptr);

// The target of the INSERT: a name chosen from the list of tables and synonyms is quoted when
// it needs to be; a name typed by the user is used as typed.
QString targetName(const QString& typed, const QStringList& listed);

// "(A,B,C)" from a header line: each field a column name, quoted when it contains a blank or
// a double quote.
QString columnList(QStringView headerLine, QStringView delimiter);

// The text of a file's bytes in its encoding, as UTF-8; bytes it cannot read become U+FFFD.
std::string fileTextToUtf8(std::string_view bytes, FileEncoding encoding);

// Line reader over a device holding code page 932 or UTF-8 text: lines end at LF, a CR before
// it is part of the line break. Bytes the encoding cannot read become U+FFFD in next(); a
// UTF-8 byte-order mark at the start is skipped.
//
// With quotedLineBreaks, a record, not a line, is read: a line break inside a quoted field (one
// that opens with a double quote after the delimiter or the record's start, blanks between)
// is part of the value, as the export writes values with line breaks. Double quotes, LF and CR
// are never part of a double-byte character of code page 932, so the bytes can be scanned as
// they are.
struct FileFormat {
    FileEncoding encoding = FileEncoding::Cp932;
    bool quotedLineBreaks = false;
    // In the file's encoding; needed for quotedLineBreaks.
    QByteArray delimiter;
};

class LineSource {
public:
    explicit LineSource(QIODevice& device, FileFormat format = FileFormat());
    // The next line's bytes, valid until the next call; false at the end of the device or when
    // it cannot be read (then failed() says so).
    bool nextBytes(std::string_view& line);
    // The next line as text.
    bool next(QString& line);
    // A read of the device failed: what came before it was read, the rest is missing.
    bool failed() const { return failed_; }

private:
    // With quotedLineBreaks: where the record that began at start_ ends (its LF), scanning on
    // from searched_; -1 when the bytes so far end inside it.
    qsizetype recordEnd(const char* data, qsizetype available);

    QIODevice& device_;
    FileFormat format_;
    QByteArray buffer_;
    qsizetype start_ = 0;
    qsizetype searched_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
    bool started_ = false;
    // The scan of the current record, kept across reads of the device.
    bool fieldStart_ = true;
    bool inQuote_ = false;
};

// The delimiter as a file of that encoding holds it.
QByteArray delimiterBytes(const QString& delimiter, FileEncoding encoding);

// Lines in the device from its current position to its end, as LineSource reads them (a last
// line without a line break counts). -1 when reading fails.
qint64 countLines(QIODevice& device);
// The same for the records of a format (a line break inside quotes does not count).
qint64 countRecords(QIODevice& device, const FileFormat& format);

} // namespace csvimport
