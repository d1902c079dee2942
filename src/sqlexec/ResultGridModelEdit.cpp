// The grid's side of editing a result: marks of changed, added and deleted rows kept with
// their rows, so that sorting, the filter and a resumed fill move them along.
#include "sqlexec/ResultGridModel.h"

#include "base/SearchFold.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

namespace {

const QColor kChangedCell(255, 243, 176);
const QColor kAddedRow(214, 245, 214);
const QColor kDeletedRow(222, 222, 222);
const QColor kProblemRow(255, 205, 205);
// The grid's values are cut at 254 UTF-8 bytes, on a character boundary.
constexpr qsizetype kMayBeCutBytes = 251;

} // namespace

void ResultGridModel::setEditableColumns(std::vector<bool> editable)
{
    editable.resize(names_.size(), false);
    if (std::none_of(editable.begin(), editable.end(), [](bool e) { return e; }))
        editable.clear();
    editable_ = std::move(editable);
    if (!rows_.empty() && !names_.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, static_cast<int>(names_.size())));
}

bool ResultGridModel::columnEditable(int resultColumn) const
{
    return resultColumn >= 0 && static_cast<std::size_t>(resultColumn) < editable_.size() &&
           editable_[static_cast<std::size_t>(resultColumn)];
}

ResultGridModel::RowEdit& ResultGridModel::editOf(Row& row)
{
    if (!row.edit) {
        row.edit = std::make_shared<RowEdit>();
        row.edit->original = row.cells;
        row.edit->changed.assign(static_cast<std::size_t>(names_.size()), false);
    }
    return *row.edit;
}

bool ResultGridModel::setCell(std::size_t pos, int resultColumn, const QString& text)
{
    if (pos >= rows_.size() || !columnEditable(resultColumn))
        return false;
    Row& row = rows_[pos];
    if (row.edit && row.edit->mark == RowMark::Deleted)
        return false;
    RowEdit& edit = editOf(row);
    const auto c = static_cast<std::size_t>(resultColumn);
    QString& cell = row.cells[resultColumn];
    cell = text;
    const QString& was = edit.original.at(resultColumn);
    // NULL and an empty text differ; so do two texts that differ only in a NULL.
    edit.changed[c] = edit.mark == RowMark::Added || was.isNull() != text.isNull() || was != text;
    if (edit.mark != RowMark::Added) {
        const bool any =
            std::any_of(edit.changed.begin(), edit.changed.end(), [](bool b) { return b; });
        remark(edit, any ? RowMark::Changed : RowMark::None);
    }
    edit.problem.clear();
    if (anyFilled_ && numberFills_[c].on && !text.isNull())
        widenFilled(c, text);
    columnTexts_[c].longest = std::max(columnTexts_[c].longest, text.size());
    refold(pos, resultColumn);
    rowChanged(pos);
    return true;
}

void ResultGridModel::refold(std::size_t pos, int resultColumn)
{
    std::vector<QString>& folded = folded_[static_cast<std::size_t>(resultColumn)];
    if (pos < folded.size())
        folded[pos] = foldForSearch(rows_[pos].cells.at(resultColumn));
}

void ResultGridModel::rowChanged(std::size_t pos)
{
    const int row = viewRow(pos);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, static_cast<int>(names_.size())));
    emit editsChanged();
}

int ResultGridModel::viewRow(std::size_t pos) const
{
    if (!filtering_)
        return pos < static_cast<std::size_t>(shownRows_) ? static_cast<int>(pos) : -1;
    const auto it = std::find(visible_.begin(), visible_.end(), static_cast<int>(pos));
    return it == visible_.end() ? -1 : static_cast<int>(it - visible_.begin());
}

std::size_t ResultGridModel::addRow()
{
    Row row{-++added_, QVector<QString>(names_.size()), nullptr};
    RowEdit& edit = editOf(row);
    remark(edit, RowMark::Added);
    rows_.push_back(std::move(row));
    const std::size_t pos = rows_.size() - 1;
    if (!filtering_) {
        flush();
    } else {
        // The filter's folded texts follow rows_; an added row is always kept.
        for (std::size_t c = 0; c < needles_.size(); ++c)
            if (!needles_[c].isEmpty())
                foldColumn(c);
        shownRows_ = static_cast<int>(rows_.size());
        const int shown = static_cast<int>(visible_.size());
        beginInsertRows({}, shown, shown);
        visible_.push_back(static_cast<int>(pos));
        endInsertRows();
        emit filterChanged();
    }
    emit editsChanged();
    return pos;
}

void ResultGridModel::removeRow(std::size_t pos)
{
    if (pos >= rows_.size())
        return;
    if (rows_[pos].edit)
        remark(*rows_[pos].edit, RowMark::None);
    const int row = viewRow(pos);
    if (row >= 0)
        beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(pos));
    if (pos < static_cast<std::size_t>(shownRows_))
        --shownRows_;
    for (std::vector<QString>& folded : folded_)
        if (pos < folded.size())
            folded.erase(folded.begin() + static_cast<std::ptrdiff_t>(pos));
    if (filtering_) {
        visible_.erase(std::remove(visible_.begin(), visible_.end(), static_cast<int>(pos)),
                       visible_.end());
        for (int& p : visible_)
            if (p > static_cast<int>(pos))
                --p;
    }
    if (row >= 0)
        endRemoveRows();
    if (filtering_)
        emit filterChanged();
}

void ResultGridModel::deleteRows(std::vector<std::size_t> positions)
{
    // From the last, so that removing an added row leaves the other positions as they are.
    std::sort(positions.begin(), positions.end(), std::greater<>());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (const std::size_t pos : positions) {
        if (pos >= rows_.size())
            continue;
        Row& row = rows_[pos];
        if (row.edit && row.edit->mark == RowMark::Added) {
            removeRow(pos);
            continue;
        }
        RowEdit& edit = editOf(row);
        // What was typed into it goes: a deleted row is deleted as it was read.
        row.cells = edit.original;
        std::fill(edit.changed.begin(), edit.changed.end(), false);
        remark(edit, RowMark::Deleted);
        edit.problem.clear();
        for (int c = 0; c < static_cast<int>(names_.size()); ++c)
            refold(pos, c);
        const int view = viewRow(pos);
        if (view >= 0)
            emit dataChanged(index(view, 0), index(view, static_cast<int>(names_.size())));
    }
    emit editsChanged();
}

void ResultGridModel::discardEdits()
{
    for (std::size_t pos = rows_.size(); pos-- > 0;) {
        Row& row = rows_[pos];
        if (!row.edit)
            continue;
        if (row.edit->mark == RowMark::Added) {
            removeRow(pos);
            continue;
        }
        row.cells = row.edit->original;
        remark(*row.edit, RowMark::None);
        row.edit.reset();
        for (int c = 0; c < static_cast<int>(names_.size()); ++c)
            refold(pos, c);
    }
    added_ = 0;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, static_cast<int>(names_.size())));
    emit editsChanged();
}

void ResultGridModel::settleRows(std::vector<Settled> settled)
{
    // From the last position, so that a deleted row going leaves the positions before it.
    std::sort(settled.begin(), settled.end(),
              [](const Settled& a, const Settled& b) { return a.first > b.first; });
    for (auto& [pos, fresh] : settled) {
        if (pos >= rows_.size())
            continue;
        Row& row = rows_[pos];
        if (row.edit && row.edit->mark == RowMark::Deleted) {
            removeRow(pos);
            continue;
        }
        if (fresh) {
            fresh->resize(names_.size());
            row.cells = std::move(*fresh);
            for (int c = 0; c < static_cast<int>(names_.size()); ++c)
                refold(pos, c);
        }
        if (row.edit)
            remark(*row.edit, RowMark::None);
        row.edit.reset();
        const int view = viewRow(pos);
        if (view >= 0)
            emit dataChanged(index(view, 0), index(view, static_cast<int>(names_.size())));
    }
    emit editsChanged();
}

void ResultGridModel::setRowProblem(std::size_t pos, const QString& problem)
{
    if (pos >= rows_.size() || !rows_[pos].edit)
        return;
    rows_[pos].edit->problem = problem;
    rowChanged(pos);
}

void ResultGridModel::remark(RowEdit& edit, RowMark mark)
{
    // Counted as marks change, so the status bar's count costs nothing per edit.
    const auto count = [this](RowMark m, int by) {
        switch (m) {
        case RowMark::Changed:
            counts_.changed += by;
            break;
        case RowMark::Added:
            counts_.added += by;
            break;
        case RowMark::Deleted:
            counts_.deleted += by;
            break;
        case RowMark::None:
            break;
        }
    };
    count(edit.mark, -1);
    count(mark, 1);
    edit.mark = mark;
}

std::vector<std::size_t> ResultGridModel::markedRows() const
{
    std::vector<std::size_t> marked;
    for (std::size_t pos = 0; pos < rows_.size(); ++pos)
        if (rows_[pos].edit && rows_[pos].edit->mark != RowMark::None)
            marked.push_back(pos);
    return marked;
}

Qt::ItemFlags ResultGridModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!index.isValid() || editable_.empty() || !columnEditable(index.column() - 1))
        return f;
    const Row& row = rows_[position(index.row())];
    if (row.edit && row.edit->mark == RowMark::Deleted)
        return f;
    // A fetched value is cut at 254 UTF-8 bytes: a text that long may be part of the value,
    // and saving it would cut the value in the database.
    const QString& text = row.cells.at(index.column() - 1);
    const bool added = row.edit && row.edit->mark == RowMark::Added;
    if (!added && text.size() * 3 >= kMayBeCutBytes && text.toUtf8().size() >= kMayBeCutBytes)
        return f;
    return f | Qt::ItemIsEditable;
}

bool ResultGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= rowCount())
        return false;
    // An invalid variant, or a null text, is NULL.
    const QString text = value.isValid() ? value.toString() : QString();
    return setCell(position(index.row()), index.column() - 1, text);
}

QVariant ResultGridModel::editData(const Row& row, int column, int role) const
{
    const RowEdit* edit = row.edit.get();
    const bool cell = column >= 1 && column <= row.cells.size();
    switch (role) {
    case Qt::EditRole:
        return cell ? QVariant(row.cells.at(column - 1)) : QVariant();
    case NullRole:
        return cell && row.cells.at(column - 1).isNull();
    case Qt::BackgroundRole:
        if (edit == nullptr)
            return {};
        if (!edit->problem.isEmpty())
            return QBrush(kProblemRow);
        if (edit->mark == RowMark::Added)
            return QBrush(kAddedRow);
        if (edit->mark == RowMark::Deleted)
            return QBrush(kDeletedRow);
        if (cell && edit->changed[static_cast<std::size_t>(column - 1)])
            return QBrush(kChangedCell);
        return {};
    case Qt::ToolTipRole:
        if (edit != nullptr && !edit->problem.isEmpty())
            return edit->problem;
        if (edit != nullptr && edit->mark == RowMark::Deleted)
            return QStringLiteral("削除する行");
        return {};
    default:
        return {};
    }
}
