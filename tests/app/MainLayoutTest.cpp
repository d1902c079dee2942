#include "app/MainLayout.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <limits>

namespace {

// A window laid out once at 12000 x 9000 twips with the given options.
MainLayout laidOut(bool toolbar, bool statusbar, bool kwd, double kwdWidth = 1400)
{
    MainLayout l;
    l.toolbarOn = toolbar;
    l.statusbarOn = statusbar;
    l.kwdListOn = kwd;
    l.lstKwd.width = kwdWidth;
    applyInitialSizes(l);
    EXPECT_TRUE(resizeLayout(l, 12000, 9000, false));
    return l;
}

constexpr double kLeft = 375 + 3000; // TabObjects + TreeView1
constexpr double kRight = kLeft + 50;

} // namespace

TEST(MainLayoutResize, WithoutToolbarAndStatusBarPanesStartAtTopZero)
{
    const MainLayout l = laidOut(false, false, false);
    EXPECT_EQ(l.top, 0);
    EXPECT_EQ(l.usableHeight, 9000);
    EXPECT_EQ(l.cmdSrchObj, (TwipsRect{0, 0, 600, 360}));
    EXPECT_EQ(l.cbSrchObj, (TwipsRect{600, 0, 3000, 360}));
    EXPECT_EQ(l.tabObjects, (TwipsRect{0, 360, 375, 9000 - 360}));
    EXPECT_EQ(l.treeView, (TwipsRect{375, 360, 3000, 9000 - 360 - 300}));
    EXPECT_EQ(l.lSplit, (TwipsRect{kLeft, 0, 50, 9000}));
    EXPECT_EQ(l.tabStrip, (TwipsRect{kRight, 0, 12000 - kRight, 360}));
    EXPECT_EQ(l.tbSql, (TwipsRect{kRight, 360, 12000 - kRight, 2200}));
    EXPECT_EQ(l.frmQ.left, kRight + 3600);
    EXPECT_EQ(l.frmQ.top, 50);
    EXPECT_EQ(l.fraSqlInfo, (TwipsRect{kRight, 360 + 2200, 12000 - kRight, 345}));
    EXPECT_EQ(l.listView,
              (TwipsRect{kRight, 360 + 2200 + 345, 12000 - kRight, 9000 - (360 + 2200 + 345)}));
    // The search list sits under its header, which sits under the tree.
    EXPECT_EQ(l.fraFound, (TwipsRect{375, 9000 - 300, 3000, 300}));
    EXPECT_EQ(l.lvFound, (TwipsRect{375, 9000, 3000, 0}));
    EXPECT_EQ(l.lMsgWidth, 12000 - kRight - l.design.lMsgLeft);
}

TEST(MainLayoutResize, ToolbarAndStatusBarShiftAndShortenThePanes)
{
    const MainLayout l = laidOut(true, true, false);
    const double t = l.design.toolbarHeight;
    const double h = 9000 - t - l.design.statusbarHeight;
    EXPECT_EQ(l.top, t);
    EXPECT_EQ(l.usableHeight, h);
    EXPECT_EQ(l.tabStrip.top, t);
    EXPECT_EQ(l.tabObjects.top, t + 360);
    EXPECT_EQ(l.lSplit.height, h);
    EXPECT_EQ(l.listView.top + l.listView.height, 9000 - l.design.statusbarHeight);
    EXPECT_EQ(l.statusbar.top, 9000 - l.design.statusbarHeight);
}

TEST(MainLayoutResize, MinimisedWindowIsNotLaidOut)
{
    MainLayout l = laidOut(false, false, false);
    const MainLayout before = l;
    EXPECT_FALSE(resizeLayout(l, 3000, 2000, true));
    EXPECT_EQ(l.tabStrip, before.tabStrip);
    EXPECT_EQ(l.treeView, before.treeView);
}

TEST(MainLayoutResize, RightColumnKeepsWidthsUntilMoreThan500Remain)
{
    MainLayout l = laidOut(false, false, false);
    const double oldWidth = l.tabStrip.width;
    resizeLayout(l, kRight + 500, 9000, false);
    EXPECT_EQ(l.tabStrip.width, oldWidth);
    EXPECT_EQ(l.tbSql.width, oldWidth);
    EXPECT_EQ(l.listView.width, oldWidth);
    resizeLayout(l, kRight + 501, 9000, false);
    EXPECT_EQ(l.tabStrip.width, 501);
    EXPECT_EQ(l.fraSqlInfo.width, 501);
    EXPECT_EQ(l.tbSql.width, 501);
}

TEST(MainLayoutResize, MessageLabelNeedsAtLeast300)
{
    MainLayout l = laidOut(false, false, false);
    const double lMsgLeft = l.design.lMsgLeft;
    resizeLayout(l, kRight + lMsgLeft + 300, 9000, false);
    EXPECT_EQ(l.lMsgWidth, 300);
    resizeLayout(l, kRight + lMsgLeft + 299, 9000, false);
    EXPECT_EQ(l.lMsgWidth, 300);
}

TEST(MainLayoutResize, HeightsKeptUntilUsableHeightExceeds1000)
{
    MainLayout l = laidOut(false, false, false);
    const MainLayout before = l;
    resizeLayout(l, 12000, 1000, false);
    EXPECT_EQ(l.lSplit.height, before.lSplit.height);
    EXPECT_EQ(l.tabObjects.height, before.tabObjects.height);
    EXPECT_EQ(l.treeView.height, before.treeView.height);
    resizeLayout(l, 12000, 1001, false);
    EXPECT_EQ(l.lSplit.height, 1001);
    EXPECT_EQ(l.tabObjects.height, 641);
    // 1001 - 360 - 300 leaves no more than 360 for the tree: it keeps its height.
    EXPECT_EQ(l.treeView.height, before.treeView.height);
    resizeLayout(l, 12000, 1021, false);
    EXPECT_EQ(l.treeView.height, 361);
}

TEST(MainLayoutResize, GridNeedsMoreThan500)
{
    MainLayout l = laidOut(false, false, false);
    const double fixed = 360 + 2200 + 345;
    const double before = l.listView.height;
    resizeLayout(l, 12000, fixed + 500, false);
    EXPECT_EQ(l.listView.height, before);
    resizeLayout(l, 12000, fixed + 501, false);
    EXPECT_EQ(l.listView.height, 501);
}

TEST(MainLayoutResize, KeywordListNarrowsTheInputArea)
{
    const MainLayout off = laidOut(false, false, false);
    const MainLayout on = laidOut(false, false, true, 1400);
    EXPECT_EQ(on.lstKwd.left, kRight);
    EXPECT_EQ(on.lstKwd.top, 360);
    EXPECT_EQ(on.tbSql.left, kRight + 1400);
    EXPECT_EQ(off.tbSql.width - on.tbSql.width, 1400);

    // The input area keeps its width when less than 501 would be left for it.
    MainLayout l = on;
    const double w = on.tbSql.width;
    resizeLayout(l, kRight + 1400 + 500, 9000, false);
    EXPECT_EQ(l.tbSql.width, w);
    EXPECT_EQ(l.tabStrip.width, 1900);
}

TEST(MainLayoutResize, InitialInputWidthLeavesRoomForTheKeywordList)
{
    MainLayout l;
    l.kwdListOn = true;
    l.lstKwd.width = keywordListWidth(1000);
    applyInitialSizes(l);
    EXPECT_EQ(l.tbSql.width, 6600 - 1400);
    EXPECT_EQ(l.lstKwd.height, 2200);
    EXPECT_EQ(l.lvFound.height, 0);
}

TEST(KeywordListWidth, IsTheWidestTextPlus400UpToItsBound)
{
    const auto measure = [](const QString& s) { return 100.0 * s.size(); };
    struct Case {
        QStringList words;
        double width;
    };
    const Case cases[] = {
        {{}, 400},
        {{QStringLiteral("SELECT")}, 1000},
        {{QStringLiteral("AS"), QStringLiteral("DISTINCT"), QStringLiteral("FROM")}, 1200},
        {{QStringLiteral("ABC"), QStringLiteral("XYZ")}, 700},
        {{QString(36, QLatin1Char('W'))}, 4000},
        {{QStringLiteral("AS"), QString(300, QLatin1Char('W'))}, 4000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(keywordListWidth(widestTextWidth(c.words, measure)), c.width)
            << c.words.join(',').toStdString();

    // The longest list leaves the input area most of the window, from the first layout on.
    const MainLayout l = laidOut(false, false, true, keywordListWidth(100.0 * 300));
    EXPECT_EQ(l.tbSql.left, kRight + 4000);
    EXPECT_EQ(l.tbSql.width, 12000 - kRight - 4000);
}

TEST(DragSplit, BoundsWithoutKeywordList)
{
    MainLayout l = laidOut(false, false, false);
    const MainLayout before = l;
    // Grabbed at x=20 inside the bar; a move to x gives left + x - 20.
    EXPECT_FALSE(dragSplit(l, 12000, 600 - kLeft + 20 - 1, 20));
    EXPECT_FALSE(dragSplit(l, 12000, 12000 - 600 - kLeft + 20 + 1, 20));
    EXPECT_EQ(l.lSplit, before.lSplit);
    EXPECT_EQ(l.treeView, before.treeView);

    ASSERT_TRUE(dragSplit(l, 12000, 12000 - 600 - kLeft + 20, 20));
    EXPECT_EQ(l.lSplit.left, 11400);
    EXPECT_EQ(l.treeView.width, 11400 - 375);
    EXPECT_EQ(l.cbSrchObj.width, 11400 - 375);
    EXPECT_EQ(l.fraFound.width, 11400 - 375);
    EXPECT_EQ(l.lvFound.width, 11400 - 375);
    EXPECT_EQ(l.tabStrip, (TwipsRect{11450, 0, 550, 360}));
    EXPECT_EQ(l.frmQ.left, 11450 + 3600);
    EXPECT_EQ(l.tbSql.left, 11450);
    EXPECT_EQ(l.tbSql.width, 550);
    EXPECT_EQ(l.fraSqlInfo.left, 11450);
    EXPECT_EQ(l.listView.left, 11450);
    EXPECT_EQ(l.listView.width, 550);

    ASSERT_TRUE(dragSplit(l, 12000, 20 - (11400 - 600), 20));
    EXPECT_EQ(l.lSplit.left, 600);
    EXPECT_EQ(l.treeView.width, 225);
}

TEST(DragSplit, KeywordListStopsTheBar)
{
    MainLayout l = laidOut(false, false, true, 1400);
    ASSERT_TRUE(dragSplit(l, 12000, 20000, 0));
    EXPECT_EQ(l.lSplit.left, 12000 - 1400 - 600);
    EXPECT_EQ(l.lstKwd.left, 10050);
    EXPECT_EQ(l.tbSql.left, 10050 + 1400);
    EXPECT_EQ(l.tbSql.width, 12000 - 10050 - 1400);
    EXPECT_EQ(l.fraSqlInfo.width, 12000 - 10050);

    // Too narrow for the keyword list: no place to stop at, so nothing moves.
    MainLayout narrow = laidOut(false, false, true, 1400);
    const double left = narrow.lSplit.left;
    EXPECT_FALSE(dragSplit(narrow, 2500, 100, 0));
    EXPECT_EQ(narrow.lSplit.left, left);
}

TEST(DragSqlInfo, InputAreaAtLeast500AndFrameAtLeast1000AboveBottom)
{
    MainLayout l = laidOut(false, true, true);
    const double top = l.fraSqlInfo.top;
    const double minTop = l.tbSql.top + 500;
    EXPECT_FALSE(dragSqlInfo(l, 9000, minTop - 1 - top, 0));
    EXPECT_FALSE(dragSqlInfo(l, 9000, 9000 - 1000 + 1 - top, 0));
    EXPECT_EQ(l.fraSqlInfo.top, top);

    ASSERT_TRUE(dragSqlInfo(l, 9000, minTop - top, 0));
    EXPECT_EQ(l.tbSql.height, 500);
    EXPECT_EQ(l.lstKwd.height, 500);
    EXPECT_EQ(l.fraSqlInfo.top, minTop);
    EXPECT_EQ(l.listView.top, minTop + 345);
    EXPECT_EQ(l.listView.height, 9000 - l.design.statusbarHeight - (minTop + 345));

    ASSERT_TRUE(dragSqlInfo(l, 9000, 8000 - minTop + 7, 7));
    EXPECT_EQ(l.fraSqlInfo.top, 8000);
}

TEST(DragFound, TreeAtLeast500AndListNeverNegative)
{
    MainLayout l = laidOut(false, false, false);
    const double frameTop = l.fraFound.top;
    EXPECT_FALSE(dragFound(l, 9000, l.treeView.top + 499 - frameTop, 0));
    // The header would reach below the window bottom.
    EXPECT_FALSE(dragFound(l, 9000, 9000 - 300 + 1 - frameTop, 0));
    EXPECT_EQ(l.fraFound.top, frameTop);

    ASSERT_TRUE(dragFound(l, 9000, 5000 - frameTop, 0));
    EXPECT_EQ(l.fraFound.top, 5000);
    EXPECT_EQ(l.treeView.height, 5000 - 360);
    EXPECT_EQ(l.lvFound.top, 5300);
    EXPECT_EQ(l.lvFound.height, 9000 - 5300);

    // A later resize keeps the opened list and gives the tree the rest.
    resizeLayout(l, 12000, 10000, false);
    EXPECT_EQ(l.treeView.height, 10000 - 360 - 300 - 3700);
}

TEST(DragSlide, BandNeverNarrowerThan2000)
{
    MainLayout l;
    EXPECT_FALSE(dragSlide(l, 1999 - l.imgSlideLeft, 0));
    EXPECT_EQ(l.placeholderWidth, 4000);
    ASSERT_TRUE(dragSlide(l, 2000 - l.imgSlideLeft + 45, 45));
    EXPECT_EQ(l.imgSlideLeft, 2000);
    EXPECT_EQ(l.placeholderWidth, 2280);
    EXPECT_EQ(l.pictDbWidth, 2135);
    EXPECT_EQ(l.tbDsnWidth, 1595);
    ASSERT_TRUE(dragSlide(l, 30000, 0));
    EXPECT_EQ(l.imgSlideLeft, 32000);
}

TEST(ReachablePlacement, BadSizesAndPositionsComeBackOnScreen)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        TwipsRect stored;
        TwipsRect expected;
    };
    const Case cases[] = {
        {{600, 600, 9000, 6000}, {600, 600, 9000, 6000}},
        {{0, 0, -500, 6000}, {0, 0, 14400, 6000}},
        {{0, 0, 9000, 0}, {0, 0, 9000, 9600}},
        {{0, 0, 99999, 99999}, {0, 0, 19200, 12000}},
        {{15000, 9000, 9000, 6000}, {10200, 6000, 9000, 6000}},
        {{nan, nan, nan, nan}, {0, 0, 14400, 9600}},
    };
    for (const Case& c : cases) {
        const TwipsRect r = reachablePlacement(c.stored, 19200, 12000);
        EXPECT_EQ(r, c.expected) << r.left << "," << r.top << "," << r.width << "," << r.height;
    }
}
