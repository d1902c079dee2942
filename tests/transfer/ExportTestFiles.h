// Reading back what an export wrote: a workbook's parts, and a file size limit that makes a
// write fail part way.
#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

#include <csignal>
#include <cstdint>

// The names of the parts of a zip file (a workbook), from its central directory.
inline QStringList zipEntryNames(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray zip = f.readAll();
    const auto u16 = [&](qsizetype at) {
        return at + 2 <= zip.size()
                   ? static_cast<std::uint16_t>(static_cast<std::uint8_t>(zip[at]) |
                                                static_cast<std::uint8_t>(zip[at + 1]) << 8)
                   : std::uint16_t{0};
    };
    const auto u32 = [&](qsizetype at) {
        return static_cast<std::uint32_t>(u16(at)) | static_cast<std::uint32_t>(u16(at + 2)) << 16;
    };
    const qsizetype end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0)
        return {};
    QStringList names;
    qsizetype at = u32(end + 16);
    for (int i = 0; i < u16(end + 10) && u32(at) == 0x02014b50; ++i) {
        const qsizetype nameLength = u16(at + 28);
        names << QString::fromUtf8(zip.mid(at + 46, nameLength));
        at += 46 + nameLength + u16(at + 30) + u16(at + 32);
    }
    return names;
}

// One worksheet's XML, from 1.
inline QString unzipSheet(const QString& path, int sheet = 1)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path,
                                          QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet)});
    unzip.waitForFinished(10000);
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

// The file size a process may write, for a write that fails part way into a regular file as a
// full disk makes it fail. SIGXFSZ is ignored meanwhile, so the write returns EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*handler_)(int) = nullptr;
};
