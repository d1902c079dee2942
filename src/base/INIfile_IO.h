#pragma once

#include <QString>

// The settings file: a private-profile INI file in code page 932. Sections and keys match
// case-insensitively, blanks around values are ignored, and a write keeps every other line of
// the file. Reading never fails: anything missing or unreadable reads as the empty text.
class INIfile_IO {
public:
    explicit INIfile_IO(QString path);

    const QString& path() const { return path_; }

    // The value of key in section, cut to 1023 bytes (on a character boundary); empty when
    // missing.
    QString ReadIniValue(const QString& section, const QString& key) const;
    // Writes key=value into [section], creating the file (mode 0600: it holds passwords) or the
    // section when needed. An empty value writes "key=". Returns false when the file could not
    // be written; the file is then unchanged.
    bool WriteIniValue(const QString& section, const QString& key, const QString& value);

    static constexpr int kMaxValueBytes = 1023;

private:
    QString path_;
};
