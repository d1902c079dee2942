#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

// The keyword list's file and the searches of the input area, without widgets.
namespace tokensearch {

// The three search modes; their texts are the captions of the mode button.
enum class Mode { Placeholder, Token, Keyword };
QString modeCaption(Mode mode);
// The mode of a caption; an unknown caption is the placeholder mode.
Mode modeOfCaption(const QString& caption);
// "？" -> "ﾄｰｸﾝ" -> "ｷｰﾜｰﾄﾞ" -> "？".
Mode nextMode(Mode mode);

// The entries of a keyword file, one per line in file order. CR LF, LF and a lone CR each end a
// line; a line break at the very end adds no entry; empty lines are entries. The bytes are code
// page 932; NUL characters are dropped, since nothing downstream can carry them.
QStringList keywordLines(const QByteArray& bytes);
// The keyword file read whole; a missing or unreadable file gives no entries.
QStringList readKeywordFile(const QString& path);

// The keyword test: the keywords folded once, compared width-, case- and kana-blind.
class KeywordSet {
public:
    KeywordSet() = default;
    explicit KeywordSet(const QStringList& keywords);
    bool contains(QStringView word) const;
    bool isEmpty() const { return folded_.isEmpty(); }

private:
    QSet<QString> folded_;
};

// A delimiter of tokens: space, ".", ",", "(", ")", CR, LF, TAB, and their full-width forms.
bool isDelimiter(QChar c);
// A placeholder: "?" or the full-width "？".
bool isPlaceholder(QChar c);

// What a search selects: start (0-based) and length; found false leaves the selection as it is.
struct Hit {
    bool found = false;
    qsizetype start = 0;
    qsizetype length = 0;
};

// Searches from a caret at selStart with selLength characters selected. Right looks behind the
// selection, left before it. keywords is used only in the keyword mode; an empty set finds
// nothing there.
Hit searchRight(const QString& text, qsizetype selStart, qsizetype selLength, Mode mode,
                const KeywordSet& keywords);
Hit searchLeft(const QString& text, qsizetype selStart, qsizetype selLength, Mode mode,
               const KeywordSet& keywords);

} // namespace tokensearch
