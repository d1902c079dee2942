#include "base/INIfile_IO.h"

#include "text/CodePage.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <vector>

namespace {

bool isCp932LeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Cuts CP932 bytes to at most max bytes without splitting a double-byte character.
QByteArray cutCp932(const QByteArray& bytes, int max)
{
    if (bytes.size() <= max)
        return bytes;
    int i = 0;
    while (i < max) {
        const int step = isCp932LeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + step > max)
            break;
        i += step;
    }
    return bytes.left(i);
}

QByteArray trimBlanks(const QByteArray& s)
{
    int b = 0;
    int e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.mid(b, e - b);
}

// Section and key names compare case-insensitively (ASCII letters, as the files hold them).
bool sameName(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool sectionHeader(const QByteArray& trimmedLine, QByteArray& name)
{
    if (!trimmedLine.startsWith('['))
        return false;
    const int close = trimmedLine.indexOf(']');
    if (close < 0)
        return false;
    name = trimBlanks(trimmedLine.mid(1, close - 1));
    return true;
}

bool keyLine(const QByteArray& trimmedLine, QByteArray& key, QByteArray& value)
{
    const int eq = trimmedLine.indexOf('=');
    if (eq <= 0 || trimmedLine.startsWith(';'))
        return false;
    key = trimBlanks(trimmedLine.left(eq));
    value = trimBlanks(trimmedLine.mid(eq + 1));
    return !key.isEmpty();
}

std::vector<QByteArray> readLines(const QString& path)
{
    std::vector<QByteArray> lines;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return lines;
    const QByteArray all = f.readAll();
    for (QByteArray& line : all.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines.push_back(line);
    }
    // A final line break leaves one empty piece that is not a line of its own.
    if (!lines.empty() && lines.back().isEmpty())
        lines.pop_back();
    return lines;
}

QByteArray toFileBytes(const QString& text)
{
    // A line break inside a name or value would inject lines into the file.
    QString single = text;
    single.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QByteArray::fromStdString(codepage::utf8ToCp932(single.toStdString()));
}

} // namespace

INIfile_IO::INIfile_IO(QString path) : path_(std::move(path)) {}

QString INIfile_IO::ReadIniValue(const QString& section, const QString& key) const
{
    const QByteArray wantSection = toFileBytes(section);
    const QByteArray wantKey = toFileBytes(key);
    bool inSection = false;
    for (const QByteArray& raw : readLines(path_)) {
        const QByteArray line = trimBlanks(raw);
        QByteArray name;
        if (sectionHeader(line, name)) {
            inSection = sameName(name, wantSection);
            continue;
        }
        QByteArray k;
        QByteArray v;
        if (inSection && keyLine(line, k, v) && sameName(k, wantKey)) {
            const QByteArray cut = cutCp932(v, kMaxValueBytes);
            return QString::fromStdString(codepage::cp932ToUtf8(cut.toStdString()));
        }
    }
    return QString();
}

bool INIfile_IO::WriteIniValue(const QString& section, const QString& key, const QString& value)
{
    const QByteArray wantSection = trimBlanks(toFileBytes(section));
    const QByteArray wantKey = trimBlanks(toFileBytes(key));
    if (wantSection.isEmpty() || wantKey.isEmpty())
        return false;
    const QByteArray newLine = wantKey + '=' + trimBlanks(toFileBytes(value));

    std::vector<QByteArray> lines = readLines(path_);
    const bool existed = QFileInfo::exists(path_);
    int sectionAt = -1;
    int lastInSection = -1; // last non-blank line of the found section
    bool replaced = false;
    bool inSection = false;
    for (int i = 0; i < static_cast<int>(lines.size()) && !replaced; ++i) {
        const QByteArray line = trimBlanks(lines[i]);
        QByteArray name;
        if (sectionHeader(line, name)) {
            if (inSection)
                break;
            inSection = sameName(name, wantSection);
            if (inSection) {
                sectionAt = i;
                lastInSection = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!line.isEmpty())
            lastInSection = i;
        QByteArray k;
        QByteArray v;
        if (keyLine(line, k, v) && sameName(k, wantKey)) {
            lines[i] = newLine;
            replaced = true;
        }
    }
    if (!replaced) {
        if (sectionAt >= 0) {
            lines.insert(lines.begin() + lastInSection + 1, newLine);
        } else {
            lines.push_back('[' + wantSection + ']');
            lines.push_back(newLine);
        }
    }

    QByteArray out;
    for (const QByteArray& line : lines)
        out += line + "\r\n";

    // Write beside the file and rename, so a failure never leaves half a settings file.
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(out) != out.size()) {
        file.cancelWriting();
        return false;
    }
    if (!existed)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    else
        file.setPermissions(QFileInfo(path_).permissions());
    return file.commit();
}
