#include "history/StatementListFile.h"

#include "base/Utf8Text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace stmtfile {

namespace {

// Length of the separator that begins at the line break at i (CR LF or LF, then "/", then CR LF
// or LF), or 0 when there is none.
qsizetype separatorAt(const QByteArray& b, qsizetype i)
{
    qsizetype p = i;
    if (b[p] == '\r')
        ++p;
    if (p >= b.size() || b[p] != '\n')
        return 0;
    ++p;
    if (p >= b.size() || b[p] != '/')
        return 0;
    ++p;
    if (p < b.size() && b[p] == '\r')
        ++p;
    if (p >= b.size() || b[p] != '\n')
        return 0;
    return p + 1 - i;
}

QString toText(const QByteArray& bytes, FileCoding coding)
{
    return textFromUtf8(codepage::normalizeLineBreaks(
        codepage::decodeAs(std::string_view(bytes.constData(), bytes.size()), coding)));
}

QByteArray toBytes(const QString& text, FileCoding coding)
{
    const std::string bytes = codepage::encodeAs(codepage::toCrLf(text.toStdString()), coding);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString headerText(QString head)
{
    head.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar& c : head) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return head;
}

QString guardedStatement(const QString& stmt)
{
    QStringList lines = stmt.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line == QLatin1String("/"))
            line = QStringLiteral("/ ");
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QList<QByteArray> splitRecords(const QByteArray& fileBytes)
{
    QList<QByteArray> records;
    qsizetype start = codingOf(fileBytes) == FileCoding::Utf8 ? codepage::kUtf8Bom.size() : 0;
    qsizetype i = start;
    const qsizetype n = fileBytes.size();
    while (i < n) {
        const char c = fileBytes[i];
        const qsizetype sep = (c == '\r' || c == '\n') ? separatorAt(fileBytes, i) : 0;
        if (sep == 0) {
            ++i;
            continue;
        }
        if (i > start)
            records.append(fileBytes.mid(start, i - start));
        i += sep;
        start = i;
    }
    if (start < n)
        records.append(fileBytes.mid(start));
    return records;
}

ClassSQL decodeRecord(const QByteArray& record, FileCoding coding)
{
    const QString text = toText(record, coding);
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        return {QString(), text};
    return {text.left(tab), text.mid(tab + 1)};
}

QList<ClassSQL> decodeRecords(const QList<QByteArray>& records, FileCoding coding)
{
    QList<ClassSQL> out;
    out.reserve(records.size());
    for (const QByteArray& r : records)
        out.append(decodeRecord(r, coding));
    return out;
}

QByteArray recordBytes(const ClassSQL& entry, FileCoding coding)
{
    return toBytes(headerText(entry.SQLhead) + QLatin1Char('\t') + guardedStatement(entry.SQLstmt),
                   coding);
}

QByteArray encodeRecord(const ClassSQL& entry, FileCoding coding)
{
    return recordBytes(entry, coding) + QByteArrayLiteral("\r\n/\r\n");
}

bool cp932HoldsExactly(const ClassSQL& entry)
{
    return codepage::cp932HoldsExactly(entry.SQLhead.toStdString()) &&
           codepage::cp932HoldsExactly(entry.SQLstmt.toStdString());
}

QByteArray recodeRecord(const QByteArray& record, FileCoding from, FileCoding to)
{
    if (from == to)
        return record;
    const std::string bytes = codepage::encodeAs(
        codepage::decodeAs(std::string_view(record.constData(), record.size()), from), to);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QByteArray joinRecords(const QList<QByteArray>& records, FileCoding coding)
{
    QByteArray out;
    if (coding == FileCoding::Utf8)
        out += QByteArray(codepage::kUtf8Bom.data(), codepage::kUtf8Bom.size());
    for (const QByteArray& r : records)
        out += r + QByteArrayLiteral("\r\n/\r\n");
    return out;
}

QString oneLine(const QString& statement)
{
    QString s = statement;
    s.replace(QLatin1Char('\t'), QLatin1Char(' '));
    const auto trimSpaces = [](QString& t) {
        qsizetype b = 0;
        while (b < t.size() && t[b] == QLatin1Char(' '))
            ++b;
        qsizetype e = t.size();
        while (e > b && t[e - 1] == QLatin1Char(' '))
            --e;
        t = t.mid(b, e - b);
    };
    trimSpaces(s);
    while (s.startsWith(QLatin1Char('\n'))) {
        s.remove(0, 1);
        trimSpaces(s);
    }
    while (s.endsWith(QLatin1Char('\n'))) {
        s.chop(1);
        trimSpaces(s);
    }
    s.replace(QLatin1Char('\n'), QStringLiteral("↓"));
    return s;
}

bool readFile(const QString& path, QByteArray& bytes)
{
    bytes.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool replaceFile(const QString& path, const QByteArray& bytes)
{
    const bool existed = QFileInfo::exists(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (existed)
        file.setPermissions(QFileInfo(path).permissions());
    else
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return file.commit();
}

bool appendToFile(const QString& path, const QByteArray& bytes)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    bool ok = true;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        p += n;
        left -= n;
    }
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

} // namespace stmtfile
