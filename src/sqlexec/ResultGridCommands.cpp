#include "sqlexec/ResultGridCommands.h"

#include "base/SortImageHeader.h"
#include "base/Twips.h"
#include "base/basApiCall.h"
#include "sqlexec/GridColumnWidths.h"
#include "sqlexec/GridText.h"
#include "sqlexec/ResultGridModel.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTableView>

#include <algorithm>

namespace {

// "&" in a menu caption would mark a shortcut letter and vanish.
QString captionText(const QString& text)
{
    QString caption = text;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return caption;
}

} // namespace

ResultGridCommands::ResultGridCommands(ResultGridModel& model, const ResultGridUi& ui,
                                       ResultGridHooks hooks, QObject* parent)
    : QObject(parent), model_(model), ui_(ui), hooks_(std::move(hooks))
{
    QTableView* view = ui_.ListView1;
    if (view == nullptr)
        return;
    // The model sorts; the view's own sorting would sort it a second time.
    view->setSortingEnabled(false);
    auto* header = new SortImageHeader(ResultGridModel::SortImageRole, ui_.imlSort, view);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header_ = header;
    header->setObjectName(QStringLiteral("ListView1_header"));
    const QHeaderView* old = view->horizontalHeader();
    header->setIconSize(old->iconSize());
    header->setMinimumSectionSize(old->minimumSectionSize());
    header->setDefaultSectionSize(old->defaultSectionSize());
    const bool shown = !old->isHidden();
    view->setHorizontalHeader(header);
    // A header put into a view already on screen would stay hidden.
    header->setVisible(shown);
    connect(header, &QHeaderView::sectionClicked, this, &ResultGridCommands::ColumnClick);
    viewport_ = view->viewport();
    viewport_->installEventFilter(this);
}

void ResultGridCommands::ColumnClick(int column)
{
    if (hooks_.sortAllowed && !hooks_.sortAllowed())
        return;
    sortOnClick(column);
    if (header_ != nullptr)
        static_cast<SortImageHeader*>(header_.data())->makeRoomForImage(column);
}

void ResultGridCommands::sortOnClick(int column)
{
    const int columns = model_.columnCount();
    // The closing "<" column does nothing.
    if (column < 0 || column >= columns - 1)
        return;
    if (model_.isSorted() && model_.sortColumn() == column) {
        if (model_.sortOrder() == Qt::AscendingOrder)
            model_.sortByColumn(column, Qt::DescendingOrder);
        else
            model_.sortByColumn(0, Qt::AscendingOrder); // fetch order, no arrow
        return;
    }
    if (model_.resultColumnCount() >= column && column >= 1 &&
        model_.kind(column - 1) == ColumnKind::Number && !model_.numbersFilled(column)) {
        model_.fillNumbers(column);
        FitFilledColumn(ui_.ListView1, model_, column);
    }
    model_.sortByColumn(column, Qt::AscendingOrder);
}

void ResultGridCommands::mouseDownAt(QPoint viewportPos)
{
    int item = -1;
    int subItem = -1;
    ListSubItemHitTest(ui_.ListView1, twips::fromPixels(viewportPos.x()),
                       twips::fromPixels(viewportPos.y()), item, subItem);
    // Grid columns past the result's (the closing "<" one) carry nothing.
    if (item >= 0 && subItem >= 1 && subItem <= model_.resultColumnCount())
        pressed_cell_text = model_.cellText(item, subItem);
    else
        pressed_cell_text.clear();
}

QMenu* ResultGridCommands::rightClickAt(QPoint viewportPos, QPoint globalPos)
{
    int item = -1;
    int k = -1;
    ListSubItemHitTest(ui_.ListView1, twips::fromPixels(viewportPos.x()),
                       twips::fromPixels(viewportPos.y()), item, k);
    // The count and kinds are those of the grid as shown, whatever filled it last.
    const int n = model_.resultColumnCount();
    if (item < 0 || k < 0 || k > n)
        return nullptr;
    QMenu* menu = nullptr;
    if (k >= 1) {
        grid_copy_texts = CellCopyTexts(model_.headerText(k), model_.cellText(item, k));
        setCaption(ui_.mn_mouse3, QStringLiteral("mn_LV_subitem_0"), grid_copy_texts[0]);
        for (int i = 1; i <= 4; ++i)
            setCaption(ui_.mn_mouse3, QStringLiteral("mn_LV_subitem_%1").arg(i),
                       QStringLiteral("⇒ ") + grid_copy_texts[static_cast<std::size_t>(i)]);
        menu = ui_.mn_mouse3;
    } else {
        QStringList names;
        QStringList values;
        ColumnKinds kinds;
        for (int c = 1; c <= n; ++c) {
            names.append(model_.headerText(c));
            values.append(model_.cellText(item, c));
            kinds.push_back(model_.kind(c - 1));
        }
        grid_copy_texts[0] = AllColumnNamesText(names);
        grid_copy_texts[1] = RowValuesText(values, kinds);
        menu = ui_.mn_mouse6;
    }
    if (menu != nullptr)
        menu->popup(globalPos);
    return menu;
}

void ResultGridCommands::setCaption(QMenu* menu, const QString& submenu, const QString& caption)
{
    if (menu == nullptr)
        return;
    if (auto* sub = menu->findChild<QMenu*>(submenu))
        sub->menuAction()->setText(captionText(caption));
}

QMimeData* ResultGridCommands::dragData() const
{
    if (pressed_cell_text.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setText(pressed_cell_text);
    return data;
}

void ResultGridCommands::startDrag()
{
    QMimeData* data = dragData();
    if (data == nullptr)
        return;
    auto* drag = new QDrag(ui_.ListView1);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}

void ResultGridCommands::copyToInputArea(int index)
{
    if (index < 0 || index >= static_cast<int>(grid_copy_texts.size()))
        return;
    if (hooks_.InsertAtCaret)
        hooks_.InsertAtCaret(grid_copy_texts[static_cast<std::size_t>(index)]);
}

void ResultGridCommands::copyToClipboard(int index)
{
    if (index < 0 || index >= static_cast<int>(grid_copy_texts.size()))
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(grid_copy_texts[static_cast<std::size_t>(index)]);
}

bool ResultGridCommands::eventFilter(QObject* watched, QEvent* event)
{
    // Compared by pointer only: the view may be on its way out when its viewport's last
    // events arrive.
    if (watched != viewport_.data())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        mouseDownAt(mouse->position().toPoint());
        leftPressed_ = mouse->button() == Qt::LeftButton;
        pressAt_ = mouse->position().toPoint();
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (leftPressed_ && (mouse->buttons() & Qt::LeftButton) &&
            (mouse->position().toPoint() - pressAt_).manhattanLength() >=
                QApplication::startDragDistance()) {
            leftPressed_ = false;
            if (!pressed_cell_text.isEmpty()) {
                startDrag();
                return true;
            }
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        leftPressed_ = false;
        if (mouse->button() == Qt::RightButton)
            rightClickAt(mouse->position().toPoint(), mouse->globalPosition().toPoint());
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
