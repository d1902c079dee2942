#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

// The file an export writes: created or emptied at open, written through a buffer, and every
// failure (opening, writing, closing) kept with the system's error number, so that a full disk
// is never reported as a finished export. Each write() is one line; a failed write cuts the
// file back to the whole lines before it, so the file never ends in half a line.
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
    // Lines (write() calls) that reached the file: after close() all of them, unless a failure
    // left only these.
    std::int64_t linesWritten() const { return linesWritten_; }

    int errorNumber() const { return errorNumber_; }
    // "Error:" + the error number + " " + the system's description.
    QString errorText() const;

private:
    bool flush();
    void fail(int number);

    int fd_ = -1;
    std::string buffer_;
    int errorNumber_ = 0;
    std::int64_t linesWritten_ = 0;
    std::int64_t linesBuffered_ = 0;
    // Where the last whole line ends in the file.
    std::int64_t bytesWritten_ = 0;
};

// An export that did not write every row must not leave a file under the chosen name that
// looks complete: a regular file is renamed to path + ".partial", replacing an older one.
// Returns the name that holds the rows now (path itself when it is no regular file, such as a
// device, or cannot be renamed).
QString keepAsPartial(const QString& path);
