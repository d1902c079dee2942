#include "text/CodePage.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace codepage {
namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid sequence.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        len = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        len = 4;
    else
        return 0;
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    const auto c1 = static_cast<unsigned char>(s[i + 1]);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
        (c == 0xF4 && c1 > 0x8F))
        return 0;
    return len;
}

// iconv over a whole buffer; on a bad or unmappable input sequence the callback decides how many
// input bytes to skip and what to emit instead.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    template <typename OnBad> std::string run(std::string_view in, OnBad onBad)
    {
        std::string out;
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            return std::string(in);
        out.reserve(in.size() + in.size() / 2 + 8);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buf[4096];
        while (srcLeft > 0) {
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            const std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: skip the offending input.
            const std::size_t offset = in.size() - srcLeft;
            std::size_t skip = onBad(in, offset, out);
            if (skip == 0 || skip > srcLeft)
                skip = 1;
            src += skip;
            srcLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

} // namespace

std::string utf8ToCp932(std::string_view utf8)
{
    // Pure ASCII needs no conversion; most texts are.
    bool ascii = true;
    for (const char ch : utf8) {
        if (static_cast<unsigned char>(ch) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return std::string(utf8);
    thread_local Converter conv("CP932", "UTF-8");
    return conv.run(utf8, [](std::string_view in, std::size_t at, std::string& out) {
        out.push_back('?');
        const std::size_t len = utf8SequenceLength(in, at);
        return len == 0 ? std::size_t{1} : len;
    });
}

std::string cp932ToUtf8(std::string_view cp932)
{
    bool ascii = true;
    for (const char ch : cp932) {
        if (static_cast<unsigned char>(ch) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return std::string(cp932);
    thread_local Converter conv("UTF-8", "CP932");
    return conv.run(cp932, [](std::string_view, std::size_t, std::string& out) {
        out.append("\xEF\xBF\xBD");
        return std::size_t{1};
    });
}

std::size_t cp932CharLength(std::string_view bytes, std::size_t at)
{
    // Which lead and trail bytes iconv takes as one character, asked once per pair: a pair that
    // is not CP932 (0x85 0x5D) must not hide its second byte ("]") from a parser.
    static const std::vector<bool> valid = [] {
        std::vector<bool> pairs(0x10000, false);
        Converter conv("UTF-8", "CP932");
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                bool bad = false;
                const std::string out =
                    conv.run(std::string_view(pair, 2), [&bad](auto, auto, auto&) {
                        bad = true;
                        return std::size_t{1};
                    });
                // A half-width katakana byte followed by another character gives two.
                std::size_t chars = 0;
                for (const char c : out)
                    chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
                pairs[lead << 8 | trail] = !bad && chars == 1;
            }
        }
        return pairs;
    }();
    if (at + 1 >= bytes.size())
        return 1;
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const auto trail = static_cast<unsigned char>(bytes[at + 1]);
    return valid[static_cast<std::size_t>(lead) << 8 | trail] ? 2 : 1;
}

std::size_t cp932ByteLength(std::string_view utf8)
{
    return utf8ToCp932(utf8).size();
}

std::string_view cutUtf8(std::string_view utf8, std::size_t maxBytes)
{
    if (utf8.size() <= maxBytes)
        return utf8;
    std::size_t end = maxBytes;
    // Step back over continuation bytes to the start of the character that would be split.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return utf8.substr(0, end);
}

bool isValidUtf8(std::string_view bytes)
{
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // Skip eight ASCII bytes at a time while no high bit is set.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            if ((word & 0x8080808080808080ULL) != 0)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = utf8SequenceLength(bytes, i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::string sanitizeUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t len = utf8SequenceLength(bytes, i);
        if (len == 0) {
            out.append("\xEF\xBF\xBD");
            ++i;
        } else {
            out.append(bytes.substr(i, len));
            i += len;
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        std::uint32_t u = utf16[i];
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        if (u >= 0xD800 && u < 0xE000) {
            const std::uint32_t low = i + 1 < utf16.size() ? utf16[i + 1] : 0;
            if (u < 0xDC00 && low >= 0xDC00 && low < 0xE000) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                u = 0xFFFD;
            }
        }
        if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
        } else if (u < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (u >> 18)));
            out.push_back(static_cast<char>(0x80 | ((u >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        }
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t valid = utf8SequenceLength(utf8, i);
        const std::size_t len = valid == 0 ? 1 : valid;
        const auto byte = [&](std::size_t k) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(utf8[i + k]));
        };
        std::uint32_t u = valid == 0 ? 0xFFFD : byte(0);
        if (len == 2)
            u = (u & 0x1F) << 6 | (byte(1) & 0x3F);
        else if (len == 3)
            u = (u & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
        else if (len == 4)
            u = (u & 0x07) << 18 | (byte(1) & 0x3F) << 12 | (byte(2) & 0x3F) << 6 |
                (byte(3) & 0x3F);
        if (u >= 0x10000) {
            u -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (u >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (u & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(u));
        }
        i += len;
    }
    return out;
}

FileCoding codingOf(std::string_view fileBytes)
{
    return fileBytes.substr(0, kUtf8Bom.size()) == kUtf8Bom ? FileCoding::Utf8 : FileCoding::Cp932;
}

std::string_view fileBody(std::string_view fileBytes)
{
    return codingOf(fileBytes) == FileCoding::Utf8 ? fileBytes.substr(kUtf8Bom.size()) : fileBytes;
}

bool cp932HoldsExactly(std::string_view utf8)
{
    bool ascii = true;
    for (const char ch : utf8) {
        if (static_cast<unsigned char>(ch) >= 0x80) {
            ascii = false;
            break;
        }
    }
    return ascii || cp932ToUtf8(utf8ToCp932(utf8)) == utf8;
}

std::string encodeAs(std::string_view utf8, FileCoding coding)
{
    return coding == FileCoding::Utf8 ? std::string(utf8) : utf8ToCp932(utf8);
}

std::string decodeAs(std::string_view bytes, FileCoding coding)
{
    if (coding == FileCoding::Cp932)
        return cp932ToUtf8(bytes);
    return isValidUtf8(bytes) ? std::string(bytes) : sanitizeUtf8(bytes);
}

std::string normalizeLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out.push_back(text[i]);
    }
    return out;
}

std::string toCrLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

bool readTextFile(const std::string& path, std::string& utf8Out)
{
    utf8Out.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    std::string raw;
    char buf[65536];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        raw.append(buf, n);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    utf8Out = normalizeLineBreaks(cp932ToUtf8(raw));
    return ok;
}

LineReader::~LineReader()
{
    close();
}

bool LineReader::open(const std::string& path)
{
    close();
    file_ = std::fopen(path.c_str(), "rb");
    return file_ != nullptr;
}

void LineReader::close()
{
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool LineReader::readLine(std::string& utf8Line)
{
    utf8Line.clear();
    if (file_ == nullptr)
        return false;
    std::string raw;
    int ch = 0;
    bool any = false;
    bool broken = false;
    while ((ch = std::fgetc(file_)) != EOF) {
        any = true;
        if (ch == '\n') {
            broken = true;
            break;
        }
        raw.push_back(static_cast<char>(ch));
    }
    if (!any)
        return false;
    // Only a CR before LF is part of the line break; a lone CR at the end of the file is text,
    // as readTextFile reads it.
    if (broken && !raw.empty() && raw.back() == '\r')
        raw.pop_back();
    utf8Line = cp932ToUtf8(raw);
    return true;
}

LineWriter::~LineWriter()
{
    close();
}

bool LineWriter::open(const std::string& path, bool append)
{
    close();
    failed_ = false;
    file_ = std::fopen(path.c_str(), append ? "ab" : "wb");
    return file_ != nullptr;
}

bool LineWriter::writeLine(std::string_view utf8Line)
{
    if (file_ == nullptr)
        return false;
    std::string bytes = utf8ToCp932(utf8Line);
    bytes.append("\r\n");
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        failed_ = true;
    return !failed_;
}

bool LineWriter::close()
{
    if (file_ == nullptr)
        return !failed_;
    if (std::fclose(file_) != 0)
        failed_ = true;
    file_ = nullptr;
    return !failed_;
}

} // namespace codepage
