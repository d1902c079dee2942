#include "transfer/CsvImport.h"

#include "base/SqlNames.h"
#include "base/Utf8Text.h"
#include "text/CodePage.h"

#include <QIODevice>

#include "sql/SqlStatement.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace csvimport {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD
constexpr qint64 kChunk = 1 << 16;

// Only blanks are trimmed: a tab or a full-width space may be part of a value.
std::string_view trimBlanks(std::string_view text)
{
    std::size_t from = 0;
    std::size_t to = text.size();
    while (from < to && text[from] == ' ')
        ++from;
    while (to > from && text[to - 1] == ' ')
        --to;
    return text.substr(from, to - from);
}

bool startsWithAt(std::string_view line, std::size_t pos, std::string_view what)
{
    return line.size() - pos >= what.size() && line.compare(pos, what.size(), what) == 0;
}

// Skips blanks from pos that are not the start of the delimiter (a blank may be the
// delimiter itself).
std::size_t skipBlanks(std::string_view line, std::size_t pos, std::string_view delimiter)
{
    while (pos < line.size() && line[pos] == ' ' && !startsWithAt(line, pos, delimiter))
        ++pos;
    return pos;
}

// A quoted field opening at pos (after blanks): its text and the position after it and its
// delimiter (line.size() + 1 when the line ends with it). False when the field is not quoted
// in that sense: text follows the closing quote, or the quote never closes.
bool readQuoted(std::string_view line, std::size_t pos, std::string_view delimiter,
                std::string& text, std::size_t& next)
{
    std::size_t p = skipBlanks(line, pos, delimiter);
    if (p >= line.size() || line[p] != '"')
        return false;
    text.clear();
    ++p;
    for (;;) {
        const std::size_t q = line.find('"', p);
        if (q == std::string_view::npos)
            return false;
        text.append(line.substr(p, q - p));
        if (q + 1 < line.size() && line[q + 1] == '"') {
            text.push_back('"');
            p = q + 2;
            continue;
        }
        p = q + 1;
        break;
    }
    p = skipBlanks(line, p, delimiter);
    if (p == line.size()) {
        next = line.size() + 1;
        return true;
    }
    if (!startsWithAt(line, p, delimiter))
        return false;
    next = p + delimiter.size();
    return true;
}

bool isAscii(std::string_view bytes)
{
    unsigned char high = 0;
    for (const char c : bytes)
        high |= static_cast<unsigned char>(c);
    return high < 0x80;
}

std::string toUtf8(QStringView text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString fromUtf8(std::string_view text)
{
    return textFromUtf8(text);
}

} // namespace

std::size_t splitLine(std::string_view line, std::string_view delimiter, std::vector<Field>& fields)
{
    std::size_t count = 0;
    const auto slot = [&]() -> Field& {
        if (count == fields.size())
            fields.emplace_back();
        Field& field = fields[count++];
        field.text.clear();
        field.quoted = false;
        return field;
    };
    if (delimiter.empty()) {
        slot().text.assign(line);
        return count;
    }
    std::size_t pos = 0;
    while (pos <= line.size()) {
        Field& field = slot();
        std::size_t next = 0;
        if (readQuoted(line, pos, delimiter, field.text, next)) {
            field.quoted = true;
            pos = next;
            continue;
        }
        const std::size_t at = line.find(delimiter, pos);
        if (at == std::string_view::npos) {
            field.text.assign(line.substr(pos));
            break;
        }
        field.text.assign(line.substr(pos, at - pos));
        // The search goes on after the whole delimiter.
        pos = at + delimiter.size();
    }
    return count;
}

std::string fileTextToUtf8(std::string_view bytes, FileEncoding encoding)
{
    if (encoding == FileEncoding::Cp932)
        return codepage::cp932ToUtf8(bytes);
    if (codepage::isValidUtf8(bytes))
        return std::string(bytes);
    return codepage::sanitizeUtf8(bytes);
}

QByteArray delimiterBytes(const QString& delimiter, FileEncoding encoding)
{
    const QByteArray utf8 = delimiter.toUtf8();
    if (encoding == FileEncoding::Utf8)
        return utf8;
    return QByteArray::fromStdString(codepage::utf8ToCp932(utf8.toStdString()));
}

namespace {

// [+-] digits [. digits] [e [+-] digits], or a fraction without digits before its point.
bool plainNumber(std::string_view t, bool& integer)
{
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9')
            ++i;
        return i - from;
    };
    std::size_t n = digits();
    integer = true;
    if (i < t.size() && t[i] == '.') {
        ++i;
        n += digits();
        integer = false;
    }
    if (n == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
        integer = false;
    }
    return i == t.size();
}

bool isNullWord(std::string_view t)
{
    return t.size() == 4 && (t[0] | 0x20) == 'n' && (t[1] | 0x20) == 'u' && (t[2] | 0x20) == 'l' &&
           (t[3] | 0x20) == 'l';
}

} // namespace

StatementBuilder::StatementBuilder(const QString& head, const QString& delimiter,
                                   FileEncoding encoding, sql::Dialect dialect, bool numbersByType)
    : head_(toUtf8(head)), delimiter_(toUtf8(delimiter)), encoding_(encoding), dialect_(dialect),
      numbersByType_(numbersByType)
{
}

void StatementBuilder::build(std::string_view fileLine, int* badValues)
{
    if (isAscii(fileLine))
        return buildText(fileLine, badValues);
    // A U+FFFD that a valid UTF-8 file holds is a character of the data, not a bad byte.
    if (encoding_ == FileEncoding::Utf8 && codepage::isValidUtf8(fileLine))
        return buildText(fileLine, nullptr);
    utf8_ = fileTextToUtf8(fileLine, encoding_);
    buildText(utf8_, badValues);
}

void StatementBuilder::buildText(std::string_view utf8Line, int* badValues)
{
    const std::size_t count = splitLine(utf8Line, delimiter_, fields_);
    fieldCount_ = count;
    raw_ = 0;
    refusal_.clear();
    params_.clear();
    bare_.clear();
    kinds_.assign(count, ValueKind::Bound);
    if (texts_.size() < count)
        texts_.resize(count);
    sql_.assign(head_);
    sql_.append(" VALUES(");
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            sql_.push_back(',');
        const Field& field = fields_[i];
        if (badValues != nullptr && field.text.find(kReplacement) != std::string::npos)
            ++*badValues;
        if (field.quoted) {
            params_.push_back({ParamKind::Text, field.text});
            bare_.push_back(false);
            sql_.push_back('?');
            continue;
        }
        std::string& text = texts_[i];
        text.clear();
        for (const char c : trimBlanks(field.text))
            if (c != '\0')
                text.push_back(c);
        text.assign(trimBlanks(text));
        bool integer = false;
        if (text.empty() || isNullWord(text)) {
            params_.push_back({ParamKind::Null, {}});
            bare_.push_back(false);
        } else if (plainNumber(text, integer)) {
            ParamKind kind = ParamKind::Text;
            if (numbersByType_) {
                // A number SQL would read as REAL is bound as one; an integer too long for 64
                // bits is one too.
                std::int64_t n = 0;
                const char* from = text.data() + (text[0] == '+' ? 1 : 0);
                const auto [end, error] = std::from_chars(from, text.data() + text.size(), n);
                kind = integer && error == std::errc() && end == text.data() + text.size()
                           ? ParamKind::Integer
                           : ParamKind::Real;
            }
            params_.push_back({kind, text});
            bare_.push_back(true);
        } else if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
            params_.push_back({ParamKind::Text, std::string_view(text).substr(1, text.size() - 2)});
            bare_.push_back(false);
        } else {
            // The user's SQL; a lone double quote at an end becomes an apostrophe, and the
            // literal it opens never closes.
            ++raw_;
            kinds_[i] = ValueKind::Raw;
            if (text.front() == '"' || text.back() == '"') {
                std::string value;
                for (const char c : text) {
                    if (c == '\'')
                        value.push_back('\'');
                    value.push_back(c);
                }
                if (text.front() == '"')
                    value.front() = '\'';
                if (text.back() == '"')
                    value.back() = '\'';
                text = std::move(value);
            }
            if (refusal_.isEmpty() && !sql::keepsToItself(text, dialect_))
                refusal_ =
                    QStringLiteral("引用符で囲まれていない値「%1」は、この行の1つの値に収まりません"
                                   "（文字列・コメント・括弧が閉じていないか、行や文を加えます）。"
                                   "この行は送信していません。")
                        .arg(fromUtf8(text));
            sql_.append(text);
            continue;
        }
        sql_.push_back('?');
    }
    sql_.push_back(')');
}

void appendShownValue(const ParamValue& value, bool bare, std::string& out)
{
    if (value.kind == ParamKind::Null) {
        out.append("NULL");
        return;
    }
    if (bare || value.kind != ParamKind::Text) {
        out.append(value.text);
        return;
    }
    out.push_back('\'');
    for (const char c : value.text) {
        if (c == '\'')
            out.push_back('\'');
        if (c != '\0')
            out.push_back(c);
    }
    out.push_back('\'');
}

std::string StatementBuilder::shown() const
{
    std::string out = head_;
    out.append(" VALUES(");
    std::size_t p = 0;
    for (std::size_t i = 0; i < fieldCount_; ++i) {
        if (i > 0)
            out.push_back(',');
        if (kinds_[i] == ValueKind::Raw) {
            out.append(texts_[i]);
            continue;
        }
        appendShownValue(params_[p], bare_[p], out);
        ++p;
    }
    out.push_back(')');
    return out;
}

QString insertStatement(const QString& head, QStringView line, QStringView delimiter,
                        int* badValues)
{
    StatementBuilder builder(head, delimiter.toString());
    builder.buildText(toUtf8(line), badValues);
    return fromUtf8(builder.shown());
}

QString targetName(const QString& typed, const QStringList& listed)
{
    const QString name = typed.trimmed();
    if (listed.contains(name))
        return sqlName(name);
    return name;
}

QString columnList(QStringView headerLine, QStringView delimiter)
{
    std::vector<Field> fields;
    const std::size_t count = splitLine(toUtf8(headerLine), toUtf8(delimiter), fields);
    QString out = QStringLiteral("(");
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        std::string name;
        for (const char c : fields[i].text)
            if (c != '\0')
                name.push_back(c);
        out += sqlName(fromUtf8(fields[i].quoted ? std::string_view(name) : trimBlanks(name)));
    }
    out += QLatin1Char(')');
    return out;
}

LineSource::LineSource(QIODevice& device, FileFormat format)
    : device_(device), format_(std::move(format))
{
}

qsizetype LineSource::recordEnd(const char* data, qsizetype available)
{
    const QByteArray& delimiter = format_.delimiter;
    // A quote needs the byte after it (a doubled quote), a delimiter its whole length.
    const qsizetype look = std::max<qsizetype>(2, delimiter.size());
    qsizetype i = searched_;
    for (; i < available; ++i) {
        if (!atEnd_ && available - i < look)
            break;
        const char c = data[i];
        if (inQuote_) {
            if (c == '"') {
                if (i + 1 < available && data[i + 1] == '"')
                    ++i;
                else
                    inQuote_ = false;
            }
            continue;
        }
        if (c == '\n') {
            searched_ = i;
            return i;
        }
        if (!delimiter.isEmpty() && available - i >= delimiter.size() &&
            std::memcmp(data + i, delimiter.constData(),
                        static_cast<std::size_t>(delimiter.size())) == 0) {
            fieldStart_ = true;
            i += delimiter.size() - 1;
            continue;
        }
        if (fieldStart_ && c == ' ')
            continue;
        if (fieldStart_ && c == '"')
            inQuote_ = true;
        fieldStart_ = false;
    }
    searched_ = i;
    return -1;
}

bool LineSource::nextBytes(std::string_view& line)
{
    for (;;) {
        const char* data = buffer_.constData() + start_;
        const qsizetype available = buffer_.size() - start_;
        qsizetype end = -1;
        if (format_.quotedLineBreaks) {
            end = recordEnd(data, available);
        } else {
            // Bytes of a long line searched before are not searched again.
            const auto* lf = static_cast<const char*>(std::memchr(
                data + searched_, '\n', static_cast<std::size_t>(available - searched_)));
            if (lf != nullptr)
                end = lf - data;
            else
                searched_ = available;
        }
        if (end >= 0) {
            std::size_t length = static_cast<std::size_t>(end);
            start_ += end + 1;
            searched_ = 0;
            fieldStart_ = true;
            inQuote_ = false;
            // Only a CR before LF is part of the line break; a lone CR at the end is text.
            if (length > 0 && data[length - 1] == '\r')
                --length;
            line = std::string_view(data, length);
            return true;
        }
        if (atEnd_) {
            // After a failed read the bytes left may be half a line: nothing more is given.
            if (available == 0 || failed_)
                return false;
            line = std::string_view(data, static_cast<std::size_t>(available));
            start_ = buffer_.size();
            searched_ = 0;
            return true;
        }
        if (start_ > 0) {
            buffer_.remove(0, start_);
            start_ = 0;
        }
        const qsizetype kept = buffer_.size();
        // A line of hundreds of megabytes grows the buffer by doubling, not block by block.
        if (buffer_.capacity() < kept + kChunk)
            buffer_.reserve(std::max(buffer_.capacity() * 2, kept + kChunk));
        buffer_.resize(kept + kChunk);
        const qint64 n = device_.read(buffer_.data() + kept, kChunk);
        buffer_.resize(kept + std::max<qint64>(n, 0));
        if (n < 0)
            failed_ = true;
        if (n <= 0)
            atEnd_ = true;
        if (!started_) {
            started_ = true;
            if (format_.encoding == FileEncoding::Utf8 && buffer_.startsWith("\xEF\xBB\xBF"))
                start_ = 3;
        }
    }
}

bool LineSource::next(QString& line)
{
    std::string_view bytes;
    if (!nextBytes(bytes)) {
        line.clear();
        return false;
    }
    line = fromUtf8(fileTextToUtf8(bytes, format_.encoding));
    return true;
}

qint64 countRecords(QIODevice& device, const FileFormat& format)
{
    LineSource source(device, format);
    std::string_view record;
    qint64 records = 0;
    while (source.nextBytes(record))
        ++records;
    return source.failed() ? -1 : records;
}

qint64 countLines(QIODevice& device)
{
    constexpr qint64 kChunk = 1 << 20;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    qint64 lines = 0;
    char last = '\n';
    for (;;) {
        const qint64 n = device.read(chunk.data(), kChunk);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        lines += std::count(chunk.constData(), chunk.constData() + n, '\n');
        last = chunk[n - 1];
    }
    return last == '\n' ? lines : lines + 1;
}

} // namespace csvimport
