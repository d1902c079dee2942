#pragma once

#include <QByteArray>
#include <QString>

// Plain text helpers of the SQL input area.
namespace sqltext {

// Position of the first placeholder ("?" or the full-width "？") at or after from; -1 if none.
qsizetype findPlaceholderRight(const QString& text, qsizetype from);

// The text of an SQL file: UTF-8 when it begins with a byte-order mark (the mark dropped) or
// its bytes are valid UTF-8, else code page 932, as files from Japanese Windows systems are.
// Line breaks become "\n". notText, when given, tells whether the bytes were none of these:
// they were read with replacement characters.
QString decodeSqlFile(const QByteArray& bytes, bool* notText = nullptr);

// Reading an SQL file for the input area. Only regular files are read: a FIFO or device would
// hold the window for ever (nothing may ever write to it) or fill the memory (/dev/zero).
enum class SqlFileRead { Read, CannotOpen, NotARegularFile, TooLarge };
// Larger than any statement list worth editing in the input area.
inline constexpr qint64 kSqlFileMaxBytes = 16 * 1024 * 1024;
// The file's bytes when it is a regular file of at most kSqlFileMaxBytes; never blocks.
SqlFileRead readSqlFile(const QString& path, QByteArray& bytes);
// The box text for a file that is refused (empty for Read and CannotOpen, which are silent).
QString sqlFileRefusal(SqlFileRead result, const QString& path);

// The selection of a double-click without the spaces that follow the word: the new length.
int trimmedSelectionLength(const QString& selected);

} // namespace sqltext
