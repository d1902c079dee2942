// The code-page module under arbitrary bytes: decoded text is valid UTF-8, cuts give the
// longest whole-character prefix, a round trip through CP932 is stable after the first one, and
// the whole-file and line-by-line readers read the same text.
#include "FuzzCheck.h"
#include "base/Utf8Text.h"
#include "text/CodePage.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& filePath()
{
    static const std::string path = [] {
        char folder[] = "/tmp/qv-fuzz-codepage.XXXXXX";
        if (::mkdtemp(folder) == nullptr)
            std::abort();
        return std::string(folder) + "/text.txt";
    }();
    return path;
}

// Checked against Qt's own decoder, not against the module's validator; the decoder keeps a
// leading U+FEFF, which is text like any other.
bool validUtf8(const std::string& s)
{
    return textFromUtf8(s).toStdString() == s && codepage::isValidUtf8(s);
}

std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    return 2;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::size_t cut = in.ConsumeIntegralInRange<std::size_t>(0, 256);
    const std::string bytes = in.ConsumeRemainingBytesAsString();

    const std::string decoded = codepage::cp932ToUtf8(bytes);
    FUZZ_CHECK(validUtf8(decoded), "CP932 decoding gives valid UTF-8");

    const std::string repaired = codepage::sanitizeUtf8(bytes);
    FUZZ_CHECK(validUtf8(repaired), "repair gives valid UTF-8");
    FUZZ_CHECK(codepage::isValidUtf8(bytes) == (repaired == bytes),
               "repair changes exactly the invalid texts");
    FUZZ_CHECK(codepage::isValidUtf8(bytes) == validUtf8(bytes), "validator agrees with Qt");

    // The cut of valid text: a prefix within the limit, valid, and the next character would
    // not have fitted.
    for (const std::string* text : {&decoded, &repaired}) {
        const std::string_view prefix = codepage::cutUtf8(*text, cut);
        FUZZ_CHECK(prefix.size() <= cut || prefix.size() == text->size(), "cut within the limit");
        FUZZ_CHECK(text->compare(0, prefix.size(), prefix) == 0, "cut is a prefix");
        FUZZ_CHECK(validUtf8(std::string(prefix)), "cut splits no character");
        if (prefix.size() < text->size()) {
            const auto next = static_cast<unsigned char>((*text)[prefix.size()]);
            FUZZ_CHECK(prefix.size() + sequenceLength(next) > cut, "cut is the longest prefix");
        }
    }

    // One round trip settles every character on its CP932 form; a second changes nothing.
    const std::string encoded = codepage::utf8ToCp932(decoded);
    const std::string again = codepage::cp932ToUtf8(encoded);
    FUZZ_CHECK(codepage::utf8ToCp932(again) == encoded, "encoding is stable after a round trip");
    FUZZ_CHECK(codepage::cp932ToUtf8(codepage::utf8ToCp932(again)) == again,
               "decoding is stable after a round trip");
    FUZZ_CHECK(codepage::cp932ByteLength(repaired) == codepage::utf8ToCp932(repaired).size(),
               "byte length is the encoded length");

    // The program's own files: CP932 is chosen only for text it gives back exactly, and UTF-8
    // behind the mark gives back every valid text.
    if (codepage::cp932HoldsExactly(repaired)) {
        FUZZ_CHECK(codepage::decodeAs(codepage::encodeAs(repaired, codepage::FileCoding::Cp932),
                                      codepage::FileCoding::Cp932) == repaired,
                   "CP932 chosen only where exact");
    }
    const std::string file = std::string(codepage::kUtf8Bom) + repaired;
    FUZZ_CHECK(codepage::codingOf(file) == codepage::FileCoding::Utf8 &&
                   codepage::decodeAs(codepage::fileBody(file), codepage::FileCoding::Utf8) ==
                       repaired,
               "UTF-8 file round trip");

    // Line breaks: CR LF written, and read back as the same "\n" text.
    FUZZ_CHECK(codepage::normalizeLineBreaks(codepage::toCrLf(decoded)) ==
                   codepage::normalizeLineBreaks(decoded),
               "CR LF round trip");

    // The whole-file reader and the line reader agree on every file.
    {
        std::FILE* f = std::fopen(filePath().c_str(), "wb");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
            std::abort();
        std::fclose(f);
    }
    std::string whole;
    FUZZ_CHECK(codepage::readTextFile(filePath(), whole), "whole-file read");
    codepage::LineReader reader;
    FUZZ_CHECK(reader.open(filePath()), "line reader opens");
    std::string joined;
    std::string line;
    bool first = true;
    while (reader.readLine(line)) {
        if (!first)
            joined += '\n';
        joined += line;
        first = false;
    }
    if (!bytes.empty() && bytes.back() == '\n')
        joined += '\n';
    FUZZ_CHECK(joined == whole, "whole-file and line readers agree");
    return 0;
}
