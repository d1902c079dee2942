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

bool isCp932TrailByte(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Bytes of the character at s[i]: a lead byte and the trail byte after it are one character,
// so that a trail byte equal to "]" (ゾ is 0x83 0x5D) is never taken for one.
int charLength(const QByteArray& s, int i)
{
    if (isCp932LeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
        isCp932TrailByte(static_cast<unsigned char>(s[i + 1])))
        return 2;
    return 1;
}

// Position of the single-byte character c at or after from, on character boundaries; -1 if none.
int findChar(const QByteArray& s, char c, int from = 0)
{
    int i = 0;
    while (i < s.size()) {
        if (i >= from && s[i] == c)
            return i;
        i += charLength(s, i);
    }
    return -1;
}

// Cuts CP932 bytes to at most max bytes without splitting a double-byte character.
QByteArray cutCp932(const QByteArray& bytes, int max)
{
    if (bytes.size() <= max)
        return bytes;
    int i = 0;
    while (i < max) {
        const int step = charLength(bytes, i);
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

QString fromFileBytes(const QByteArray& bytes)
{
    return QString::fromStdString(codepage::cp932ToUtf8(bytes.toStdString()));
}

QByteArray toFileBytes(const QString& text)
{
    // A line break inside a name or value would inject lines into the file.
    QString single = text;
    single.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QByteArray::fromStdString(codepage::utf8ToCp932(single.toStdString()));
}

// Names are compared as text, folding ASCII letters only: folding bytes would also fold the
// second byte of a double-byte character (ア 0x83 0x41 and ヂ 0x83 0x61).
bool sameName(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    const auto fold = [](char16_t c) {
        return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
    };
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (fold(a.at(i).unicode()) != fold(b.at(i).unicode()))
            return false;
    }
    return true;
}

// A name as the file holds it once written: line breaks as blanks, through the code page (a
// character CP932 lacks becomes "?"), blanks trimmed. Looking for this finds what a write
// wrote.
QByteArray nameBytes(const QString& name)
{
    return trimBlanks(toFileBytes(name));
}

bool sectionHeader(const QByteArray& trimmedLine, QString& name)
{
    if (!trimmedLine.startsWith('['))
        return false;
    const int close = findChar(trimmedLine, ']', 1);
    if (close < 0)
        return false;
    name = fromFileBytes(trimBlanks(trimmedLine.mid(1, close - 1)));
    return true;
}

bool keyLine(const QByteArray& trimmedLine, QString& key, QByteArray& value)
{
    const int eq = findChar(trimmedLine, '=');
    if (eq <= 0 || trimmedLine.startsWith(';'))
        return false;
    const QByteArray keyBytes = trimBlanks(trimmedLine.left(eq));
    if (keyBytes.isEmpty())
        return false;
    key = fromFileBytes(keyBytes);
    value = trimBlanks(trimmedLine.mid(eq + 1));
    return true;
}

enum class FileState { Missing, Read, Unreadable };

FileState readLines(const QString& path, std::vector<QByteArray>& lines)
{
    lines.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        // A folder, a file without read permission, ...: it exists, so it holds settings.
        return QFileInfo::exists(path) ? FileState::Unreadable : FileState::Missing;
    }
    const QByteArray all = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return FileState::Unreadable;
    for (QByteArray& line : all.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines.push_back(line);
    }
    // A final line break leaves one empty piece that is not a line of its own.
    if (!lines.empty() && lines.back().isEmpty())
        lines.pop_back();
    return FileState::Read;
}

} // namespace

INIfile_IO::INIfile_IO(QString path) : path_(std::move(path)) {}

QString INIfile_IO::ReadIniValue(const QString& section, const QString& key) const
{
    const QString wantSection = fromFileBytes(nameBytes(section));
    const QString wantKey = fromFileBytes(nameBytes(key));
    std::vector<QByteArray> lines;
    readLines(path_, lines);
    bool inSection = false;
    for (const QByteArray& raw : lines) {
        const QByteArray line = trimBlanks(raw);
        QString name;
        if (sectionHeader(line, name)) {
            inSection = sameName(name, wantSection);
            continue;
        }
        QString k;
        QByteArray v;
        if (inSection && keyLine(line, k, v) && sameName(k, wantKey))
            return fromFileBytes(cutCp932(v, kMaxValueBytes));
    }
    return QString();
}

bool INIfile_IO::WriteIniValue(const QString& section, const QString& key, const QString& value)
{
    const QByteArray sectionBytes = nameBytes(section);
    const QByteArray keyBytes = nameBytes(key);
    if (sectionBytes.isEmpty() || keyBytes.isEmpty())
        return false;
    const QString wantSection = fromFileBytes(sectionBytes);
    const QString wantKey = fromFileBytes(keyBytes);
    const QByteArray newLine = keyBytes + '=' + trimBlanks(toFileBytes(value));
    const QByteArray newHeader = '[' + sectionBytes + ']';
    // A name the file cannot hold ("]" in a section, "=" in a key, a key that reads as a
    // comment or a section) would never be found again; each write would add another line.
    QString parsedName;
    QString parsedKey;
    QByteArray parsedValue;
    if (!sectionHeader(newHeader, parsedName) || parsedName != wantSection ||
        sectionHeader(newLine, parsedName) || !keyLine(newLine, parsedKey, parsedValue) ||
        parsedKey != wantKey)
        return false;

    std::vector<QByteArray> lines;
    const FileState state = readLines(path_, lines);
    if (state == FileState::Unreadable || folderUnusable_) {
        // Replacing a file we could not read would keep only this one key.
        if (!writeRefused_) {
            writeRefused_ = true;
            if (refusedWriteHook_)
                refusedWriteHook_();
        }
        return false;
    }
    const bool existed = state == FileState::Read;
    int sectionAt = -1;
    int lastInSection = -1; // last non-blank line of the found section
    bool replaced = false;
    bool inSection = false;
    for (int i = 0; i < static_cast<int>(lines.size()) && !replaced; ++i) {
        const QByteArray line = trimBlanks(lines[i]);
        QString name;
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
        QString k;
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
            lines.push_back(newHeader);
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
