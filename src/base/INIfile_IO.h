#pragma once

#include <QString>

#include <functional>

// The settings file: a private-profile INI file in code page 932, or UTF-8 behind a byte-order
// mark once a written text needs it (codepage::FileCoding). Sections and keys match
// case-insensitively (ASCII letters only), blanks around values are ignored, and a write keeps
// every other line of the file. Reading never fails: anything missing or unreadable reads as
// the empty text.
class INIfile_IO {
public:
    explicit INIfile_IO(QString path);

    const QString& path() const { return path_; }

    // The value of key in section, cut to 1023 bytes (on a character boundary); empty when
    // missing.
    QString ReadIniValue(const QString& section, const QString& key) const;
    // Writes key=value into [section], creating the file (mode 0600: it holds passwords) or the
    // section when needed. An empty value writes "key=". Returns false when the file could not
    // be written; the file is then unchanged. A file that exists but cannot be read is never
    // replaced (that would lose every other setting): the write is refused.
    bool WriteIniValue(const QString& section, const QString& key, const QString& value);

    // True once a write was refused because the existing file could not be read, or because
    // writes were refused from the start (refuseWrites).
    bool writeRefused() const { return writeRefused_; }
    // Refuses every write: the file's folder could not be made, so nothing can be kept. The
    // hook is called at the first write as for an unreadable file.
    void refuseWrites() { folderUnusable_ = true; }
    bool folderUnusable() const { return folderUnusable_; }
    // Called at the first refused write only, so the user is told once and not per setting.
    void setRefusedWriteHook(std::function<void()> hook) { refusedWriteHook_ = std::move(hook); }

    static constexpr int kMaxValueBytes = 1023;

private:
    QString path_;
    bool writeRefused_ = false;
    bool folderUnusable_ = false;
    std::function<void()> refusedWriteHook_;
};
