#pragma once

#include <QString>

#include <string_view>

// UTF-8 bytes (a driver's texts, a file's values) as QString, every character kept: Qt's
// QString::fromUtf8 drops a leading U+FEFF, which is part of the value here. Invalid bytes
// read as U+FFFD.
QString textFromUtf8(std::string_view utf8);
