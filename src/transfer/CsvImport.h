#pragma once

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

// Appends the SQL value of a field: a quoted field is one string literal with its apostrophes
// doubled. Any other field loses its NUL characters and surrounding blanks; nothing left is
// NULL; a text that starts or ends with a double quote has its apostrophes doubled and that
// quote turned into an apostrophe; any other text goes into the statement as it stands
// (numbers, expressions).
void appendSqlValue(const Field& field, std::string& sql);

// "<head> VALUES(<values>)" for line after line, in one buffer.
class StatementBuilder {
public:
    StatementBuilder(const QString& head, const QString& delimiter);
    // The statement for one line of the file's bytes (code page 932, without its line break);
    // valid until the next call. badValues grows by the number of values holding bytes that
    // are not code page 932 (read as U+FFFD).
    std::string_view build(std::string_view fileLine, int* badValues = nullptr);
    // The same for a line already read as text.
    std::string_view buildText(std::string_view utf8Line, int* badValues = nullptr);
    // The statement built last.
    std::string_view statement() const { return sql_; }

private:
    std::string head_;
    std::string delimiter_;
    std::string utf8_;
    std::vector<Field> fields_;
    std::string sql_;
};

// The statement for one line read as text (what a load sends for it).
QString insertStatement(const QString& head, QStringView line, QStringView delimiter,
                        int* badValues = nullptr);

// The target of the INSERT: a name chosen from the list of tables and synonyms is quoted when
// it needs to be; a name typed by the user is used as typed.
QString targetName(const QString& typed, const QStringList& listed);

// "(A,B,C)" from a header line: each field a column name, quoted when it contains a blank or
// a double quote.
QString columnList(QStringView headerLine, QStringView delimiter);

// Line reader over a device holding code page 932 text: lines end at LF, a CR before it is
// part of the line break. Bytes that are not code page 932 read as U+FFFD.
class LineSource {
public:
    explicit LineSource(QIODevice& device) : device_(device) {}
    // The next line's bytes, valid until the next call; false at the end of the device or when
    // it cannot be read.
    bool nextBytes(std::string_view& line);
    // The next line as text.
    bool next(QString& line);

private:
    QIODevice& device_;
    QByteArray buffer_;
    qsizetype start_ = 0;
    qsizetype searched_ = 0;
    bool atEnd_ = false;
};

// Lines in the device from its current position to its end, as LineSource reads them (a last
// line without a line break counts). -1 when reading fails.
qint64 countLines(QIODevice& device);

} // namespace csvimport
