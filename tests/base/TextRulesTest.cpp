#include "base/SearchFold.h"
#include "base/SqlNames.h"

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

TEST(SqlNames, QuoteOnlyWhatMustBeQuoted)
{
    EXPECT_EQ(sqlName(u"EMP"), QStringLiteral("EMP"));
    EXPECT_EQ(sqlName(u"FIRST NAME"), QStringLiteral("\"FIRST NAME\""));
    EXPECT_EQ(sqlName(u"A\"B C"), QStringLiteral("\"A\"\"B C\""));
    EXPECT_EQ(sqlName(u"A\"B"), QStringLiteral("\"A\"\"B\""));
    EXPECT_EQ(sqlStringLiteral(u"O'Neil"), QStringLiteral("'O''Neil'"));
    EXPECT_EQ(sqlStringLiteral(u""), QStringLiteral("''"));
}
