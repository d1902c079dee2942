#include "editor/SqlText.h"

#include "base/Utf8Text.h"
#include "editor/TokenSearch.h"
#include "text/CodePage.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sqltext {

qsizetype findPlaceholderRight(const QString& text, qsizetype from)
{
    for (qsizetype i = std::max<qsizetype>(0, from); i < text.size(); ++i) {
        if (tokensearch::isPlaceholder(text[i]))
            return i;
    }
    return -1;
}

QString decodeSqlFile(const QByteArray& bytes, bool* notText)
{
    const std::string_view raw(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    std::string utf8;
    bool replaced = false;
    if (codepage::codingOf(raw) == codepage::FileCoding::Utf8) {
        // The mark decides: such a file is never read as code page 932.
        const std::string_view body = codepage::fileBody(raw);
        replaced = !codepage::isValidUtf8(body);
        utf8 = codepage::decodeAs(body, codepage::FileCoding::Utf8);
    } else if (codepage::isValidUtf8(raw)) {
        utf8 = raw;
    } else {
        utf8 = codepage::cp932ToUtf8(raw);
        // CP932 has no U+FFFD, so one stands for bytes that are not CP932 either.
        replaced = utf8.find("\xEF\xBF\xBD") != std::string::npos;
    }
    if (notText != nullptr)
        *notText = replaced;
    return textFromUtf8(codepage::normalizeLineBreaks(utf8));
}

int trimmedSelectionLength(const QString& selected)
{
    qsizetype n = selected.size();
    while (n > 0 && selected[n - 1] == QLatin1Char(' '))
        --n;
    return static_cast<int>(n);
}

SqlFileRead readSqlFile(const QString& path, QByteArray& bytes)
{
    bytes.clear();
    // Opened without waiting (a FIFO would wait for a writer), then looked at as opened, so the
    // file checked is the file read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return SqlFileRead::CannotOpen;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return SqlFileRead::CannotOpen;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return SqlFileRead::CannotOpen;
    if (!S_ISREG(st.st_mode))
        return SqlFileRead::NotARegularFile;
    if (st.st_size > kSqlFileMaxBytes)
        return SqlFileRead::TooLarge;
    // A file that grows while it is read is cut at the limit, and refused.
    bytes = file.read(kSqlFileMaxBytes + 1);
    if (bytes.size() > kSqlFileMaxBytes) {
        bytes.clear();
        return SqlFileRead::TooLarge;
    }
    return SqlFileRead::Read;
}

QString sqlFileRefusal(SqlFileRead result, const QString& path)
{
    switch (result) {
    case SqlFileRead::NotARegularFile:
        return QStringLiteral("通常のファイルではないため、読み込めません。\n%1").arg(path);
    case SqlFileRead::TooLarge:
        return QStringLiteral("ファイルが大きすぎるため（%1MBまで）、読み込めません。\n%2")
            .arg(kSqlFileMaxBytes / (1024 * 1024))
            .arg(path);
    default:
        return QString();
    }
}

} // namespace sqltext
