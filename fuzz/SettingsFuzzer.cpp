// The settings file under arbitrary file contents, names, values and placement texts: a write
// changes only the written key (at most one line replaced, or one or two lines added), the key
// reads back, a refused write leaves the file as it was, and no placement text leads to
// undefined behaviour on its way to pixels.
#include "FuzzCheck.h"
#include "base/INIfile_IO.h"
#include "base/Twips.h"
#include "base/WindowPlacement.h"
#include "text/CodePage.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const QString& iniPath()
{
    static const QString path = [] {
        char folder[] = "/tmp/qv-fuzz-settings.XXXXXX";
        if (::mkdtemp(folder) == nullptr)
            std::abort();
        return QString::fromLocal8Bit(folder) + QStringLiteral("/QUORVANT.INI");
    }();
    return path;
}

// Lines as a reader sees them: split at LF, one CR before it dropped, no empty last piece.
std::vector<QByteArray> linesOf(const QByteArray& bytes)
{
    std::vector<QByteArray> lines;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines.push_back(line);
    }
    if (!lines.empty() && lines.back().isEmpty())
        lines.pop_back();
    return lines;
}

// True when after is before with one line replaced, one line inserted, or two lines added at
// the end.
bool oneLineChanged(const std::vector<QByteArray>& before, const std::vector<QByteArray>& after)
{
    if (after.size() == before.size()) {
        int differing = 0;
        for (std::size_t i = 0; i < before.size(); ++i)
            differing += before[i] != after[i] ? 1 : 0;
        return differing <= 1;
    }
    if (after.size() == before.size() + 1) {
        std::size_t i = 0;
        while (i < before.size() && before[i] == after[i])
            ++i;
        for (std::size_t k = i; k < before.size(); ++k) {
            if (before[k] != after[k + 1])
                return false;
        }
        return true;
    }
    if (after.size() == before.size() + 2) {
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (before[i] != after[i])
                return false;
        }
        return true;
    }
    return false;
}

QString fromCp932(const QByteArray& bytes)
{
    return QString::fromStdString(codepage::cp932ToUtf8(bytes.toStdString()));
}

// A name as it compares: line breaks as blanks, through the code page, blanks trimmed, ASCII
// letters upper-cased.
QString comparable(const QString& name)
{
    QString s = name;
    s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    s = fromCp932(QByteArray::fromStdString(codepage::utf8ToCp932(s.toStdString())));
    while (!s.isEmpty() && (s.front() == QLatin1Char(' ') || s.front() == QLatin1Char('\t')))
        s.remove(0, 1);
    while (!s.isEmpty() && (s.back() == QLatin1Char(' ') || s.back() == QLatin1Char('\t')))
        s.chop(1);
    for (QChar& c : s) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return s;
}

// Every (section, key) that a plain reading of the file suggests; names that are not really
// there read as empty before and after, which is fine.
QList<QPair<QString, QString>> namesIn(const std::vector<QByteArray>& lines)
{
    QList<QPair<QString, QString>> names;
    QString section;
    for (const QByteArray& raw : lines) {
        const QString line = fromCp932(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.contains(QLatin1Char(']'))) {
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            names.append({section, line.left(eq)});
        if (names.size() > 64)
            break;
    }
    return names;
}

void checkPlacement(const QString& text, int screenWidth, int screenHeight, int windowWidth,
                    int windowHeight)
{
    const std::optional<TwipsRect> parsed = parsePlacement(text);
    if (parsed) {
        for (const double v : {parsed->left, parsed->top, parsed->width, parsed->height})
            FUZZ_CHECK(std::isfinite(v) && std::fabs(v) <= twips::kMaxTwips, "parsed in range");
        // What is saved reads back as the same placement, to single precision.
        const std::optional<TwipsRect> again = parsePlacement(formatPlacement(*parsed));
        FUZZ_CHECK(again.has_value(), "formatted placement parses");
        FUZZ_CHECK(again->left == static_cast<double>(static_cast<float>(parsed->left)),
                   "left survives formatting");
        FUZZ_CHECK(again->width == static_cast<double>(static_cast<float>(parsed->width)),
                   "width survives formatting");
    }
    const TwipsRect p =
        placementFor(text, twips::fromPixels(screenWidth), twips::fromPixels(screenHeight),
                     twips::fromPixels(windowWidth), twips::fromPixels(windowHeight));
    const int px[] = {twips::toPixels(p.left), twips::toPixels(p.top), twips::toPixels(p.width),
                      twips::toPixels(p.height)};
    for (const int v : px)
        FUZZ_CHECK(v >= -twips::kMaxPixels && v <= twips::kMaxPixels, "pixels in range");
    if (parsed) {
        FUZZ_CHECK(px[0] >= 0 && px[1] >= 0, "stored position moved onto the screen");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString section = QString::fromStdString(in.ConsumeRandomLengthString(32));
    const QString key = QString::fromStdString(in.ConsumeRandomLengthString(32));
    const QString value = QString::fromStdString(in.ConsumeRandomLengthString(1200));
    const QString placement = QString::fromStdString(in.ConsumeRandomLengthString(64));
    const int screenWidth = in.ConsumeIntegralInRange(1, 8192);
    const int screenHeight = in.ConsumeIntegralInRange(1, 8192);
    const int windowWidth = in.ConsumeIntegralInRange(0, 8192);
    const int windowHeight = in.ConsumeIntegralInRange(0, 8192);
    const bool fileExists = in.ConsumeBool();
    const std::string file = in.ConsumeRemainingBytesAsString();

    checkPlacement(placement, screenWidth, screenHeight, windowWidth, windowHeight);

    const QString& path = iniPath();
    QFile::remove(path);
    const QByteArray before = QByteArray::fromStdString(file);
    if (fileExists) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(before) != before.size())
            std::abort();
    }
    INIfile_IO ini(path);
    const std::vector<QByteArray> linesBefore = linesOf(before);
    const QList<QPair<QString, QString>> names = namesIn(linesBefore);
    QList<QString> valuesBefore;
    for (const auto& [s, k] : names)
        valuesBefore.append(ini.ReadIniValue(s, k));

    const bool wrote = ini.WriteIniValue(section, key, value);
    QFile f(path);
    if (!wrote) {
        if (fileExists) {
            FUZZ_CHECK(f.open(QIODevice::ReadOnly) && f.readAll() == before,
                       "refused write leaves the file");
        } else {
            FUZZ_CHECK(!QFile::exists(path), "refused write creates no file");
        }
        return 0;
    }
    FUZZ_CHECK(f.open(QIODevice::ReadOnly), "written file reads");
    QByteArray after = f.readAll();
    // A file that went over to UTF-8 holds the same lines, converted, behind its mark.
    const QByteArray bom(codepage::kUtf8Bom.data(), codepage::kUtf8Bom.size());
    std::vector<QByteArray> expected = fileExists ? linesBefore : std::vector<QByteArray>{};
    if (after.startsWith(bom)) {
        after.remove(0, bom.size());
        if (before.startsWith(bom) && fileExists)
            expected = linesOf(before.mid(bom.size())); // a file of the mark alone has no line
        else
            for (QByteArray& line : expected)
                line = QByteArray::fromStdString(codepage::cp932ToUtf8(line.toStdString()));
    } else {
        FUZZ_CHECK(!before.startsWith(bom) || !fileExists, "a UTF-8 file stays UTF-8");
    }
    FUZZ_CHECK(oneLineChanged(expected, linesOf(after)), "one line replaced or at most two added");

    // The key reads back exactly (line breaks as blanks, blanks trimmed), cut on a character
    // boundary at 1023 bytes as code page 932 counts them.
    QString single = value;
    single.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    QString stored = single;
    while (!stored.isEmpty() &&
           (stored.front() == QLatin1Char(' ') || stored.front() == QLatin1Char('\t')))
        stored.remove(0, 1);
    while (!stored.isEmpty() &&
           (stored.back() == QLatin1Char(' ') || stored.back() == QLatin1Char('\t')))
        stored.chop(1);
    const QString read = ini.ReadIniValue(section, key);
    const std::size_t readBytes = codepage::cp932ByteLength(read.toStdString());
    if (codepage::cp932ByteLength(stored.toStdString()) <= INIfile_IO::kMaxValueBytes) {
        FUZZ_CHECK(read == stored, "written value reads back");
    } else {
        FUZZ_CHECK(stored.startsWith(read), "a cut value is a prefix of the written one");
        FUZZ_CHECK(readBytes <= INIfile_IO::kMaxValueBytes && readBytes >= 1022,
                   "a cut keeps 1022 or 1023 bytes");
    }

    // Every other key reads as before.
    const QString wantSection = comparable(section);
    const QString wantKey = comparable(key);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (comparable(names[i].first) == wantSection && comparable(names[i].second) == wantKey)
            continue;
        FUZZ_CHECK(ini.ReadIniValue(names[i].first, names[i].second) == valuesBefore[i],
                   "other keys keep their values");
    }
    return 0;
}
