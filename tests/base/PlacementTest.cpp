#include "base/INIfile_IO.h"
#include "base/Twips.h"
#include "base/WindowPlacement.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include <climits>
#include <limits>

TEST(Placement, ParsesFourNumbersAndRejectsAnythingElse)
{
    EXPECT_EQ(parsePlacement("1200,900,9600,7200"), (TwipsRect{1200, 900, 9600, 7200}));
    EXPECT_EQ(parsePlacement(" -60,-60,100,200,extra "), (TwipsRect{-60, -60, 100, 200}));
    for (const char* bad : {"", "   ", "abc", "1,2,3", "1,2,x,4", "1,,3,4"})
        EXPECT_FALSE(parsePlacement(bad).has_value()) << bad;
}

TEST(Placement, EmptyOrMalformedTextCentresTheWindow)
{
    // (screen - window) rounded, then halved with the fraction dropped.
    EXPECT_EQ(placementFor("", 19200, 14400, 9601, 7200), (TwipsRect{4799, 3600, 9601, 7200}));
    EXPECT_EQ(placementFor("abc", 19200, 14400, 9600, 7200), (TwipsRect{4800, 3600, 9600, 7200}));
}

TEST(Placement, LeftOrTopOutsideTheScreenMovesToZeroSizesStayAsStored)
{
    EXPECT_EQ(placementFor("-120,300,9600,7200", 19200, 14400, 1, 1),
              (TwipsRect{0, 300, 9600, 7200}));
    EXPECT_EQ(placementFor("20000,300,30000,7200", 19200, 14400, 1, 1),
              (TwipsRect{0, 300, 30000, 7200}));
    EXPECT_EQ(placementFor("300,15000,9600,7200", 19200, 14400, 1, 1),
              (TwipsRect{300, 0, 9600, 7200}));
    EXPECT_EQ(placementFor("19200,14400,9600,7200", 19200, 14400, 1, 1),
              (TwipsRect{19200, 14400, 9600, 7200}));
}

TEST(Placement, FormatsWholeTwipsWithoutSpaces)
{
    EXPECT_EQ(formatPlacement({1200, -60, 9600, 7200}), "1200,-60,9600,7200");
    EXPECT_EQ(formatPlacement({1.5, 0, 10, 20}), "1.5,0,10,20");
}

TEST(Placement, SaveAndRestoreRoundTripAWindowAndSkipMinimised)
{
    QTemporaryDir dir;
    INIfile_IO ini(QDir(dir.path()).filePath("QUORVANT.INI"));
    QWidget w;
    RestoreWindowPlacement(&w, "1500,1200,6000,4500");
    EXPECT_EQ(w.width(), 400);
    EXPECT_EQ(w.height(), 300);
    w.show();
    SaveWindowPlacement(&w, ini, "HIST");
    const auto saved = parsePlacement(ini.ReadIniValue("WINDOW", "HIST"));
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->width, 6000);
    EXPECT_EQ(saved->height, 4500);

    ini.WriteIniValue("WINDOW", "MAIN", "keep");
    w.showMinimized();
    SaveWindowPlacement(&w, ini, "MAIN");
    EXPECT_EQ(ini.ReadIniValue("WINDOW", "MAIN"), "keep");
}

TEST(Placement, NegativeSizeStillLeavesAUsableWindow)
{
    QWidget w;
    RestoreWindowPlacement(&w, "0,0,-500,-500");
    EXPECT_GE(w.width(), 1);
    EXPECT_GE(w.height(), 1);
}

// Hand-edited placements with numbers far beyond any screen: clamped before conversion, so
// nothing overflows (the sanitizer build fails on any overflow here) and the window stays usable.
TEST(Placement, HugeNumbersAreClampedBeforeAnyConversion)
{
    EXPECT_EQ(parsePlacement("0,0,99999999999,100"), (TwipsRect{0, 0, twips::kMaxTwips, 100}));
    EXPECT_EQ(
        parsePlacement("-1e300,1e300,-1e20,-1e20"),
        (TwipsRect{-twips::kMaxTwips, twips::kMaxTwips, -twips::kMaxTwips, -twips::kMaxTwips}));
    EXPECT_EQ(formatPlacement({1e300, -1e300, 0, 0}), "251658224,-251658224,0,0");
    for (const char* text : {"0,0,99999999999,100", "0,0,-1e20,-1e20", "1e20,1e20,1e20,1e20",
                             "-99999999999,-99999999999,1,1"}) {
        QWidget w;
        RestoreWindowPlacement(&w, text);
        EXPECT_GE(w.width(), 1) << text;
        EXPECT_LE(w.width(), twips::kMaxPixels) << text;
        EXPECT_GE(w.height(), 1) << text;
        EXPECT_LE(w.height(), twips::kMaxPixels) << text;
        EXPECT_GE(w.x(), 0) << text;
        EXPECT_GE(w.y(), 0) << text;
    }
}

TEST(Twips, FifteenTwipsPerPixel)
{
    EXPECT_EQ(twips::toPixels(1440), 96);
    EXPECT_EQ(twips::toPixels(7), 0);
    EXPECT_EQ(twips::toPixels(8), 1);
    EXPECT_EQ(twips::toPixels(-15), -1);
    EXPECT_EQ(twips::fromPixels(96), 1440);
}

TEST(Twips, ConversionIsClampedAndNaNIsZero)
{
    const struct {
        double twips;
        int pixels;
    } cases[] = {
        {99999999999.0, twips::kMaxPixels},
        {-1e20, -twips::kMaxPixels},
        {twips::kMaxTwips, twips::kMaxPixels},
        {twips::kMaxTwips - 15, twips::kMaxPixels - 1},
        {std::numeric_limits<double>::infinity(), twips::kMaxPixels},
        {-std::numeric_limits<double>::infinity(), -twips::kMaxPixels},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(twips::toPixels(c.twips), c.pixels) << c.twips;
    // A position plus a size at the limit still fits in int.
    static_assert(twips::kMaxPixels * 2LL < INT_MAX);
}
