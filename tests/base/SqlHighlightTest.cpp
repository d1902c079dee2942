#include "base/SqlHighlight.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

using namespace Qt::Literals::StringLiterals;
using sqlhighlight::Kind;

char letter(Kind kind)
{
    switch (kind) {
    case Kind::Keyword:
        return 'k';
    case Kind::String:
        return 's';
    case Kind::QuotedName:
        return 'q';
    case Kind::Number:
        return 'n';
    case Kind::Comment:
        return 'c';
    }
    return '?';
}

// The lines scanned one after another as a highlighter does, each coloured span shown as
// "k{...}" (keyword, string, quoted name, number, comment) and the lines joined by "|".
QString marked(const QStringList& lines, const QStringList& keywords, sql::Dialect dialect = {})
{
    const sqlhighlight::Keywords words(keywords);
    std::vector<sqlhighlight::Span> spans;
    sql::Carry<char16_t> open;
    QStringList out;
    for (const QString& line : lines) {
        open = sqlhighlight::scanLine(line, open, dialect, words, spans);
        QString m;
        qsizetype at = 0;
        for (const sqlhighlight::Span& s : spans) {
            m += line.mid(at, s.start - at);
            m += QLatin1Char(letter(s.kind)) + QStringLiteral("{") + line.mid(s.start, s.length) +
                 QStringLiteral("}");
            at = s.start + s.length;
        }
        out << m + line.mid(at);
    }
    return out.join(QLatin1Char('|'));
}

} // namespace

TEST(SqlHighlight, ColoursKeywordsStringsNamesNumbersAndComments)
{
    const QStringList keywords{QStringLiteral("SELECT"), QStringLiteral("FROM"),
                               QStringLiteral("WHERE"), QString()};
    const sql::Dialect pg{sql::Engine::PostgreSql};
    const sql::Dialect maria{sql::Engine::MariaDb, true};
    struct Case {
        QStringList lines;
        const char16_t* expected;
        sql::Dialect dialect = {};
    } cases[] = {
        {{u"select a, 'it''s' FROM \"My \"\"T\"\" x\" -- FROM"_s},
         u"k{select} a, s{'it''s'} k{FROM} q{\"My \"\"T\"\" x\"} c{-- FROM}"},
        // Keywords are whole words, compared as the keyword search compares.
        {{u"ｓｅｌｅｃｔ selected from_t t.FROM"_s}, u"k{ｓｅｌｅｃｔ} selected from_t t.k{FROM}"},
        {{u"1 1.5 .5 2e10 3E-2 t1 2nd x=7"_s}, u"n{1} n{1.5} n{.5} n{2e10} n{3E-2} t1 2nd x=n{7}"},
        // Comments, strings and quoted names run on over line breaks.
        {{u"a /* SELECT"_s, u"FROM"_s, u"x */ WHERE /**/ 1"_s},
         u"a c{/* SELECT}|c{FROM}|c{x */} k{WHERE} c{/**/} n{1}"},
        {{u"'a"_s, u"SELECT"_s, u"b' FROM"_s}, u"s{'a}|s{SELECT}|s{b'} k{FROM}"},
        {{u"`my"_s, u"t` 5"_s}, u"q{`my}|q{t`} n{5}"},
        // A "--" inside a string is no comment; a quote inside a comment opens nothing.
        {{u"'--' -- it's"_s, u"FROM"_s}, u"s{'--'} c{-- it's}|k{FROM}"},
        {{u"/* ' */ FROM"_s}, u"c{/* ' */} k{FROM}"},
        // Each database's own reading: escapes, dollar quotes, nesting, "#" and "--".
        {{u"SELECT 'a\\'b' FROM"_s}, u"k{SELECT} s{'a\\'}bs{' FROM}"},
        {{u"SELECT 'a\\'b' FROM"_s}, u"k{SELECT} s{'a\\'b'} k{FROM}", maria},
        {{u"SELECT $f$ it's"_s, u"FROM $g$ $f$ FROM $$x$$"_s},
         u"k{SELECT} s{$f$ it's}|s{FROM $g$ $f$} k{FROM} s{$$x$$}",
         pg},
        {{u"/* a /* b */ FROM"_s, u"*/ FROM"_s}, u"c{/* a /* b */ FROM}|c{*/} k{FROM}", pg},
        {{u"/* a /* b */ FROM"_s, u"*/ FROM"_s}, u"c{/* a /* b */} k{FROM}|*/ k{FROM}"},
        {{u"# FROM"_s, u"FROM a--b -- c"_s}, u"c{# FROM}|k{FROM} a--b c{-- c}", maria},
        {{u"# FROM"_s}, u"# k{FROM}", pg},
    };
    for (const Case& c : cases)
        EXPECT_EQ(marked(c.lines, keywords, c.dialect), QString::fromUtf16(c.expected))
            << c.lines.join('|').toStdString();
    EXPECT_EQ(marked({u"SELECT 1"_s}, {}), u"SELECT n{1}"_s);
}

// The document keeps its text, undo and modified flag; only the look of changed lines moves.
TEST(SqlHighlight, DocumentFollowsEditsAcrossLinesAndLosesItsColoursWhenOff)
{
    QTextDocument doc;
    doc.documentLayout(); // as a box's document has; without it no edit is reported
    SqlHighlighter h(&doc);
    h.setKeywords({QStringLiteral("FROM")});
    doc.setPlainText(QStringLiteral("x\nFROM t\nFROM u"));
    auto formats = [&doc](int block) {
        QStringList out;
        const QTextBlock b = doc.findBlockByNumber(block);
        for (const QTextLayout::FormatRange& r : b.layout()->formats())
            out << QStringLiteral("%1+%2:%3")
                       .arg(r.start)
                       .arg(r.length)
                       .arg(r.format.foreground().color().name());
        return out.join(QLatin1Char(' '));
    };
    const QString keyword = h.colour(Kind::Keyword).name();
    const QString comment = h.colour(Kind::Comment).name();
    EXPECT_EQ(formats(2), QStringLiteral("0+4:") + keyword);

    QTextCursor c(&doc);
    c.insertText(QStringLiteral("/*"));
    EXPECT_EQ(formats(2), QStringLiteral("0+6:") + comment);
    c.movePosition(QTextCursor::End);
    c.insertText(QStringLiteral("*/"));
    EXPECT_EQ(formats(1), QStringLiteral("0+6:") + comment);
    c.setPosition(1);
    c.deleteChar();
    EXPECT_EQ(formats(1), QStringLiteral("0+4:") + keyword);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("/x\nFROM t\nFROM u*/"));

    // Colours are no edit: the modified flag and the undo stack stay as they were.
    doc.setModified(false);
    h.setDarkBackground(true);
    EXPECT_NE(h.colour(Kind::Keyword).name(), keyword);
    EXPECT_EQ(formats(1), QStringLiteral("0+4:") + h.colour(Kind::Keyword).name());
    h.setOn(false);
    EXPECT_EQ(formats(1), QString());
    c.movePosition(QTextCursor::End);
    c.insertText(QStringLiteral(" FROM"));
    EXPECT_EQ(formats(2), QString());
    h.setOn(true);
    EXPECT_EQ(formats(2), QStringLiteral("0+4:%1 9+4:%1").arg(h.colour(Kind::Keyword).name()));
    doc.undo();
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("/x\nFROM t\nFROM u*/"));
    EXPECT_FALSE(doc.isModified());

    // Another dialect colours the text again; a dollar quote's new tag recolours the lines it
    // reaches, though what is open at the line's end is still a dollar quote.
    h.setDarkBackground(false);
    doc.setPlainText(QStringLiteral("$a$\nFROM $b$ FROM\nFROM"));
    EXPECT_EQ(formats(1), QStringLiteral("0+4:%1 9+4:%1").arg(keyword));
    h.setDialect({sql::Engine::PostgreSql});
    const QString string = h.colour(Kind::String).name();
    EXPECT_EQ(formats(1), QStringLiteral("0+13:") + string);
    EXPECT_EQ(formats(2), QStringLiteral("0+4:") + string);
    c.setPosition(1);
    c.deleteChar();
    c.insertText(QStringLiteral("b"));
    EXPECT_EQ(formats(1), QStringLiteral("0+8:%1 9+4:%2").arg(string, keyword));
    EXPECT_EQ(formats(2), QStringLiteral("0+4:") + keyword);
}
