#pragma once

#include <QPointer>
#include <QWidget>

#include <vector>

class QLineEdit;
class QTableView;
class ResultGridModel;

// The filter row over the result grid: one box per result column, lined up with the grid's
// columns as they are resized and scrolled. What is typed filters the grid's model at once
// (ResultGridModel::setFilter); a new layout of the grid's columns brings empty boxes.
//
// Hidden, the row filters nothing: the grid shows every row, and the boxes' texts apply again
// when the row is shown. Typing during work on the connection cannot happen: the input gate
// holds keys back while work runs, so the rows never change under a fill or an export.
class GridFilterRow : public QWidget {
    Q_OBJECT

public:
    // The boxes follow view's columns; its horizontal header is read at each placement, so a
    // header set on the view later is followed too.
    explicit GridFilterRow(QTableView* view, QWidget* parent = nullptr);

    // The model the view shows, which the boxes filter (the window's builder has none yet).
    void setModel(ResultGridModel* model);

    // The box over grid column `column` (1 to the result columns), or null.
    QLineEdit* box(int column) const;

    void setVisible(bool visible) override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void place();
    void watchHeader();

    QPointer<ResultGridModel> model_;
    QPointer<QTableView> view_;
    QObject* viewObject_ = nullptr;
    QWidget* strip_; // the boxes, clipped to the width of the grid's viewport
    std::vector<QLineEdit*> boxes_;
    QPointer<QObject> watchedHeader_;
};
