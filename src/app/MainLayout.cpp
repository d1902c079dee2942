#include "app/MainLayout.h"

#include <QString>
#include <QStringList>

#include <algorithm>

namespace {
// Width of the bar between the left and the right column.
constexpr double kSplitWidth = 50;
// The keyword search buttons sit this far right of the SQL tabs' left edge.
constexpr double kFrmQOffset = 3600;

double statusbarShare(const MainLayout& l)
{
    return l.statusbarOn ? l.design.statusbarHeight : 0;
}

void fitMessageLabel(MainLayout& l, double frameWidth)
{
    if (frameWidth - l.design.lMsgLeft >= 300)
        l.lMsgWidth = frameWidth - l.design.lMsgLeft;
}
} // namespace

void applyInitialSizes(MainLayout& l)
{
    l.treeView.width = 3000;
    l.lSplit.width = kSplitWidth;
    l.tabStrip.width = 6600;
    l.tbSql.width = l.kwdListOn ? l.tabStrip.width - l.lstKwd.width : l.tabStrip.width;
    l.tbSql.height = 2200;
    l.lstKwd.height = l.tbSql.height;
    l.fraSqlInfo.width = l.tabStrip.width;
    l.fraSqlInfo.height = 345;
    l.listView.width = l.tabStrip.width;
    l.lvFound.height = 0;

    l.tabStrip.height = l.design.tabStripHeight;
    l.cmdSrchObj.width = l.design.cmdSrchObjWidth;
    l.cmdSrchObj.height = l.design.searchRowHeight;
    l.cbSrchObj.height = l.design.searchRowHeight;
    l.tabObjects.width = l.design.tabObjectsWidth;
    l.fraFound.height = l.design.fraFoundHeight;
    l.toolbar.height = l.design.toolbarHeight;
    l.statusbar.height = l.design.statusbarHeight;
}

double keywordListWidth(double widestTextWidth)
{
    return std::min(widestTextWidth + 400, kKeywordListMaxWidth);
}

double widestTextWidth(const QStringList& words,
                       const std::function<double(const QString&)>& measure)
{
    double widest = 0;
    bool any = false;
    for (const QString& word : words) {
        const double w = measure(word);
        if (!any || w > widest) {
            widest = w;
            any = true;
        }
    }
    return widest;
}

void computeTopAndHeight(MainLayout& l, double clientHeight)
{
    l.top = l.toolbarOn ? l.design.toolbarHeight : 0;
    l.usableHeight = clientHeight - l.top - statusbarShare(l);
}

bool resizeLayout(MainLayout& l, double sw, double sh, bool minimised)
{
    if (minimised)
        return false;
    const double t = l.toolbarOn ? l.design.toolbarHeight : 0;
    l.top = t;
    const double left = l.tabObjects.width + l.treeView.width;
    const double right = left + kSplitWidth;

    l.toolbar = {0, 0, sw, l.design.toolbarHeight};
    l.statusbar = {0, sh - l.design.statusbarHeight, sw, l.design.statusbarHeight};

    l.cmdSrchObj.left = 0;
    l.cmdSrchObj.top = t;
    l.cbSrchObj.left = l.cmdSrchObj.width;
    l.cbSrchObj.top = t;
    l.tabObjects.left = 0;
    l.tabObjects.top = t + 360;
    l.treeView.left = l.tabObjects.width;
    l.treeView.top = t + 360;
    l.lSplit.left = left;
    l.lSplit.top = t;
    l.tabStrip.left = right;
    l.tabStrip.top = t;
    if (l.kwdListOn) {
        l.lstKwd.left = right;
        l.lstKwd.top = t + l.tabStrip.height;
        l.tbSql.left = right + l.lstKwd.width;
    } else {
        l.tbSql.left = right;
    }
    l.tbSql.top = t + l.tabStrip.height;
    l.frmQ.left = right + kFrmQOffset;
    l.frmQ.top = l.tabStrip.top + 50;
    l.fraSqlInfo.left = right;
    l.fraSqlInfo.top = t + l.tabStrip.height + l.tbSql.height;
    l.listView.left = right;
    l.listView.top = t + l.tabStrip.height + l.tbSql.height + l.fraSqlInfo.height;
    l.cbSrchObj.width = l.treeView.width;

    const double w = sw - right;
    if (w > 500) {
        l.tabStrip.width = w;
        l.fraSqlInfo.width = w;
        l.listView.width = w;
        fitMessageLabel(l, w);
        if (l.kwdListOn) {
            if (w - l.lstKwd.width > 500)
                l.tbSql.width = w - l.lstKwd.width;
        } else {
            l.tbSql.width = w;
        }
    }

    const double h = sh - t - statusbarShare(l);
    l.usableHeight = h;
    if (h > 1000) {
        l.lSplit.height = h;
        l.tabObjects.height = h - 360;
        const double tree = h - 360 - l.fraFound.height - l.lvFound.height;
        if (tree > 360)
            l.treeView.height = tree;
    }

    l.fraFound.left = l.tabObjects.width;
    l.fraFound.top = l.treeView.top + l.treeView.height;
    l.fraFound.width = l.treeView.width;
    l.lFoundWidth = l.treeView.width;
    l.lvFound.left = l.tabObjects.width;
    l.lvFound.top = l.treeView.top + l.treeView.height + l.fraFound.height;
    l.lvFound.width = l.treeView.width;

    const double grid = h - (l.tabStrip.height + l.tbSql.height + l.fraSqlInfo.height);
    if (grid > 500)
        l.listView.height = grid;
    return true;
}

bool dragSplit(MainLayout& l, double sw, double x, double grabX)
{
    double n = l.lSplit.left + x - grabX;
    if (n < 600)
        return false;
    if (l.kwdListOn) {
        const double most = sw - l.lstKwd.width - 600;
        if (n > most)
            n = most;
        // A window too narrow for the keyword list leaves no room to move into.
        if (n < 600)
            return false;
    } else if (n > sw - 600) {
        return false;
    }
    const double right = n + kSplitWidth;
    const double rest = sw - right;
    l.cbSrchObj.width = n - l.tabObjects.width;
    l.treeView.width = n - l.tabObjects.width;
    l.fraFound.width = l.treeView.width;
    l.lFoundWidth = l.treeView.width;
    l.lvFound.width = l.treeView.width;
    l.tabStrip.left = right;
    l.tabStrip.width = rest;
    l.frmQ.left = l.tabStrip.left + kFrmQOffset;
    if (l.kwdListOn) {
        l.lstKwd.left = right;
        l.tbSql.left = right + l.lstKwd.width;
        l.tbSql.width = rest - l.lstKwd.width;
    } else {
        l.tbSql.left = right;
        l.tbSql.width = rest;
    }
    l.fraSqlInfo.width = rest;
    fitMessageLabel(l, l.fraSqlInfo.width);
    l.fraSqlInfo.left = right;
    l.listView.left = right;
    l.listView.width = rest;
    l.lSplit.left = n;
    return true;
}

bool dragSqlInfo(MainLayout& l, double sh, double y, double grabY)
{
    const double n = l.fraSqlInfo.top + y - grabY;
    if (n < l.tbSql.top + 500 || n > sh - 1000)
        return false;
    l.tbSql.height = n - l.tbSql.top;
    l.lstKwd.height = l.tbSql.height;
    l.listView.top = n + l.fraSqlInfo.height;
    l.listView.height = sh - statusbarShare(l) - l.listView.top;
    l.fraSqlInfo.top = n;
    return true;
}

bool dragFound(MainLayout& l, double sh, double y, double grabY)
{
    const double n = l.design.lFoundTop + l.fraFound.top + y - grabY;
    if (n < l.treeView.top + 500)
        return false;
    const double e = sh - statusbarShare(l) - (l.fraFound.height + n);
    if (e < 0)
        return false;
    l.treeView.height = n - l.treeView.top;
    l.lvFound.top = l.fraFound.height + n;
    l.lvFound.height = e;
    l.fraFound.top = n;
    return true;
}

bool dragSlide(MainLayout& l, double x, double grabX)
{
    const double n = l.imgSlideLeft + x - grabX;
    if (n < 2000)
        return false;
    l.placeholderWidth = n + 280;
    l.pictDbWidth = n + 135;
    l.tbDsnWidth = n - 405;
    l.imgSlideLeft = n;
    return true;
}

TwipsRect reachablePlacement(TwipsRect w, double screenWidth, double screenHeight)
{
    constexpr double kMinWidth = 3000;
    constexpr double kMinHeight = 2250;
    constexpr double kDefaultWidth = 14400;
    constexpr double kDefaultHeight = 9600;
    if (!(w.width >= kMinWidth))
        w.width = kDefaultWidth;
    if (!(w.height >= kMinHeight))
        w.height = kDefaultHeight;
    if (w.width > screenWidth)
        w.width = screenWidth;
    if (w.height > screenHeight)
        w.height = screenHeight;
    if (!(w.left >= 0))
        w.left = 0;
    if (!(w.top >= 0))
        w.top = 0;
    if (w.left + w.width > screenWidth)
        w.left = screenWidth - w.width > 0 ? screenWidth - w.width : 0;
    if (w.top + w.height > screenHeight)
        w.top = screenHeight - w.height > 0 ? screenHeight - w.height : 0;
    return w;
}
