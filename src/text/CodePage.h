#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// The one place where bytes become text and back. Program texts are UTF-8 std::string here;
// the program's own files and the user's delimited files are code page 932 on disk.
namespace codepage {

// UTF-8 -> CP932. A character CP932 cannot hold becomes "?".
std::string utf8ToCp932(std::string_view utf8);
// CP932 -> UTF-8. A byte sequence that is not CP932 becomes U+FFFD.
std::string cp932ToUtf8(std::string_view cp932);

// Bytes of the CP932 character at bytes[at] as cp932ToUtf8 reads it: 2 for a valid double-byte
// character, else 1 (a single-byte character, or a byte that is not CP932 and reads as U+FFFD
// on its own, even when the byte after it looks like a trail byte).
std::size_t cp932CharLength(std::string_view bytes, std::size_t at);

// Byte length of a UTF-8 text once converted to CP932.
std::size_t cp932ByteLength(std::string_view utf8);

// The longest prefix of at most maxBytes bytes that does not split a UTF-8 character.
std::string_view cutUtf8(std::string_view utf8, std::size_t maxBytes);

// True when the bytes are valid UTF-8 (fast on ASCII, which most values are).
bool isValidUtf8(std::string_view bytes);

// Repairs a byte string from outside (a driver, a file) into valid UTF-8, U+FFFD per bad byte.
std::string sanitizeUtf8(std::string_view bytes);

// UTF-16 (a QString's code units, a wide ODBC text) -> UTF-8; a lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view utf16);
// UTF-8 -> UTF-16 code units; a byte that is not UTF-8 becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view utf8);

// How the program's own files (SQLHIST.TXT, SQLTMPL.TXT, QUORVANT.INI) hold their text: code
// page 932, as on Japanese Windows systems, while every character survives it exactly; else the
// whole file is UTF-8 behind a byte-order mark. The mark tells the two apart, so the program
// never guesses at its own files.
enum class FileCoding { Cp932, Utf8 };
inline constexpr std::string_view kUtf8Bom{"\xEF\xBB\xBF", 3};

// Utf8 when the bytes begin with the byte-order mark, else Cp932. A CP932 file never begins
// with those bytes (0xEF 0xBB is no CP932 character).
FileCoding codingOf(std::string_view fileBytes);
// The bytes after the byte-order mark of a UTF-8 file; all of them for a CP932 file.
std::string_view fileBody(std::string_view fileBytes);
// True when CP932 gives the text back unchanged: false for a character it lacks ("?") and for
// those it maps onto others (U+301C 〜, U+2212 −, U+2014 —, U+2016 ‖, ¢, ¬ read back as their
// full-width forms).
bool cp932HoldsExactly(std::string_view utf8);
// Text to bytes of a file body in that coding and back (no mark); UTF-8 bytes that are not
// valid read as U+FFFD per byte, as CP932 bytes that are not CP932 do.
std::string encodeAs(std::string_view utf8, FileCoding coding);
std::string decodeAs(std::string_view bytes, FileCoding coding);

// Line breaks: CR LF and LF both read as "\n"; "\n" is written as CR LF.
std::string normalizeLineBreaks(std::string_view text);
std::string toCrLf(std::string_view text);

// Whole-file read of a CP932 text file into UTF-8 with "\n" line breaks. False when the file
// cannot be opened (the text is then empty).
bool readTextFile(const std::string& path, std::string& utf8Out);

// Line-by-line reader of a CP932 text file: each line without its CR LF / LF.
class LineReader {
public:
    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool open(const std::string& path);
    void close();
    bool isOpen() const { return file_ != nullptr; }
    // False at the end of the file.
    bool readLine(std::string& utf8Line);

private:
    std::FILE* file_ = nullptr;
};

// Line-by-line writer of a CP932 text file, CR LF after each line.
class LineWriter {
public:
    LineWriter() = default;
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    bool open(const std::string& path, bool append = false);
    bool writeLine(std::string_view utf8Line);
    // Closes and reports whether everything written reached the file.
    bool close();
    bool isOpen() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

} // namespace codepage
