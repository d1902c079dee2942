#pragma once

#include "odbc/comm/ResultSetInfo.h"
#include "sqlexec/SqlExecText.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The rows of the result grid: a "行No." column, one column per result column and a closing
// "<" column. Rows are kept as plain texts, one vector per row, so a sort moves only the row
// handles. Rows appended during a fill stay invisible to views until flush(), so a fill of
// thousands of rows costs one insert notification instead of one per row.
//
// The model also holds the grid's sort state, the number filling of its Number columns and the
// filter of the filter row, so that whatever lays out new columns (a fill, the column attribute
// view) switches all three off.
//
// Rows, as views see them (rowCount, index, cellText), are the rows the filter keeps, in grid
// order; rows() holds every row. A filter never renumbers: "行No." is the number fetched.
class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // What the user did to a row of an editable result and has not applied yet.
    enum class RowMark : std::uint8_t { None, Changed, Added, Deleted };
    struct RowEdit {
        RowMark mark = RowMark::None;
        QVector<QString> original; // the cells as read, before the first change
        std::vector<bool> changed; // per result column
        QString problem;           // why its statement was refused, shown on the row
    };
    struct Row {
        std::int32_t number = 0;       // fetch number; added rows count down from -1
        QVector<QString> cells;        // one text per result column
        std::shared_ptr<RowEdit> edit; // none while the row is as read
    };
    // Data role: the cell is NULL (a null text), which shows as an empty cell otherwise.
    static constexpr int NullRole = Qt::UserRole + 111;

    explicit ResultGridModel(QObject* parent = nullptr);

    // No columns and no rows.
    void clear();
    // Replaces everything by the headers of a result: names and one kind per column (Number
    // cells are right-aligned; a missing kind counts as Text). Sorting and number filling end.
    void setColumns(const QStringList& names, const ColumnKinds& kinds);
    // Adds a row behind the pending ones; cells is cut or padded to the result's columns. A row
    // added while the grid is sorted goes to the end all the same (a fill in progress first
    // calls restoreFetchOrder).
    void appendRow(std::int32_t number, QVector<QString>&& cells);
    // Announces the pending rows to the views.
    void flush();

    // What all texts of one result column have in common, pending rows included: kept as rows
    // arrive, while their texts are at hand, so that sizing the columns can skip most texts.
    struct ColumnTexts {
        qsizetype longest = 0;      // characters of the longest text
        bool printableAscii = true; // every text is " " to "~" only
    };
    const std::vector<ColumnTexts>& columnTexts() const { return columnTexts_; }

    int resultColumnCount() const { return static_cast<int>(names_.size()); }
    ColumnKind kind(int resultColumn) const
    {
        return kinds_[static_cast<std::size_t>(resultColumn)];
    }
    // Every row in grid order, the filter's hidden ones and pending ones included, with their
    // texts as fetched (before number filling).
    const std::vector<Row>& rows() const { return rows_; }
    // The text of a grid cell as the grid shows it, filled-out numbers included (grid column
    // numbering, 0 is the row number). Rows are the rows shown; without a filter pending rows
    // follow them.
    QString cellText(int row, int column) const;
    // The same for rows()[pos], whether the filter keeps it or not.
    QString storedCellText(std::size_t pos, int column) const;
    // Positions in rows() of every row in fetch order, whatever the sort and the filter.
    std::vector<std::size_t> fetchOrder() const;
    // Rows announced to views, whether the filter keeps them or not.
    int totalRowCount() const { return shownRows_; }

    // Keeps the rows whose cell of grid column `column` contains text, blind to case, width
    // and kana as the searches are; the cell as shown, so a filled-out number matches by its
    // filled text. Filters of several columns must all match; an empty text drops the column's
    // filter. Views see the rows go and come as one removal and one insertion.
    void setFilter(int column, const QString& text);
    void clearFilters();
    // Some column has a filter.
    bool filtered() const { return filtering_; }
    QString filterText(int column) const;
    QString headerText(int column) const;

    // The caption and width of the numbering column ("行No." and 6 after setColumns): a table
    // that is not a result (the column attribute view) numbers its rows its own way.
    void setNumberColumn(const QString& header, int width);
    // The numbering cell of a row number.
    QString numberText(std::int32_t number) const;

    // Header data role of the sort image a header shows: "SortASC", "SortDESC" or none. Fetch
    // order (the row-number column ascending) shows none.
    static constexpr int SortImageRole = Qt::UserRole + 110;
    // Sorts by a grid column (0 is the row number, whose ascending order is fetch order).
    // Cells of a Number column order by their value: empty first, then numbers, then other
    // texts; other columns by their texts, blind to case, width and kana. Equal cells keep
    // fetch order in both directions.
    void sortByColumn(int column, Qt::SortOrder order);
    // Fetch order with sorting off: what a fill needs before it adds rows.
    void restoreFetchOrder();
    bool isSorted() const { return sortColumn_ >= 0; }
    // The sort column (grid numbering), -1 when not sorted.
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }

    // Fills out the plain decimal numbers of a Number column (grid numbering) to the widths of
    // the column's numbers, for display, copying and saving, until the columns change. Rows
    // added later are filled too, and the column keeps one width. Other columns, and a column
    // filled already, are left as they are. Empty cells and other texts are never filled.
    void fillNumbers(int column);
    bool numbersFilled(int column) const;
    // Characters of the longest filled-out text of a filled column; 0 for other columns.
    qsizetype filledLength(int column) const;

    // Editing. Columns that may be changed (per result column); none switches editing off.
    // setColumns and clear switch it off with every mark.
    void setEditableColumns(std::vector<bool> editable);
    bool editing() const { return !editable_.empty(); }
    bool columnEditable(int resultColumn) const;
    // Sets a cell as the user typed it (a null text is NULL); a row marked deleted is not
    // changed. Setting the value it was read with takes the cell's mark off.
    bool setCell(std::size_t pos, int resultColumn, const QString& text);
    // A new row at the end, every cell NULL (columns left alone take the database's
    // default); its position in rows().
    std::size_t addRow();
    // Marks the rows deleted (rows added and not applied go at once).
    void deleteRows(std::vector<std::size_t> positions);
    // Every mark off: changed cells back to what was read, added rows gone.
    void discardEdits();
    // After an apply: each row as the database holds it now (fresh cells, or none to keep the
    // row's texts), marks off; a deleted row goes. Positions are those before any row went.
    using Settled = std::pair<std::size_t, std::optional<QVector<QString>>>;
    void settleRows(std::vector<Settled> settled);
    // A refused row keeps its marks and shows why.
    void setRowProblem(std::size_t pos, const QString& problem);
    struct EditCounts {
        int changed = 0;
        int added = 0;
        int deleted = 0;
        bool any() const { return changed + added + deleted > 0; }
    };
    EditCounts editCounts() const { return counts_; }
    // Positions in rows() of rows with a mark, in grid order.
    std::vector<std::size_t> markedRows() const;
    // Position in rows() of a row as views see it.
    std::size_t rowPosition(int row) const { return position(row); }
    // The row views show at a position, -1 when the filter hides it.
    int viewRow(std::size_t pos) const;

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // The filter or the rows it keeps changed; rows shown and total may differ from before.
    void filterChanged();
    // A mark was set or taken off.
    void editsChanged();

private:
    void reset(const QStringList& names, const ColumnKinds& kinds, bool laidOut);
    QVariant alignment(int column) const;
    void applyOrder(const std::vector<int>& order);
    void setSortState(int column, Qt::SortOrder order);
    // Widens the filled-out column c (0-based result column) to hold text.
    void widenFilled(std::size_t c, const QString& text);
    // Index into rows_ of a row as views see it.
    std::size_t position(int row) const
    {
        return filtering_ ? static_cast<std::size_t>(visible_[static_cast<std::size_t>(row)])
                          : static_cast<std::size_t>(row);
    }
    // Whether the filters keep rows_[pos].
    bool keeps(std::size_t pos) const;
    // The folded texts of result column c for every row, made when the column first gets a
    // filter and kept in step with rows_.
    void foldColumn(std::size_t c);
    // Applies the filters again to every announced row; from the rows shown only when every
    // filter is a narrowing of the one applied before.
    void refilter(bool narrowing);

    // Per result column while its numbers are filled out.
    struct Filling {
        bool on = false;
        NumberWidth width;
        bool point = false; // some number has a "."
    };

    QVariant editData(const Row& row, int column, int role) const;
    // The row's edit, made on its first change.
    RowEdit& editOf(Row& row);
    // Keeps the folded texts of a filtered column in step with a changed cell.
    void refold(std::size_t pos, int resultColumn);
    void rowChanged(std::size_t pos);
    // Sets a row's mark and keeps counts_ in step.
    void remark(RowEdit& edit, RowMark mark);
    // Takes a row out of rows_, the views, the filter and its folded texts.
    void removeRow(std::size_t pos);

    std::vector<bool> editable_;
    EditCounts counts_;
    std::int32_t added_ = 0;
    bool laidOut_ = false;
    QStringList names_;
    ColumnKinds kinds_;
    std::vector<Row> rows_;
    std::vector<ColumnTexts> columnTexts_;
    int shownRows_ = 0; // rows announced to views; the rest are pending
    QString numberHeader_ = QStringLiteral("行No.");
    int numberWidth_ = 6;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    std::vector<Filling> numberFills_;
    bool anyFilled_ = false;

    // Per result column: the filter as typed and folded (empty: none), the folded cell texts.
    QStringList filterTexts_;
    std::vector<QString> needles_;
    std::vector<std::vector<QString>> folded_;
    bool filtering_ = false;
    std::vector<int> visible_; // positions in rows_ of the rows shown, while filtering_
};
