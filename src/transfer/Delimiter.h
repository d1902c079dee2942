#pragma once

#include <QString>

#include <optional>

// The text of an option box without its surrounding spaces (U+0020 only): a tab, a line break
// or a full-width space is a choice the user made.
QString trimSpaces(const QString& typed);

// The field delimiter as typed into an editable delimiter box: spaces trimmed, and "TAB" is the
// tab character. A text of spaces means one space (trimming it would glue the fields together);
// an empty text is no delimiter at all.
std::optional<QString> delimiterFromBox(const QString& typed);

// The encoding of a delimited file, chosen in the "文字コード：" box of the export and load
// windows (items in this order; code page 932 is the default, as files for other Japanese
// tools are). A UTF-8 file is written with a byte-order mark, and one is skipped when read.
enum class FileEncoding { Cp932 = 0, Utf8 = 1 };
inline const char* const kEncodingItems[] = {"Shift_JIS(CP932)", "UTF-8"};
