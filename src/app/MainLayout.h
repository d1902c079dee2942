#pragma once

#include "base/Twips.h"

#include <QStringList>

#include <functional>

// Pane geometry of the main window in twips, and the rules by which the panes follow the window
// size and the four drag bars. No widgets here: the window applies the rectangles.
struct MainLayout {
    // Design-time sizes of the window (see the window's constructor for their values).
    struct Design {
        double toolbarHeight = 450;
        double statusbarHeight = 330;
        double tabObjectsWidth = 375;
        double cmdSrchObjWidth = 600;
        double searchRowHeight = 360;
        double tabStripHeight = 360;
        double fraFoundHeight = 300;
        double lFoundTop = 0;   // inside Fra_Found
        double lMsgLeft = 5400; // inside Fra_SqlInfo
    } design;

    // Display options as the check marks show them.
    bool toolbarOn = false;
    bool statusbarOn = false;
    bool kwdListOn = false;
    // The filter row takes the top of the grid's rectangle; the window measures its height.
    bool gridFilterOn = false;

    // Top offset and usable height of the last layout.
    double top = 0;
    double usableHeight = 0;

    TwipsRect toolbar;
    TwipsRect statusbar;
    TwipsRect cmdSrchObj;
    TwipsRect cbSrchObj;
    TwipsRect tabObjects;
    TwipsRect treeView;
    TwipsRect fraFound;
    double lFoundWidth = 0;
    TwipsRect lvFound;
    TwipsRect lSplit;
    TwipsRect tabStrip;
    TwipsRect frmQ;
    TwipsRect lstKwd;
    TwipsRect tbSql;
    TwipsRect fraSqlInfo;
    double lMsgWidth = 0;
    TwipsRect listView;

    // Connection band on the toolbar: the placeholder button under it, the band, its text box
    // and the drag handle (the handle's left is inside the band).
    double placeholderWidth = 4000;
    double pictDbWidth = 3855;
    double tbDsnWidth = 3315;
    double imgSlideLeft = 3720;
};

// The sizes a window starts with before its first layout; the keyword list width must be set.
void applyInitialSizes(MainLayout& layout);

// Width of the keyword list for the widest keyword text, never above kKeywordListMaxWidth.
double keywordListWidth(double widestTextWidth);
// A list of long lines (a file of 300-character lines) would push the input area out of the
// window; its lines are cut at the list's edge instead. Keywords of up to about 36 half-width
// characters fit whole.
inline constexpr double kKeywordListMaxWidth = 4000;
// The greatest measured width of the words (a later word wins only when strictly wider); 0 for
// no words.
double widestTextWidth(const QStringList& words,
                       const std::function<double(const QString&)>& measure);

// Top offset and usable height for a client height (also part of every layout).
void computeTopAndHeight(MainLayout& layout, double clientHeight);

// Lays the panes out for the client size. Returns false (nothing changed) while minimised.
bool resizeLayout(MainLayout& layout, double clientWidth, double clientHeight, bool minimised);

// Drag bars. x and y are the pointer position inside the bar, grabX/grabY where the press was.
// Each returns false and changes nothing when the move fails a bound.
bool dragSplit(MainLayout& layout, double clientWidth, double x, double grabX);
bool dragSqlInfo(MainLayout& layout, double clientHeight, double y, double grabY);
bool dragFound(MainLayout& layout, double clientHeight, double y, double grabY);
bool dragSlide(MainLayout& layout, double x, double grabX);

// A restored window placement made reachable on a screen: a size below the minimum becomes the
// default size, a size beyond the screen shrinks to it, and the window is moved so that it lies
// on the screen. All in twips, relative to the screen's top left.
TwipsRect reachablePlacement(TwipsRect window, double screenWidth, double screenHeight);
