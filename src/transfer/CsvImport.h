#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

class QIODevice;

// The rules that turn the lines of a delimited file into INSERT statements, without widgets.
namespace csvimport {

// One field of a line. A quoted field is one that opens with a double quote and closes with
// one right before the delimiter or the end of the line: delimiters inside it do not split it
// and a doubled quote inside it is one quote. Its text is what lies between the quotes.
struct Field {
    QString text;
    bool quoted = false;
};

// Cuts a line into fields at every whole occurrence of the delimiter outside quoted fields.
// Blanks around a quoted field are dropped. An empty line is one empty field.
QVector<Field> splitLine(QStringView line, QStringView delimiter);

// The SQL value of a field: a quoted field is one string literal with its apostrophes doubled.
// Any other field loses its NUL characters and surrounding blanks; nothing left is NULL; a text
// that starts or ends with a double quote has its apostrophes doubled and that quote turned
// into an apostrophe; any other text goes into the statement as it stands (numbers,
// expressions).
QString sqlValue(const Field& field);

// The target of the INSERT: a name chosen from the list of tables and synonyms is quoted when
// it needs to be; a name typed by the user is used as typed.
QString targetName(const QString& typed, const QStringList& listed);

// "(A,B,C)" from a header line: each field a column name, quoted when it contains a blank or
// a double quote.
QString columnList(QStringView headerLine, QStringView delimiter);

// "<head> VALUES(<values>)" for one line. badValues grows by the number of values holding a
// character the file's code page could not give (read as U+FFFD).
QString insertStatement(const QString& head, QStringView line, QStringView delimiter,
                        int* badValues = nullptr);

// Line reader over a device holding code page 932 text: lines end at LF, a CR before it is
// part of the line break. Bytes that are not code page 932 read as U+FFFD.
class LineSource {
public:
    explicit LineSource(QIODevice& device) : device_(device) {}
    // False at the end of the device or when it cannot be read.
    bool next(QString& line);

private:
    QIODevice& device_;
};

// Lines in the device from its current position to its end, as LineSource reads them (a last
// line without a line break counts). -1 when reading fails.
qint64 countLines(QIODevice& device);

} // namespace csvimport
