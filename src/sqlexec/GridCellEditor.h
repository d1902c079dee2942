#pragma once

#include "sqlexec/CellType.h"

#include <QString>
#include <QStyledItemDelegate>

#include <vector>

// The cell editors of the result grid. Grid column c (c >= 1) is result column c - 1; grid
// column 0 is the row number. A cell whose ResultGridModel::NullRole is true shows "NULL". A typed
// value is written only once checkedCellText accepts it; Enter or Tab with a value it refuses
// leaves the editor open with the text as typed.
class GridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit GridCellDelegate(QObject* parent = nullptr);

    // One type per result column; without types no cell is edited.
    void setColumnTypes(std::vector<CellType> types);
    // The type of a grid column; nullopt for the row number and columns beyond the result.
    std::optional<CellType> columnType(int gridColumn) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

signals:
    // A value was not kept, or a cell cannot be edited; the reason for the status bar.
    void refused(const QString& reason);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    // The editor's text as it would be stored, or nullopt with the reason it is refused.
    std::optional<QString> checkedText(const QWidget* editor, QString* problem) const;
    void refuse(const QString& reason) const;

    std::vector<CellType> types_;
};
