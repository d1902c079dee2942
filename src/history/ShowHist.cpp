#include "history/ShowHist.h"

#include "base/AppFolder.h"
#include "base/INIfile_IO.h"
#include "base/Settings.h"
#include "base/SortImageHeader.h"
#include "base/Twips.h"
#include "base/WindowFont.h"
#include "base/WindowPlacement.h"
#include "base/basApiCall.h"
#include "history/StatementListFile.h"
#include "history/TextBoxAids.h"
#include "odbc/comm/ConnectionWork.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int kSerialRole = Qt::UserRole + 1;
constexpr double kMinPane = 500;

int px(double t)
{
    return twips::toPixels(t);
}

double tw(int p)
{
    return twips::fromPixels(p);
}

} // namespace

ShowHist::ShowHist(INIfile_IO& ini, ConnectionWork& work, Prompts& prompts, ShowHistHooks hooks,
                   QWidget* owner)
    : QWidget(owner, Qt::Window), ini_(ini), work_(work), prompts_(prompts),
      hooks_(std::move(hooks)),
      log_(AppFolder() + QStringLiteral("SQLHIST.TXT"), settings::readMaxHist(ini))
{
    setObjectName(QStringLiteral("ShowHist"));
    setWindowTitle(QStringLiteral("SQL入力履歴"));
    resize(640, 480);

    menu_ = new QMenuBar(this);
    QMenu* mn_sql = menu_->addMenu(QStringLiteral("SQL(&S)"));
    mn_sql->setObjectName(QStringLiteral("mn_sql"));
    QAction* mn_sql_input = mn_sql->addAction(QStringLiteral("SQL入力エリアへ戻す(&R)"));
    mn_sql_input->setObjectName(QStringLiteral("mn_sql_input"));
    mn_sql_exec = mn_sql->addAction(QStringLiteral("SQLを即実行(&I)"));
    mn_sql_exec->setObjectName(QStringLiteral("mn_sql_exec"));
    mn_sql_exec->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    mn_sql->addSeparator()->setObjectName(QStringLiteral("mn_sql_sp"));
    QAction* mn_sql_exit = mn_sql->addAction(QStringLiteral("閉じる(&X)"));
    mn_sql_exit->setObjectName(QStringLiteral("mn_sql_exit"));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setHeader(new SortImageHeader(
        kSortImageRole,
        {{QStringLiteral("SortASC"), QIcon(QStringLiteral(":/icons/sort_up.png"))},
         {QStringLiteral("SortDESC"), QIcon(QStringLiteral(":/icons/sort_down.png"))}},
        ListView1));
    ListView1->setColumnCount(3);
    ListView1->setHeaderLabels(
        {QStringLiteral("日時"), QStringLiteral("DB"), QStringLiteral("SQL")});
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setIconSize(QSize(12, 12));
    for (int c = 0; c < 2; ++c)
        ListView1->headerItem()->setData(c, kColumnTagRole, QLatin1String(kFixedColumnTag));
    // The stamp whole ("yy/MM/dd HH:mm:ss", every digit as wide as the widest), with room for
    // the sort image beside the caption.
    const QFontMetrics list(ListView1->font());
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
        digit = std::max(digit, list.horizontalAdvance(QLatin1Char(c)));
    const int stampWidth =
        list.horizontalAdvance(QStringLiteral("//  ::")) + 12 * digit +
        2 * (ListView1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListView1) +
             1) +
        list.averageCharWidth();
    ListView1->setColumnWidth(
        0, std::max({px(1550), stampWidth,
                     static_cast<SortImageHeader*>(ListView1->header())->captionAndImageWidth(0)}));
    ListView1->setColumnWidth(1, px(1440));

    L_split = new QFrame(this);
    L_split->setObjectName(QStringLiteral("L_split"));
    L_split->setCursor(Qt::SizeVerCursor);
    L_split->installEventFilter(this);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setFont(workbenchFont());
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    textAids_ = new TextBoxAids(Text1);

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), Picture1);
        b->setObjectName(QString::fromLatin1(name));
        b->adjustSize();
        return b;
    };
    Command1 = button("Command1", "SQL入力エリアへ戻す(&R)");
    Command2 = button("Command2", "SQLを即実行(&I)");
    Command3 = button("Command3", "閉じる(&X)");

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &ShowHist::Timer1_Timer);

    connect(Command1, &QPushButton::clicked, this, &ShowHist::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &ShowHist::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &ShowHist::Command3_Click);
    connect(mn_sql_input, &QAction::triggered, this, &ShowHist::Command1_Click);
    connect(mn_sql_exec, &QAction::triggered, this, &ShowHist::Command2_Click);
    connect(mn_sql_exit, &QAction::triggered, this, &ShowHist::Command3_Click);
    connect(ListView1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* row) { rowClicked(row); });
    connect(ListView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* row) { rowClicked(row); });
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, &ShowHist::columnClick);
}

QTreeWidgetItem* ShowHist::makeRow(const ClassSQL& entry, quint64 serial) const
{
    auto* row = new QTreeWidgetItem(QStringList{
        HistoryLog::stampOf(entry), HistoryLog::dsnOf(entry), stmtfile::oneLine(entry.SQLstmt)});
    row->setData(0, kSerialRole, serial);
    return row;
}

void ShowHist::ReadHist()
{
    ListView1->clear();
    log_.read();
    const QList<ClassSQL>& entries = log_.entries();
    for (int i = 0; i < entries.size(); ++i)
        ListView1->insertTopLevelItem(0, makeRow(entries[i], log_.serials()[i]));
    if (!entries.isEmpty()) {
        AutoSizeListColumns(ListView1, true, -1);
        ListView1->setCurrentItem(ListView1->topLevelItem(0));
        Text1->setPlainText(entries.last().SQLstmt);
    }
    Timer1->start();
}

void ShowHist::AddHist(const QString& dsn, const QString& sql)
{
    if (log_.add(dsn, sql) < 0)
        return;
    // Rows whose entries were dropped for room go, wherever the sort has put them. Neither the
    // selection nor Text1 changes.
    const QSignalBlocker quiet(ListView1);
    const QList<quint64>& alive = log_.serials();
    for (int r = ListView1->topLevelItemCount() - 1; r >= 0; --r) {
        const quint64 serial = ListView1->topLevelItem(r)->data(0, kSerialRole).toULongLong();
        if (!alive.contains(serial))
            delete ListView1->takeTopLevelItem(r);
    }
    ListView1->insertTopLevelItem(0, makeRow(log_.entries().last(), alive.last()));
}

void ShowHist::Timer1_Timer()
{
    Timer1->stop();
    log_.writeNextPending();
    Timer1->start();
}

void ShowHist::SaveHist()
{
    Timer1->stop();
    log_.trimFile();
}

void ShowHist::rowClicked(QTreeWidgetItem* row)
{
    if (row == nullptr)
        return;
    const int i = log_.indexOfSerial(row->data(0, kSerialRole).toULongLong());
    if (i >= 0)
        Text1->setPlainText(log_.entries()[i].SQLstmt);
}

void ShowHist::columnClick(int column)
{
    if (column < 0 || column >= 2)
        return;
    if (sortColumn_ != column) {
        sortColumn_ = column;
        sortOrder_ = Qt::DescendingOrder;
    } else if (sortOrder_ == Qt::DescendingOrder) {
        sortOrder_ = Qt::AscendingOrder;
    } else {
        sortColumn_ = -1;
    }
    if (sortColumn_ < 0)
        ListView1->sortItems(0, Qt::DescendingOrder);
    else
        ListView1->sortItems(sortColumn_, sortOrder_);
    showSortImages();
}

void ShowHist::showSortImages()
{
    QTreeWidgetItem* header = ListView1->headerItem();
    for (int c = 0; c < 2; ++c) {
        QString key;
        if (c == sortColumn_)
            key = sortOrder_ == Qt::DescendingOrder ? QStringLiteral("SortDESC")
                                                    : QStringLiteral("SortASC");
        header->setData(c, kSortImageRole, key);
    }
    // A caption and image that do not fit side by side widen their column.
    static_cast<SortImageHeader*>(ListView1->header())->makeRoomForImage(sortColumn_);
}

void ShowHist::showWindow()
{
    if (!placed_) {
        placed_ = true;
        RestoreWindowPlacement(this, placement_);
    }
    show();
    raise();
    activateWindow();
}

void ShowHist::setRunEnabled(bool on)
{
    Command2->setEnabled(on);
    mn_sql_exec->setEnabled(on);
}

void ShowHist::hideSaving()
{
    SaveWindowPlacement(this, ini_, QLatin1String(settings::kHistPlacement));
    hide();
}

void ShowHist::Command1_Click()
{
    hideSaving();
    if (hooks_.InputHist)
        hooks_.InputHist(Text1->toPlainText());
}

void ShowHist::Command2_Click()
{
    if (work_.refuseWhileBusy(prompts_, this, QStringLiteral("QUORVANT - ＳＱＬの実行")))
        return;
    hideSaving();
    if (hooks_.PostSQL)
        hooks_.PostSQL(Text1->toPlainText());
}

void ShowHist::Command3_Click()
{
    hideSaving();
}

void ShowHist::closeEvent(QCloseEvent* event)
{
    // Hidden, never closed: the list and its order stay for the next showing.
    event->ignore();
    Command3_Click();
}

void ShowHist::keyPressEvent(QKeyEvent* event)
{
    // Escape arrives here only when the focused box had no use for it.
    if (event->matches(QKeySequence::Cancel)) {
        Command3_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ShowHist::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isMinimized())
        return;
    layOut(splitTop_);
}

void ShowHist::layOut(double splitTop)
{
    const int menuH = menu_->sizeHint().height();
    menu_->setGeometry(0, 0, width(), menuH);
    const double innerW = tw(width());
    const double innerH = tw(height() - menuH);
    const int buttonH = Command1->sizeHint().height();
    const double barH = tw(buttonH + 8);
    if (splitTop < 0)
        splitTop = std::max(kMinPane, (innerH - barH - 100) / 2);
    splitTop_ = splitTop;
    const auto put = [menuH](QWidget* w, double l, double t, double wd, double h) {
        w->setGeometry(px(l), menuH + px(t), std::max(0, px(wd)), std::max(0, px(h)));
    };
    put(ListView1, 0, 0, innerW, splitTop);
    put(L_split, 0, splitTop, innerW, 50);
    const double barTop = innerH - barH;
    put(Text1, 0, splitTop + 50, innerW, std::max(kMinPane, barTop - splitTop - 50));
    put(Picture1, 0, barTop, innerW, barH);
    const int widths = Command1->width() + Command2->width() + Command3->width();
    const int gap = std::max(0, (Picture1->width() - widths) / 4);
    int x = gap;
    for (QPushButton* b : {Command1, Command2, Command3}) {
        b->move(x, 4);
        x += b->width() + gap;
    }
    AutoSizeListColumns(ListView1, true, 3);
}

bool ShowHist::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != L_split)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        dragging_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        return true;
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return true;
    case QEvent::MouseMove: {
        if (!dragging_)
            return false;
        const double y = static_cast<QMouseEvent*>(event)->position().y() * twips::kTwipsPerPixel;
        const double n = splitTop_ + y;
        const double innerH = tw(height() - menu_->sizeHint().height());
        if (n >= kMinPane && n <= innerH - 1000)
            layOut(n);
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

SqlHighlighter& ShowHist::highlighter()
{
    return textAids_->highlighter();
}
