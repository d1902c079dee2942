#include "base/SearchFold.h"

#include <gtest/gtest.h>

TEST(SearchFold, CaseWidthAndKanaVariantsMatch)
{
    EXPECT_TRUE(sameForSearch(u"EMP", u"emp"));
    EXPECT_TRUE(sameForSearch(u"ｅｍｐ", u"EMP"));
    EXPECT_TRUE(sameForSearch(u"ｶﾞｸｾｲ", u"がくせい"));
    EXPECT_TRUE(sameForSearch(u"ガクセイ", u"がくせい"));
    EXPECT_TRUE(containsForSearch(u"T_ＥＭＰ_OLD", u"emp"));
    EXPECT_TRUE(containsForSearch(u"社員ﾏｽﾀ", u"マスタ"));
    EXPECT_TRUE(containsForSearch(u"anything", u""));
    EXPECT_FALSE(containsForSearch(u"DEPT", u"emp"));
    EXPECT_FALSE(sameForSearch(u"が", u"か")); // the sound mark is part of the character
}

TEST(SearchFold, SingleCharactersFoldToTheirAsciiForm)
{
    EXPECT_EQ(foldCharForSearch(QChar(u'？')), QChar(u'?'));
    EXPECT_EQ(foldCharForSearch(QChar(u'（')), QChar(u'('));
    EXPECT_EQ(foldCharForSearch(QChar(u'，')), QChar(u','));
    EXPECT_EQ(foldCharForSearch(QChar(u'　')), QChar(u' '));
    EXPECT_EQ(foldCharForSearch(QChar(u'Ａ')), QChar(u'a'));
}
