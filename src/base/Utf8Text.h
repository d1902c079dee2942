#pragma once

#include <QString>
#include <QStringView>

#include <string_view>

// UTF-8 bytes (a driver's texts, a file's values) as QString, every character kept: Qt's
// QString::fromUtf8 drops a leading U+FEFF, which is part of the value here. Invalid bytes
// read as U+FFFD.
QString textFromUtf8(std::string_view utf8);

// A text's UTF-16 code units as the SQL reader takes them, without a copy.
inline std::u16string_view utf16View(QStringView text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}
