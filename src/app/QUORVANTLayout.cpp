// The main window's geometry: design sizes, the panes laid out in twips as the splitter bars
// are dragged, the display options, and keeping the window on the screen.
#include "app/QUORVANT.h"

#include "app/AppServices.h"
#include "app/CommandStates.h"
#include "app/FrmVersion.h"
#include "app/PendingWindow.h"
#include "base/AppFolder.h"
#include "base/Composition.h"
#include "base/INIfile_IO.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "base/SqlHighlight.h"
#include "base/Twips.h"
#include "base/WindowFont.h"
#include "base/WindowPlacement.h"
#include "base/basApiCall.h"
#include "browser/ObjectCommands.h"
#include "browser/ObjectSearch.h"
#include "browser/ObjectTree.h"
#include "connect/ConnectDS.h"
#include "connect/ConnectionState.h"
#include "editor/FrmEditor.h"
#include "editor/KeywordList.h"
#include "editor/SqlInputArea.h"
#include "editor/TokenSearch.h"
#include "history/ShowHist.h"
#include "history/ShowTemp.h"
#include "odbc/comm/ODBCComm.h"
#include "sqlexec/GridFilterRow.h"
#include "sqlexec/ResultGridCommands.h"
#include "sqlexec/SqlExecText.h"
#include "sqlexec/SqlRunner.h"
#include "transfer/LoadCSV.h"
#include "transfer/SaveCSV.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace {

int px(double t)
{
    return twips::toPixels(t);
}

// Design sizes are whole pixels, kept in twips.
double tw(int pixels)
{
    return twips::fromPixels(pixels);
}

void place(QWidget* w, const TwipsRect& r)
{
    w->setGeometry(px(r.left), px(r.top), std::max(0, px(r.width)), std::max(0, px(r.height)));
}

} // namespace

void QUORVANT::takeDesignSizes()
{
    MainLayout::Design& d = layout_.design;
    d.toolbarHeight = tw(std::max(30, ui_.Toolbar1->sizeHint().height()));
    d.statusbarHeight = tw(std::max(22, ui_.StatusBar1->sizeHint().height()));
    d.tabObjectsWidth = tw(ui_.TabObjects->sizeHint().width());
    d.cmdSrchObjWidth = tw(std::max(40, ui_.Cmd_srch_obj->sizeHint().width()));
    d.tabStripHeight = tw(std::max(24, ui_.TabStrip1->sizeHint().height()));
    d.fraFoundHeight = tw(std::max(18, ui_.L_Found->sizeHint().height() + 2));
    d.lFoundTop = 0;
    d.lMsgLeft = tw(ui_.lMsgLeft);
    ui_.Toolbar1->setFixedHeight(px(d.toolbarHeight));
}

void QUORVANT::moveSearchHeaderToBottom()
{
    MainLayout& l = layout_;
    l.lvFound.height = 0;
    const double bottom =
        l.statusbarOn ? clientHeight() - l.design.statusbarHeight : clientHeight();
    l.fraFound.top = bottom - l.fraFound.height;
    l.lvFound.top = l.fraFound.top + l.fraFound.height;
    l.treeView.height = std::max(0.0, l.fraFound.top - l.treeView.top);
    applyLayout();
}

void QUORVANT::layOutSqlNav()
{
    const MainLayout& l = layout_;
    const QSize hint = ui_.Frm_sql_nav->sizeHint();
    // Kept clear of the search buttons when the font makes them wider than designed.
    const int left = std::max(px(l.frmQ.left + 1600), ui_.Frm_q->geometry().right() + 4);
    ui_.Frm_sql_nav->setGeometry(left, px(l.frmQ.top), hint.width(),
                                 std::max(0, px(l.tabStrip.height - 50)));
}

void QUORVANT::keepOnScreen()
{
    const QScreen* screen = this->screen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    const QSize extra = frame.size() - size();
    const TwipsRect stored{tw(frame.x() - area.left()), tw(frame.y() - area.top()),
                           tw(frame.width()), tw(frame.height())};
    const TwipsRect fit = reachablePlacement(stored, tw(area.width()), tw(area.height()));
    if (fit == stored)
        return;
    resize(px(fit.width) - extra.width(), px(fit.height) - extra.height());
    move(area.left() + px(fit.left), area.top() + px(fit.top));
}

double QUORVANT::clientWidth() const
{
    return tw(client_->width());
}

double QUORVANT::clientHeight() const
{
    return tw(client_->height());
}

void QUORVANT::Resize()
{
    if (!resizeLayout(layout_, clientWidth(), clientHeight(), isMinimized()))
        return;
    applyLayout();
    if (ui_.ListView1->model() != nullptr)
        AutoSizeListColumns(ui_.ListView1, true, ui_.ListView1->model()->columnCount());
    AutoSizeListColumns(ui_.LV_Found, true, 1);
}

void QUORVANT::fitFetchStrip()
{
    const int before = ui_.lMsgLeft;
    ui_.layOutFetchStrip();
    if (ui_.lMsgLeft == before)
        return;
    layout_.design.lMsgLeft = tw(ui_.lMsgLeft);
    applyLayout();
}

void QUORVANT::applyLayout()
{
    const MainLayout& l = layout_;
    place(ui_.Toolbar1, l.toolbar);
    place(ui_.StatusBar1, l.statusbar);
    place(ui_.Cmd_srch_obj, l.cmdSrchObj);
    place(ui_.CB_srch_obj, l.cbSrchObj);
    place(ui_.TabObjects, l.tabObjects);
    place(ui_.TreeView1, l.treeView);
    place(ui_.Fra_Found, l.fraFound);
    place(ui_.L_Found,
          {0, l.design.lFoundTop, l.lFoundWidth, l.fraFound.height - l.design.lFoundTop});
    place(ui_.LV_Found, l.lvFound);
    place(ui_.L_split, l.lSplit);
    place(ui_.TabStrip1, l.tabStrip);
    {
        // The mode button is as wide as its widest caption, so it never moves the arrows.
        const int h = std::max(0, px(l.tabStrip.height - 50) - 2);
        const QFontMetrics fm(ui_.Cmd_srch_wd->font());
        int captionWidth = 0;
        for (auto mode :
             {tokensearch::Mode::Placeholder, tokensearch::Mode::Token, tokensearch::Mode::Keyword})
            captionWidth =
                std::max(captionWidth, fm.horizontalAdvance(tokensearch::modeCaption(mode)));
        const int modeWidth = captionWidth + 16;
        ui_.Cmd_srch_wd->setGeometry(0, 0, modeWidth, h);
        ui_.Cmd_q[1]->setGeometry(modeWidth + 2, 0, h, h);
        ui_.Cmd_q[0]->setGeometry(modeWidth + 2 + h, 0, h, h);
        const int width = std::max(px(1500), modeWidth + 2 + 2 * h);
        ui_.Frm_q->setGeometry(px(l.frmQ.left), px(l.frmQ.top), width,
                               std::max(0, px(l.tabStrip.height - 50)));
    }
    layOutSqlNav();
    place(ui_.Lst_kwd, l.lstKwd);
    place(ui_.TB_SQL, l.tbSql);
    place(ui_.Fra_SqlInfo, l.fraSqlInfo);
    ui_.L_msg->setGeometry(px(l.design.lMsgLeft), ui_.L_msg->y(), std::max(0, px(l.lMsgWidth) - 4),
                           ui_.L_msg->height());
    TwipsRect grid = l.listView;
    if (l.gridFilterOn) {
        // The filter row stands on the grid's top edge, as high as one box.
        const double row = std::min(grid.height, tw(ui_.Fra_filter->sizeHint().height()));
        place(ui_.Fra_filter, {grid.left, grid.top, grid.width, row});
        grid.top += row;
        grid.height -= row;
    }
    place(ui_.ListView1, grid);
    applyConnectionBand();
    // The panes under the toolbar must not cover it.
    ui_.Toolbar1->raise();
    ui_.StatusBar1->raise();
}

void QUORVANT::applyConnectionBand()
{
    const MainLayout& l = layout_;
    const int h = px(l.design.toolbarHeight) - 4;
    ui_.placeholder->setFixedSize(px(l.placeholderWidth), h);
    ui_.Pict_db->setGeometry(4, 0, px(l.pictDbWidth), h);
    const int rowH = std::min(h, ui_.TB_DSN->sizeHint().height());
    ui_.Label2->setGeometry(2, 0, px(375) - 4, h);
    ui_.TB_DSN->setGeometry(px(375), (h - rowH) / 2, std::max(0, px(l.tbDsnWidth)), rowH);
    ui_.Img_slide->setGeometry(px(l.imgSlideLeft), 0, px(135), h);
}

void QUORVANT::showDisplayOption(const MainWindowUi::DisplayOption& option, bool on)
{
    if (option.layoutFlag != nullptr)
        layout_.*option.layoutFlag = on;
    for (QWidget* pane : option.panes)
        pane->setVisible(on);
    if (option.settingsKey == settings::kHighlight) {
        inputArea_->highlighter().setOn(on);
        showHist_->highlighter().setOn(on);
        showTemp_->highlighter().setOn(on);
    }
}

void QUORVANT::displayOptionChanged(const MainWindowUi::DisplayOption& option)
{
    // The title option changes no pane, only the title.
    if (option.settingsKey == settings::kCon2Title) {
        connection_->titleOptionChanged();
        return;
    }
    showDisplayOption(option, option.item->isChecked());
    if (option.layoutFlag != nullptr)
        Resize();
}

bool QUORVANT::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == client_ && event->type() == QEvent::Resize) {
        Resize();
        return false;
    }
    if (watched == ui_.L_split || watched == ui_.Img_slide || watched == ui_.Fra_SqlInfo ||
        watched == ui_.L_Found) {
        if (dragEvent(watched, event))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool QUORVANT::dragEvent(QObject* bar, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            return false;
        dragging_ = true;
        grabX_ = e->position().x() * twips::kTwipsPerPixel;
        grabY_ = e->position().y() * twips::kTwipsPerPixel;
        return true;
    }
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return true;
    case QEvent::MouseMove: {
        if (!dragging_)
            return false;
        const auto* e = static_cast<QMouseEvent*>(event);
        const double x = e->position().x() * twips::kTwipsPerPixel;
        const double y = e->position().y() * twips::kTwipsPerPixel;
        bool moved = false;
        if (bar == ui_.L_split) {
            moved = dragSplit(layout_, clientWidth(), x, grabX_);
            if (moved)
                AutoSizeListColumns(ui_.LV_Found, true, 1);
        } else if (bar == ui_.Img_slide) {
            moved = dragSlide(layout_, x, grabX_);
        } else if (bar == ui_.Fra_SqlInfo) {
            moved = dragSqlInfo(layout_, clientHeight(), y, grabY_);
        } else if (bar == ui_.L_Found) {
            moved = dragFound(layout_, clientHeight(), y, grabY_);
        }
        if (moved)
            applyLayout();
        return true;
    }
    default:
        return false;
    }
}

void QUORVANT::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && client_ != nullptr)
        Resize();
}
