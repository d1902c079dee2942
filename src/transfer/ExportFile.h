#pragma once

#include <QString>

#include <string>
#include <string_view>

// The file an export writes: created or emptied at open, written through a buffer, and every
// failure (opening, writing, closing) kept with the system's error number, so that a full disk
// is never reported as a finished export.
class ExportFile {
public:
    ExportFile() = default;
    ~ExportFile();
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    bool open(const QString& path);
    // False once anything failed; later writes are dropped.
    bool write(std::string_view bytes);
    // Writes what is buffered and closes; false when anything failed since open.
    bool close();
    bool isOpen() const { return fd_ >= 0; }

    int errorNumber() const { return errorNumber_; }
    // "Error:" + the error number + " " + the system's description.
    QString errorText() const;

private:
    bool flush();
    void fail(int number);

    int fd_ = -1;
    std::string buffer_;
    int errorNumber_ = 0;
};
