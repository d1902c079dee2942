#pragma once

#include "history/ClassSQL.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The statement-list file shared by SQLHIST.TXT and SQLTMPL.TXT: code page 932, records of
// header, TAB, statement, each followed by the separator CR LF "/" CR LF.
namespace stmtfile {

// The records of a file as they are stored (bytes, separator removed). Separators are found
// on the bytes: CR, LF and "/" are never the second byte of a CP932 character, so bytes that
// are not CP932 survive a rewrite untouched. Empty records are skipped; a rest without a final
// separator is the last record.
QList<QByteArray> splitRecords(const QByteArray& fileBytes);

// A stored record as text: split at its first TAB; without TAB the header is empty.
ClassSQL decodeRecord(const QByteArray& record);
QList<ClassSQL> decodeRecords(const QList<QByteArray>& records);

// A record with its separator, ready to be written. A TAB or line break in the header becomes a
// space (the first TAB ends the header), and a statement line that is exactly "/" gets a space
// behind it, so that it never reads back as a separator.
QByteArray encodeRecord(const ClassSQL& entry);
// Stored records joined again, each followed by the separator.
QByteArray joinRecords(const QList<QByteArray>& records);

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
