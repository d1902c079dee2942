#pragma once

#include <QString>
#include <QStyledItemDelegate>

#include <cstdint>
#include <optional>
#include <vector>

// Item data role: true when the cell is NULL (the model shows NULL as an empty text, which the
// grid cannot tell from an empty string; the cell delegate draws "NULL" for it).
inline constexpr int kNullRole = Qt::UserRole + 111;

// What a result column accepts when a cell is edited, from the way the driver describes it.
struct CellType {
    enum class Kind {
        Text,
        LongText,
        Integer,
        Decimal,
        Real,
        Boolean,
        Date,
        Time,
        DateTime,
        Binary
    };
    Kind kind = Kind::Text;
    std::int32_t size = 0;     // characters of a text column, precision of a decimal; 0 unknown
    std::int16_t decimals = 0; // scale of a decimal
    // The values an Integer column holds, both ends included.
    std::int64_t lowest = 0;
    std::uint64_t highest = 0;
};

// From the ODBC concise SQL type (SQLColAttribute SQL_DESC_CONCISE_TYPE), the column size and
// the decimal digits as the driver describes the result column. unsignedColumn
// (SQL_DESC_UNSIGNED) gives an integer column the unsigned range of its type; it means nothing
// for other types (drivers say true for every non-numeric column).
CellType cellTypeOf(std::int16_t sqlType, std::int32_t size, std::int16_t decimals,
                    bool unsignedColumn = false);

// The text to store for what the user typed, or nullopt with *problem (when given) set to the
// reason shown in the status bar. A null QString in is NULL out, whatever the type. Other than
// in a text column, blanks around the value and full-width characters of an IME are taken as
// their plain forms, and an empty value is NULL (a null QString).
std::optional<QString> checkedCellText(const CellType& type, const QString& typed,
                                       QString* problem);

// The cell editors of the result grid. Grid column c (c >= 1) is result column c - 1; grid
// column 0 is the row number. A typed value is written only once checkedCellText accepts it;
// Enter or Tab with a value it refuses leaves the editor open with the text as typed.
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
