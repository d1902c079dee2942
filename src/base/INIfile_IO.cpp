#include "base/INIfile_IO.h"

#include "base/Utf8Text.h"
#include "text/CodePage.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace {

using codepage::FileCoding;

// Bytes of the character at s[i]: a double-byte character is one, so that a trail byte equal
// to "]" (ゾ is 0x83 0x5D) is never taken for one. Only a pair that is CP932 counts: the bytes of
// one that is not read one by one, as the conversion to UTF-8 reads them, so a file that goes
// over to UTF-8 keeps its sections and keys. No byte of a UTF-8 sequence is ASCII, so there
// every byte may be looked at alone.
int charLength(const QByteArray& s, int i, FileCoding coding)
{
    if (coding == FileCoding::Cp932)
        return static_cast<int>(codepage::cp932CharLength(
            std::string_view(s.constData(), static_cast<std::size_t>(s.size())),
            static_cast<std::size_t>(i)));
    return 1;
}

// Position of the single-byte character c at or after from, on character boundaries; -1 if none.
int findChar(const QByteArray& s, char c, FileCoding coding, int from = 0)
{
    int i = 0;
    while (i < s.size()) {
        if (i >= from && s[i] == c)
            return i;
        i += charLength(s, i, coding);
    }
    return -1;
}

// Cuts the file's bytes to at most max bytes without splitting a character.
QByteArray cutValue(const QByteArray& bytes, int max, FileCoding coding)
{
    if (bytes.size() <= max)
        return bytes;
    if (coding == FileCoding::Utf8) {
        // Counted as code page 932 would hold the text, so that a value reads the same after
        // the file went over to UTF-8.
        const std::string_view all(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        std::size_t at = 0;
        int counted = 0;
        while (at < all.size()) {
            std::size_t one = 1;
            while (at + one < all.size() &&
                   (static_cast<unsigned char>(all[at + one]) & 0xC0) == 0x80)
                ++one;
            const int width =
                std::max<int>(1, static_cast<int>(codepage::cp932ByteLength(all.substr(at, one))));
            if (counted + width > max)
                break;
            counted += width;
            at += one;
        }
        return bytes.left(static_cast<qsizetype>(at));
    }
    int i = 0;
    while (i < max) {
        const int step = charLength(bytes, i, coding);
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

QString fromFileBytes(const QByteArray& bytes, FileCoding coding)
{
    return textFromUtf8(codepage::decodeAs(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), coding));
}

// A line break inside a name or value would inject lines into the file.
std::string singleLine(const QString& text)
{
    QString single = text;
    single.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    return single.toStdString();
}

QByteArray toFileBytes(const QString& text, FileCoding coding)
{
    return QByteArray::fromStdString(codepage::encodeAs(singleLine(text), coding));
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

// A name as the file holds it once written: line breaks as blanks, through the file's coding
// (in a CP932 file a character CP932 lacks becomes "?"), blanks trimmed. Looking for this finds
// what a write wrote.
QByteArray nameBytes(const QString& name, FileCoding coding)
{
    return trimBlanks(toFileBytes(name, coding));
}

// The name a lookup compares with the file's names: as a write would store it. A CP932 file has
// no U+FFFD, so there it stands for the bytes that are not CP932, as they read; "?" would find
// other keys than the same lookup finds once the file went over to UTF-8.
QString wantedName(const QString& name, FileCoding coding)
{
    if (coding == FileCoding::Utf8 || !name.contains(QChar::ReplacementCharacter))
        return fromFileBytes(nameBytes(name, coding), coding);
    QStringList pieces = name.split(QChar::ReplacementCharacter);
    for (QString& piece : pieces)
        piece = fromFileBytes(toFileBytes(piece, coding), coding);
    QString joined = pieces.join(QChar::ReplacementCharacter);
    while (joined.startsWith(QLatin1Char(' ')) || joined.startsWith(QLatin1Char('\t')))
        joined.remove(0, 1);
    while (joined.endsWith(QLatin1Char(' ')) || joined.endsWith(QLatin1Char('\t')))
        joined.chop(1);
    return joined;
}

bool sectionHeader(const QByteArray& trimmedLine, QString& name, FileCoding coding)
{
    if (!trimmedLine.startsWith('['))
        return false;
    const int close = findChar(trimmedLine, ']', coding, 1);
    if (close < 0)
        return false;
    name = fromFileBytes(trimBlanks(trimmedLine.mid(1, close - 1)), coding);
    return true;
}

bool keyLine(const QByteArray& trimmedLine, QString& key, QByteArray& value, FileCoding coding)
{
    const int eq = findChar(trimmedLine, '=', coding);
    if (eq <= 0 || trimmedLine.startsWith(';'))
        return false;
    const QByteArray keyBytes = trimBlanks(trimmedLine.left(eq));
    if (keyBytes.isEmpty())
        return false;
    key = fromFileBytes(keyBytes, coding);
    value = trimBlanks(trimmedLine.mid(eq + 1));
    return true;
}

enum class FileState { Missing, Read, Unreadable };

// The lines of the file in their coding, the byte-order mark of a UTF-8 file removed.
FileState readLines(const QString& path, std::vector<QByteArray>& lines, FileCoding& coding)
{
    lines.clear();
    coding = FileCoding::Cp932;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        // A folder, a file without read permission, ...: it exists, so it holds settings.
        return QFileInfo::exists(path) ? FileState::Unreadable : FileState::Missing;
    }
    QByteArray all = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return FileState::Unreadable;
    coding = codepage::codingOf(std::string_view(all.constData(), all.size()));
    if (coding == FileCoding::Utf8)
        all.remove(0, static_cast<qsizetype>(codepage::kUtf8Bom.size()));
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
    std::vector<QByteArray> lines;
    FileCoding coding = FileCoding::Cp932;
    readLines(path_, lines, coding);
    const QString wantSection = wantedName(section, coding);
    const QString wantKey = wantedName(key, coding);
    bool inSection = false;
    for (const QByteArray& raw : lines) {
        const QByteArray line = trimBlanks(raw);
        QString name;
        if (sectionHeader(line, name, coding)) {
            inSection = sameName(name, wantSection);
            continue;
        }
        QString k;
        QByteArray v;
        if (inSection && keyLine(line, k, v, coding) && sameName(k, wantKey))
            return fromFileBytes(cutValue(v, kMaxValueBytes, coding), coding);
    }
    return QString();
}

bool INIfile_IO::WriteIniValue(const QString& section, const QString& key, const QString& value)
{
    std::vector<QByteArray> lines;
    FileCoding coding = FileCoding::Cp932;
    const FileState state = readLines(path_, lines, coding);
    // A text that code page 932 would not give back exactly (a connection string with "〜" or
    // "é", an editor path) takes the whole file over to UTF-8, its other lines converted.
    if (coding == FileCoding::Cp932 && !(codepage::cp932HoldsExactly(singleLine(section)) &&
                                         codepage::cp932HoldsExactly(singleLine(key)) &&
                                         codepage::cp932HoldsExactly(singleLine(value)))) {
        coding = FileCoding::Utf8;
        for (QByteArray& line : lines) {
            line = QByteArray::fromStdString(codepage::cp932ToUtf8(
                std::string_view(line.constData(), static_cast<std::size_t>(line.size()))));
        }
    }
    const QByteArray sectionBytes = nameBytes(section, coding);
    const QByteArray keyBytes = nameBytes(key, coding);
    if (sectionBytes.isEmpty() || keyBytes.isEmpty())
        return false;
    const QString wantSection = fromFileBytes(sectionBytes, coding);
    const QString wantKey = fromFileBytes(keyBytes, coding);
    const QByteArray newLine = keyBytes + '=' + trimBlanks(toFileBytes(value, coding));
    const QByteArray newHeader = '[' + sectionBytes + ']';
    // A name the file cannot hold ("]" in a section, "=" in a key, a key that reads as a
    // comment or a section) would never be found again; each write would add another line.
    QString parsedName;
    QString parsedKey;
    QByteArray parsedValue;
    if (!sectionHeader(newHeader, parsedName, coding) || parsedName != wantSection ||
        sectionHeader(newLine, parsedName, coding) ||
        !keyLine(newLine, parsedKey, parsedValue, coding) || parsedKey != wantKey)
        return false;

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
        if (sectionHeader(line, name, coding)) {
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
        if (keyLine(line, k, v, coding) && sameName(k, wantKey)) {
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
    if (coding == FileCoding::Utf8)
        out = QByteArray(codepage::kUtf8Bom.data(), codepage::kUtf8Bom.size());
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
