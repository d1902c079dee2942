#include "transfer/ExportFile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferBytes = 256 * 1024;

} // namespace

ExportFile::~ExportFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void ExportFile::fail(int number)
{
    if (errorNumber_ == 0)
        errorNumber_ = number != 0 ? number : EIO;
}

bool ExportFile::open(const QString& path)
{
    errorNumber_ = 0;
    linesWritten_ = 0;
    linesBuffered_ = 0;
    bytesWritten_ = 0;
    buffer_.clear();
    buffer_.reserve(kBufferBytes);
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        fail(errno);
        return false;
    }
    return true;
}

bool ExportFile::flush()
{
    // The buffer always starts at a line's beginning, so bytesWritten_ is a line boundary.
    const char* data = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0 && errorNumber_ == 0) {
        const ssize_t n = ::write(fd_, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
            break;
        }
        if (n == 0) {
            fail(ENOSPC);
            break;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (errorNumber_ == 0) {
        bytesWritten_ += static_cast<std::int64_t>(buffer_.size());
        linesWritten_ += linesBuffered_;
    } else {
        // Back to the last whole line; a device or a pipe cannot be cut, and keeps what it took.
        [[maybe_unused]] const int cut = ::ftruncate(fd_, bytesWritten_);
    }
    linesBuffered_ = 0;
    buffer_.clear();
    return errorNumber_ == 0;
}

bool ExportFile::write(std::string_view bytes)
{
    if (fd_ < 0 || errorNumber_ != 0)
        return false;
    if (buffer_.size() + bytes.size() > kBufferBytes && !flush())
        return false;
    ++linesBuffered_;
    if (bytes.size() >= kBufferBytes) {
        buffer_.assign(bytes);
        return flush();
    }
    buffer_.append(bytes);
    return true;
}

bool ExportFile::close()
{
    if (fd_ < 0)
        return errorNumber_ == 0;
    if (errorNumber_ == 0)
        flush();
    if (::close(fd_) != 0)
        fail(errno);
    fd_ = -1;
    return errorNumber_ == 0;
}

QString ExportFile::errorText() const
{
    return QStringLiteral("Error:") + QString::number(errorNumber_) + QLatin1Char(' ') +
           QString::fromLocal8Bit(std::strerror(errorNumber_));
}

QString keepAsPartial(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return path;
    const QString partial = path + QStringLiteral(".partial");
    if (std::rename(name.constData(), QFile::encodeName(partial).constData()) != 0)
        return path;
    return partial;
}
