#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>

class QEvent;
class QHeaderView;
class QMenu;
class QMimeData;
class QMouseEvent;
class QTableView;
class QWidget;
class ResultGridModel;

// The main window's widgets of the grid's sort and copy commands. The main window keeps
// ownership; a null pointer is skipped.
struct ResultGridUi {
    QTableView* ListView1 = nullptr;
    QMenu* mn_mouse3 = nullptr; // a data cell: its submenus mn_LV_subitem_0 .. _4
    QMenu* mn_mouse6 = nullptr; // the row-number cell: mn_LV_subitem_all_0, _1
    // imlSort: the header images under the keys "SortASC" and "SortDESC".
    QHash<QString, QIcon> imlSort;
};

// Work of other features that the copy commands start. Empty functions are skipped.
struct ResultGridHooks {
    // Inserts a text into the SQL input area at its caret.
    std::function<void(const QString& text)> InsertAtCaret;
    // False while work on the connection reads or fills the grid (a fill, an export), which a
    // sort would reorder under it.
    std::function<bool()> sortAllowed;
};

// What the user does with a filled result grid: a header click sorts (ascending, descending,
// back to fetch order) with an arrow image right of the sort column's caption; a right click
// on a cell offers its copy texts, one on the row-number cell the row's names and values; a
// cell's text can be dragged out as plain text.
//
// The sort state and the filled-out numbers live in the grid's model, so a new fill or any
// other new layout of the grid ends them.
class ResultGridCommands : public QObject {
    Q_OBJECT

public:
    // Gives ListView1 a header that draws the sort images, and watches its viewport's mouse.
    ResultGridCommands(ResultGridModel& model, const ResultGridUi& ui, ResultGridHooks hooks = {},
                       QObject* parent = nullptr);

    // A click on the header of grid column `column` (0-based, 0 is "行No.").
    void ColumnClick(int column);

    // The cell under a viewport point became the pressed cell (mouse down on the grid).
    void mouseDownAt(QPoint viewportPos);
    // The right button went up at a viewport point: the copy menu of the cell there, shown at
    // globalPos. The menu shown, or null when the point is on no data or row-number cell.
    QMenu* rightClickAt(QPoint viewportPos, QPoint globalPos);
    // What a drag from the grid carries: the pressed cell's text as plain text, or null when
    // the press was not on a data cell.
    QMimeData* dragData() const;

    // mn_LV_subitem_copy_sql / mn_LV_subitem_all_copy_sql: copy text `index` into the input
    // area at the caret.
    void copyToInputArea(int index);
    // mn_LV_subitem_copy_clip / mn_LV_subitem_all_copy_clip: copy text `index` as the
    // clipboard's plain text.
    void copyToClipboard(int index);

    // Filled at each right click: for a data cell the name, the value, 'value', name = value
    // and name = 'value'; for the row-number cell all names and all values of the row.
    std::array<QString, 5> grid_copy_texts;
    // The text of the cell under the last mouse press; empty off the data cells.
    QString pressed_cell_text;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sortOnClick(int column);
    void startDrag();
    void setCaption(QMenu* menu, const QString& submenu, const QString& caption);

    ResultGridModel& model_;
    ResultGridUi ui_;
    ResultGridHooks hooks_;
    QPointer<QHeaderView> header_; // the header drawing the sort images
    QPointer<QWidget> viewport_;   // ListView1's, whose mouse is watched
    QPoint pressAt_;
    bool leftPressed_ = false;
};
