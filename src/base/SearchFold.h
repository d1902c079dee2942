#pragma once

#include <QString>
#include <QStringView>

// The one comparison the searches share (names in the object tree, keywords, placeholders and
// delimiters in the input text): blind to case, to full and half width, and to hiragana against
// katakana, as a Japanese user expects "ｅｍｐ", "EMP" and "emp", or "ｶﾞ", "が" and "ガ", to match.
//
// Folding is NFKC (full-width ASCII and half-width katakana to their usual forms), then case
// folding, then hiragana to katakana. A folded text may be shorter than the original
// ("ｶﾞ" is two characters, "ガ" one), so positions are never carried from one to the other.
QString foldForSearch(QStringView text);

// True when both texts fold to the same text.
bool sameForSearch(QStringView a, QStringView b);

// True when needle, folded, occurs in haystack, folded. An empty needle occurs everywhere.
bool containsForSearch(QStringView haystack, QStringView needle);
// The same against a haystack folded earlier with foldForSearch (long lists fold once).
bool foldedContains(QStringView foldedHaystack, QStringView needle);

// One character folded: "？" gives "?", "（" gives "(", "Ａ" gives "a". A character whose folded
// form is not a single character (a ligature such as "ﬁ") gives itself, lowered.
QChar foldCharForSearch(QChar c);
