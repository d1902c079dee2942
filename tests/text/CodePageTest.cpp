#include "text/CodePage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>

namespace {

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

} // namespace

TEST(CodePage, JapaneseRoundTripsThroughCp932)
{
    const std::string text = "表示（ﾃｽﾄ）ＡＢＣ abc ①";
    const std::string bytes = codepage::utf8ToCp932(text);
    // "表" is 0x95 0x5C in CP932: the second byte looks like a backslash.
    EXPECT_EQ(bytes.substr(0, 2), std::string("\x95\x5C"));
    EXPECT_EQ(codepage::cp932ToUtf8(bytes), text);
    EXPECT_EQ(codepage::cp932ByteLength("ｱ"), 1u);
    EXPECT_EQ(codepage::cp932ByteLength("ア"), 2u);
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarksAndBadBytesReplacementChars)
{
    EXPECT_EQ(codepage::utf8ToCp932("a😀b"), "a?b");
    EXPECT_EQ(codepage::utf8ToCp932("한"), "?");
    // A lone lead byte at the end and a byte no CP932 sequence starts with.
    EXPECT_EQ(codepage::cp932ToUtf8(std::string("x\xA0y\x82", 4)), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
}

TEST(CodePage, CutsNeverSplitACharacter)
{
    const std::string jp = "あいう"; // 3 bytes each
    EXPECT_EQ(codepage::cutUtf8(jp, 9), jp);
    EXPECT_EQ(codepage::cutUtf8(jp, 8), "あい");
    EXPECT_EQ(codepage::cutUtf8(jp, 4), "あ");
    EXPECT_EQ(codepage::cutUtf8(jp, 2), "");
    EXPECT_EQ(codepage::cutUtf8("abc", 2), "ab");
    const std::string mixed = std::string(253, 'x') + "あ";
    EXPECT_EQ(codepage::cutUtf8(mixed, 254).size(), 253u);
}

TEST(CodePage, SanitizeReplacesInvalidUtf8)
{
    EXPECT_EQ(codepage::sanitizeUtf8("ok"), "ok");
    EXPECT_EQ(codepage::sanitizeUtf8(std::string("a\xC3", 2)), "a\xEF\xBF\xBD");
    EXPECT_EQ(codepage::sanitizeUtf8(std::string("\xED\xA0\x80", 3)),
              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(codepage::sanitizeUtf8("あ"), "あ");

    EXPECT_TRUE(codepage::isValidUtf8("sixteen ascii ok あ and more ascii"));
    EXPECT_FALSE(codepage::isValidUtf8(std::string("0123456789abcdef\xE3\x81", 18)));
    EXPECT_FALSE(codepage::isValidUtf8(std::string("\xED\xA0\x80", 3))); // a surrogate
    EXPECT_TRUE(codepage::isValidUtf8(""));
}

TEST(CodePage, FilesReadAsCp932WithCrLfOrLf)
{
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath("t.txt").toStdString();
    writeBytes(path, codepage::utf8ToCp932("一行目\r\n二行目\r\n"));
    std::string back;
    ASSERT_TRUE(codepage::readTextFile(path, back));
    EXPECT_EQ(back, "一行目\n二行目\n");

    writeBytes(path, codepage::utf8ToCp932("a\nb\r\nc"));
    ASSERT_TRUE(codepage::readTextFile(path, back));
    EXPECT_EQ(back, "a\nb\nc");

    EXPECT_FALSE(codepage::readTextFile(path + ".missing", back));
    EXPECT_EQ(back, "");
}

TEST(CodePage, LineReaderAndWriterKeepLinesApart)
{
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath("lines.csv").toStdString();
    {
        codepage::LineWriter w;
        ASSERT_TRUE(w.open(path));
        EXPECT_TRUE(w.writeLine("名前,値"));
        EXPECT_TRUE(w.writeLine(""));
        EXPECT_TRUE(w.writeLine("ﾃｽﾄ,1"));
        EXPECT_TRUE(w.close());
    }
    EXPECT_EQ(readBytes(path), codepage::utf8ToCp932("名前,値\r\n\r\nﾃｽﾄ,1\r\n"));
    codepage::LineReader r;
    ASSERT_TRUE(r.open(path));
    std::string line;
    std::vector<std::string> lines;
    while (r.readLine(line))
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"名前,値", "", "ﾃｽﾄ,1"}));

    codepage::LineWriter bad;
    EXPECT_FALSE(bad.open(dir.path().toStdString() + "/no/such/folder/x.csv"));
    EXPECT_FALSE(bad.writeLine("x"));
}

// Both readers give the same text for the same bytes; a CR counts as a line break only before
// LF.
TEST(CodePage, LineReaderReadsWhatTheWholeFileReaderReads)
{
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath("edges.txt").toStdString();
    for (const char* bytes : {"\r", "a\r\nb\r", "a\rb\r\n", "\r\r\n", "x\n\r", "\x82\r\n\x82"}) {
        writeBytes(path, bytes);
        std::string whole;
        ASSERT_TRUE(codepage::readTextFile(path, whole));
        codepage::LineReader r;
        ASSERT_TRUE(r.open(path));
        std::string line;
        std::string joined;
        for (bool first = true; r.readLine(line); first = false)
            joined += (first ? "" : "\n") + line;
        if (std::string(bytes).back() == '\n')
            joined += '\n';
        EXPECT_EQ(joined, whole) << testing::PrintToString(std::string(bytes));
    }
}

// The program's own files: CP932 only while a text comes back from it exactly; the byte-order
// mark alone says a file is UTF-8.
TEST(CodePage, OwnFilesAreCp932OnlyWhileTextComesBackExactly)
{
    for (const char* exact : {"", "SELECT 1", "表示 ﾃｽﾄ ①㈱ ～ －", "\x7F"})
        EXPECT_TRUE(codepage::cp932HoldsExactly(exact)) << exact;
    for (const char* changed : {"〜", "−", "—", "‖", "¢", "¬", "José", "😀", "\xEF\xBB\xBF"})
        EXPECT_FALSE(codepage::cp932HoldsExactly(changed)) << changed;

    using codepage::FileCoding;
    EXPECT_EQ(codepage::codingOf("\xEF\xBB\xBF〜"), FileCoding::Utf8);
    EXPECT_EQ(codepage::codingOf("\x95\x5C"), FileCoding::Cp932);
    EXPECT_EQ(codepage::codingOf("\xEF\xBB"), FileCoding::Cp932);
    EXPECT_EQ(codepage::fileBody("\xEF\xBB\xBF\xEF\xBB\xBFx"), "\xEF\xBB\xBFx");
    EXPECT_EQ(codepage::fileBody("\x95\x5C"), "\x95\x5C");
    EXPECT_EQ(codepage::decodeAs(codepage::encodeAs("〜 José", FileCoding::Utf8), FileCoding::Utf8),
              "〜 José");
    EXPECT_EQ(codepage::decodeAs("a\xC3", FileCoding::Utf8), "a\xEF\xBF\xBD");
    EXPECT_EQ(codepage::encodeAs("表", FileCoding::Cp932), "\x95\x5C");
}
