#pragma once

#include "history/ClassSQL.h"
#include "text/CodePage.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The statement-list file shared by SQLHIST.TXT and SQLTMPL.TXT: records of header, TAB,
// statement, each followed by the separator CR LF "/" CR LF. The file is code page 932 while
// every record survives it exactly, else UTF-8 behind a byte-order mark (codepage::FileCoding).
namespace stmtfile {

using codepage::FileCoding;

inline FileCoding codingOf(const QByteArray& fileBytes)
{
    return codepage::codingOf(std::string_view(fileBytes.constData(), fileBytes.size()));
}

// The records of a file as they are stored (bytes, separator and byte-order mark removed).
// Separators are found on the bytes: CR, LF and "/" are never the second byte of a CP932
// character nor part of a UTF-8 sequence, so bytes that are not text survive a rewrite
// untouched. Empty records are skipped; a rest without a final separator is the last record.
QList<QByteArray> splitRecords(const QByteArray& fileBytes);

// A stored record as text: split at its first TAB; without TAB the header is empty.
ClassSQL decodeRecord(const QByteArray& record, FileCoding coding = FileCoding::Cp932);
QList<ClassSQL> decodeRecords(const QList<QByteArray>& records,
                              FileCoding coding = FileCoding::Cp932);

// A record with its separator, ready to be written. A TAB or line break in the header becomes a
// space (the first TAB ends the header), and a statement line that is exactly "/" gets a space
// behind it, so that it never reads back as a separator.
QByteArray encodeRecord(const ClassSQL& entry, FileCoding coding = FileCoding::Cp932);
// The same without the separator, as splitRecords gives a stored record.
QByteArray recordBytes(const ClassSQL& entry, FileCoding coding = FileCoding::Cp932);
// True when the record reads back from code page 932 exactly as it is.
bool cp932HoldsExactly(const ClassSQL& entry);
// A stored record in another coding (CP932 bytes that are not CP932 become U+FFFD, as they
// read).
QByteArray recodeRecord(const QByteArray& record, FileCoding from, FileCoding to);
// Stored records joined again, each followed by the separator; a UTF-8 file begins with its
// byte-order mark.
QByteArray joinRecords(const QList<QByteArray>& records, FileCoding coding = FileCoding::Cp932);

// The statement made into one line, as list rows and combo entries show it: TABs become spaces,
// spaces and leading and trailing line breaks go, inner line breaks show as "↓".
QString oneLine(const QString& statement);

// Whole-file read; false (and empty bytes) when the file cannot be read.
bool readFile(const QString& path, QByteArray& bytes);
// Replaces the file through a temporary file beside it: a failed write leaves the old file. A
// new file gets mode 0600 (statements can hold passwords); an existing one keeps its mode.
bool replaceFile(const QString& path, const QByteArray& bytes);
// Appends in one write to a file opened for appending (created 0600), so records that two
// program instances append at the same time never interleave.
bool appendToFile(const QString& path, const QByteArray& bytes);

} // namespace stmtfile
