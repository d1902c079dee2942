#include "editor/TokenSearch.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

using namespace tokensearch;

namespace {

// Walks a search from a caret and returns the texts it selects, in order, until it stops.
QStringList walk(const QString& text, qsizetype caret, bool right, Mode mode,
                 const KeywordSet& keywords = KeywordSet())
{
    QStringList found;
    qsizetype start = caret;
    qsizetype length = 0;
    for (int guard = 0; guard < 100; ++guard) {
        const Hit hit = right ? searchRight(text, start, length, mode, keywords)
                              : searchLeft(text, start, length, mode, keywords);
        if (!hit.found)
            break;
        found.append(text.mid(hit.start, hit.length));
        start = hit.start;
        length = hit.length;
    }
    return found;
}

QList<qsizetype> placeholderStarts(const QString& text, qsizetype caret, bool right)
{
    QList<qsizetype> starts;
    qsizetype start = caret;
    qsizetype length = 0;
    for (int guard = 0; guard < 100; ++guard) {
        const Hit hit = right ? searchRight(text, start, length, Mode::Placeholder, {})
                              : searchLeft(text, start, length, Mode::Placeholder, {});
        if (!hit.found)
            break;
        EXPECT_EQ(hit.length, 1);
        starts.append(hit.start);
        start = hit.start;
        length = hit.length;
    }
    return starts;
}

} // namespace

TEST(TokenSearch, PlaceholdersAreWalkedBothWaysAndTheLeftSearchFromZeroFindsTheLast)
{
    const QString text = QStringLiteral("UPDATE T SET ? = ? WHERE ? = ?");
    EXPECT_EQ(placeholderStarts(text, 0, true), (QList<qsizetype>{13, 17, 25, 29}));
    // From the fourth "?" selected, the left search goes back through the others.
    const Hit third = searchLeft(text, 29, 1, Mode::Placeholder, {});
    ASSERT_TRUE(third.found);
    EXPECT_EQ(third.start, 25);
    EXPECT_EQ(placeholderStarts(text, 29, false), (QList<qsizetype>{25, 17, 13}));
    // The caret right behind a "?" finds that one.
    EXPECT_EQ(searchLeft(text, 18, 0, Mode::Placeholder, {}).start, 17);
    // The caret at the start: the whole text is searched and its last "?" found.
    const Hit last = searchLeft(text, 0, 0, Mode::Placeholder, {});
    ASSERT_TRUE(last.found);
    EXPECT_EQ(last.start, 29);
    // Nothing behind the last one, nothing at all in a text without one.
    EXPECT_FALSE(searchRight(text, 29, 1, Mode::Placeholder, {}).found);
    EXPECT_FALSE(searchLeft(QStringLiteral("SELECT 1"), 0, 0, Mode::Placeholder, {}).found);
    EXPECT_FALSE(searchRight(QString(), 0, 0, Mode::Placeholder, {}).found);
}

TEST(TokenSearch, TokensAreWalkedBothWaysAndSplitAtTheCaretInsideAWord)
{
    const QString text = QStringLiteral("SELECT a.b,c FROM t");
    const QStringList tokens = {"SELECT", "a", "b", "c", "FROM", "t"};
    EXPECT_EQ(walk(text, 0, true, Mode::Token), tokens);
    QStringList reversed(tokens.crbegin(), tokens.crend());
    EXPECT_EQ(walk(text, text.size(), false, Mode::Token), reversed);
    // From the start the token mode does not wrap: nothing is left of position 0.
    EXPECT_FALSE(searchLeft(text, 0, 0, Mode::Token, {}).found);

    // Inside "SELECT" after "SEL": left takes the part before the caret, right the part after.
    const Hit left = searchLeft(text, 3, 0, Mode::Token, {});
    EXPECT_EQ(text.mid(left.start, left.length), QStringLiteral("SEL"));
    const Hit right = searchRight(text, 3, 0, Mode::Token, {});
    EXPECT_EQ(text.mid(right.start, right.length), QStringLiteral("ECT"));
    // Only delimiters behind the caret: nothing changes.
    EXPECT_FALSE(searchRight(QStringLiteral("t  (\r\n\t)"), 1, 0, Mode::Token, {}).found);
}

TEST(TokenSearch, KeywordModeSkipsOtherTokensAndComparesBlindToCaseAndWidth)
{
    const KeywordSet keywords(QStringList{"select", "From", ""});
    const QString text = QStringLiteral("SELECT a.b,c FROM t");
    EXPECT_EQ(walk(text, 0, true, Mode::Keyword, keywords), (QStringList{"SELECT", "FROM"}));
    EXPECT_EQ(walk(text, text.size(), false, Mode::Keyword, keywords),
              (QStringList{"FROM", "SELECT"}));
    EXPECT_TRUE(
        walk(QStringLiteral("UPDATE t SET a = 1"), 0, true, Mode::Keyword, keywords).isEmpty());
    // A full-width keyword in the text is the same keyword.
    EXPECT_EQ(walk(QStringLiteral("ｓｅｌｅｃｔ x"), 0, true, Mode::Keyword, keywords),
              (QStringList{"ｓｅｌｅｃｔ"}));
    // No keyword file: the keyword mode finds nothing, in either direction.
    EXPECT_TRUE(walk(text, 0, true, Mode::Keyword, KeywordSet()).isEmpty());
    EXPECT_TRUE(walk(text, text.size(), false, Mode::Keyword, KeywordSet()).isEmpty());
}

TEST(TokenSearch, FullWidthMarksCountAsPlaceholdersAndDelimiters)
{
    const QString text = QStringLiteral("WHERE a = ？ AND f（x，y）　z");
    EXPECT_EQ(placeholderStarts(text, 0, true), (QList<qsizetype>{10}));
    EXPECT_EQ(walk(text, 0, true, Mode::Token),
              (QStringList{"WHERE", "a", "=", "？", "AND", "f", "x", "y", "z"}));
    EXPECT_TRUE(isDelimiter(QChar(0x3000)));
    EXPECT_FALSE(isDelimiter(QChar(u'ア')));
    EXPECT_FALSE(isPlaceholder(QChar(u'・')));
}

TEST(TokenSearch, ModeButtonCyclesThroughItsThreeCaptions)
{
    Mode m = Mode::Placeholder;
    QStringList captions;
    for (int i = 0; i < 4; ++i) {
        captions.append(modeCaption(m));
        EXPECT_EQ(modeOfCaption(modeCaption(m)), m);
        m = nextMode(m);
    }
    EXPECT_EQ(captions, (QStringList{"？", "ﾄｰｸﾝ", "ｷｰﾜｰﾄﾞ", "？"}));
}

TEST(TokenSearch, KeywordFileLinesEndAtCrLfLfOrCrAndKeepEmptyLines)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"CR LF", "SELECT\r\nFROM\r\n", {"SELECT", "FROM"}},
        {"lone CR and LF", "SELECT\rFROM\nWHERE", {"SELECT", "FROM", "WHERE"}},
        {"empty lines kept", "A\r\n\r\n\nB\r\n", {"A", "", "", "B"}},
        {"only a break", "\r\n", {""}},
        {"empty file", "", {}},
        {"CP932", "\x95\x5C\r\n", {"表"}},
        {"UTF-8 saved by an editor", "\xEF\xBB\xBF表\nJosé\n", {"表", "José"}},
        {"NUL dropped", QByteArray("SEL\0ECT\r\n\0\r\n", 12), {"SELECT", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(keywordLines(c.bytes), c.lines) << c.name;
}

TEST(TokenSearch, LargeKeywordFilesAndLongTextsStayQuick)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // 5 MB: NUL bytes, CP932 bytes that are not characters, line breaks of every kind.
    QByteArray bytes;
    static const char raw[] = "KW\0\x81\r\n\xFF\xFF\rNAME\n";
    const QByteArray chunk(raw, sizeof raw - 1);
    while (bytes.size() < 5 * 1024 * 1024)
        bytes += chunk;
    const QString path = dir.filePath("SQLKYWD.TXT");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    QElapsedTimer timer;
    timer.start();
    const QStringList lines = readKeywordFile(path);
    EXPECT_EQ(lines.size(), 3 * (bytes.size() / chunk.size()));
    EXPECT_EQ(lines.value(2), QStringLiteral("NAME"));
    EXPECT_FALSE(lines.value(0).contains(QChar(0)));
    EXPECT_TRUE(readKeywordFile(dir.filePath("missing.txt")).isEmpty());

    // 100,000 characters without a keyword and with one placeholder near the start.
    QString text = QStringLiteral("a ? ");
    while (text.size() < 100000)
        text += QStringLiteral("col_ｶﾅ（x），");
    const KeywordSet keywords(lines);
    EXPECT_FALSE(searchRight(text, 0, 0, Mode::Keyword, keywords).found);
    EXPECT_FALSE(searchLeft(text, text.size(), 0, Mode::Keyword, keywords).found);
    EXPECT_EQ(searchLeft(text, 0, 0, Mode::Placeholder, {}).start, 2);
    const Hit token = searchLeft(text, text.size(), 0, Mode::Token, {});
    EXPECT_EQ(text.mid(token.start, token.length), QStringLiteral("x"));
    EXPECT_LT(timer.elapsed(), 20000);
}
