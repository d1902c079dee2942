#include "base/SearchFold.h"

namespace {

void hiraganaToKatakana(QString& text)
{
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        // ぁ..ゖ and the iteration marks ゝゞ sit 0x60 below their katakana.
        if ((u >= 0x3041 && u <= 0x3096) || u == 0x309D || u == 0x309E)
            c = QChar(static_cast<char16_t>(u + 0x60));
    }
}

bool isPlainAscii(QStringView text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

QString foldForSearch(QStringView text)
{
    if (isPlainAscii(text)) {
        // Most names and SQL are ASCII: skip normalisation, which costs far more.
        QString out = text.toString();
        for (QChar& c : out)
            if (c >= u'A' && c <= u'Z')
                c = QChar(static_cast<char16_t>(c.unicode() + 32));
        return out;
    }
    QString out = text.toString().normalized(QString::NormalizationForm_KC).toCaseFolded();
    hiraganaToKatakana(out);
    return out;
}

bool sameForSearch(QStringView a, QStringView b)
{
    return foldForSearch(a) == foldForSearch(b);
}

bool foldedContains(QStringView foldedHaystack, QStringView needle)
{
    return foldedHaystack.contains(foldForSearch(needle));
}

bool containsForSearch(QStringView haystack, QStringView needle)
{
    return foldedContains(foldForSearch(haystack), needle);
}

QChar foldCharForSearch(QChar c)
{
    const QString folded = foldForSearch(QStringView(&c, 1));
    if (folded.size() == 1)
        return folded.front();
    return c.toLower();
}
