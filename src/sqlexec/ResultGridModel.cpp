#include "sqlexec/ResultGridModel.h"

#include "base/SearchFold.h"
#include "sqlexec/GridText.h"
#include "sqlexec/SqlExecText.h"

#include <algorithm>
#include <numeric>

ResultGridModel::ResultGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultGridModel::clear()
{
    reset({}, {}, false);
}

void ResultGridModel::setColumns(const QStringList& names, const ColumnKinds& kinds)
{
    reset(names, kinds, true);
}

void ResultGridModel::reset(const QStringList& names, const ColumnKinds& kinds, bool laidOut)
{
    beginResetModel();
    laidOut_ = laidOut;
    names_ = names;
    const auto columns = static_cast<std::size_t>(names.size());
    kinds_.assign(kinds.begin(),
                  kinds.begin() + static_cast<std::ptrdiff_t>(std::min(kinds.size(), columns)));
    kinds_.resize(columns, ColumnKind::Text);
    std::vector<Row>().swap(rows_);
    columnTexts_.assign(static_cast<std::size_t>(names_.size()), ColumnTexts{});
    shownRows_ = 0;
    numberHeader_ = QStringLiteral("行No.");
    numberWidth_ = 6;
    sortColumn_ = -1;
    sortOrder_ = Qt::AscendingOrder;
    numberFills_.assign(static_cast<std::size_t>(names_.size()), Filling{});
    anyFilled_ = false;
    // The filters belong to the columns they were typed for.
    filterTexts_ = QStringList(names_.size(), QString());
    needles_.assign(columns, QString());
    std::vector<std::vector<QString>>(columns).swap(folded_);
    filtering_ = false;
    std::vector<int>().swap(visible_);
    std::vector<bool>().swap(editable_);
    counts_ = {};
    added_ = 0;
    endResetModel();
}

void ResultGridModel::appendRow(std::int32_t number, QVector<QString>&& cells)
{
    if (cells.size() != names_.size())
        cells.resize(names_.size());
    for (qsizetype c = 0; c < cells.size(); ++c) {
        ColumnTexts& column = columnTexts_[static_cast<std::size_t>(c)];
        const QString& text = cells.at(c);
        column.longest = std::max(column.longest, text.size());
        if (column.printableAscii) {
            const char16_t* chars = reinterpret_cast<const char16_t*>(text.constData());
            bool outside = false;
            for (qsizetype i = 0; i < text.size(); ++i)
                outside |= static_cast<char16_t>(chars[i] - u' ') > u'~' - u' ';
            column.printableAscii = !outside;
        }
        if (anyFilled_ && numberFills_[static_cast<std::size_t>(c)].on)
            widenFilled(static_cast<std::size_t>(c), text);
    }
    rows_.push_back(Row{number, std::move(cells), nullptr});
}

void ResultGridModel::flush()
{
    const int total = static_cast<int>(rows_.size());
    if (total <= shownRows_)
        return;
    if (!filtering_) {
        beginInsertRows({}, shownRows_, total - 1);
        shownRows_ = total;
        endInsertRows();
        return;
    }
    // Rows arriving under a filter (a resumed fill) are shown when they match it. New rows may
    // have widened a filled-out column, which changes the shown texts of all rows.
    bool widened = false;
    for (std::size_t c = 0; c < needles_.size(); ++c)
        widened |= !needles_[c].isEmpty() && anyFilled_ && numberFills_[c].on;
    const int from = shownRows_;
    shownRows_ = total;
    if (widened) {
        refilter(false);
        return;
    }
    for (std::size_t c = 0; c < needles_.size(); ++c)
        if (!needles_[c].isEmpty())
            foldColumn(c);
    std::vector<int> kept;
    for (int pos = from; pos < total; ++pos)
        if (keeps(static_cast<std::size_t>(pos)))
            kept.push_back(pos);
    if (!kept.empty()) {
        const int shown = static_cast<int>(visible_.size());
        beginInsertRows({}, shown, shown + static_cast<int>(kept.size()) - 1);
        visible_.insert(visible_.end(), kept.begin(), kept.end());
        endInsertRows();
    }
    emit filterChanged();
}

QString ResultGridModel::cellText(int row, int column) const
{
    if (row < 0 ||
        row >= (filtering_ ? static_cast<int>(visible_.size()) : static_cast<int>(rows_.size())))
        return {};
    return storedCellText(position(row), column);
}

QString ResultGridModel::storedCellText(std::size_t pos, int column) const
{
    if (pos >= rows_.size())
        return {};
    const Row& r = rows_[pos];
    if (column == 0)
        return numberText(r.number);
    if (column >= 1 && column <= r.cells.size()) {
        const QString& text = r.cells.at(column - 1);
        if (anyFilled_) {
            const Filling& f = numberFills_[static_cast<std::size_t>(column - 1)];
            if (f.on && !text.isNull()) // a NULL stays one
                return FillNumber(text, f.width);
        }
        return text;
    }
    return {};
}

QString ResultGridModel::headerText(int column) const
{
    if (column == 0)
        return numberHeader_;
    if (column >= 1 && column <= names_.size())
        return names_.at(column - 1);
    if (column == names_.size() + 1)
        return QStringLiteral("<");
    return {};
}

void ResultGridModel::setNumberColumn(const QString& header, int width)
{
    numberHeader_ = header;
    numberWidth_ = std::max(1, width);
    if (columnCount() > 0) {
        emit headerDataChanged(Qt::Horizontal, 0, 0);
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
    }
}

QString ResultGridModel::numberText(std::int32_t number) const
{
    // Rows the user added and has not applied have no fetch number yet.
    if (number < 0)
        return (QStringLiteral("     +") + QString::number(-number)).right(6);
    if (numberWidth_ == 6)
        return RowNumberText(number);
    return (QString(numberWidth_, QLatin1Char(' ')) + QString::number(number)).right(numberWidth_);
}

void ResultGridModel::applyOrder(const std::vector<int>& order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> beforePositions;
    beforePositions.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before)
        beforePositions.push_back(position(i.row()));

    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newPosition(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(rows_[static_cast<std::size_t>(order[i])]));
        newPosition[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    rows_.swap(sorted);
    for (std::vector<QString>& column : folded_) {
        // A column folded only in part is folded again when a filter needs it.
        if (column.size() != rows_.size()) {
            std::vector<QString>().swap(column);
            continue;
        }
        std::vector<QString> moved;
        moved.reserve(column.size());
        for (int from : order)
            moved.push_back(std::move(column[static_cast<std::size_t>(from)]));
        column.swap(moved);
    }
    // The rows shown stay the same rows, now in the new order.
    std::vector<int> viewRow;
    if (filtering_) {
        std::vector<char> kept(rows_.size(), 0);
        for (int pos : visible_)
            kept[static_cast<std::size_t>(newPosition[static_cast<std::size_t>(pos)])] = 1;
        visible_.clear();
        viewRow.assign(rows_.size(), -1);
        for (std::size_t pos = 0; pos < kept.size(); ++pos) {
            if (kept[pos]) {
                viewRow[pos] = static_cast<int>(visible_.size());
                visible_.push_back(static_cast<int>(pos));
            }
        }
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k) {
        const auto moved =
            static_cast<std::size_t>(newPosition[beforePositions[static_cast<std::size_t>(k)]]);
        after.append(
            index(filtering_ ? viewRow[moved] : static_cast<int>(moved), before.at(k).column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultGridModel::sortByColumn(int column, Qt::SortOrder order)
{
    if (column < 0 || column > names_.size())
        return;
    flush();
    const std::size_t n = rows_.size();
    std::vector<int> positions(n);
    std::iota(positions.begin(), positions.end(), 0);
    const int sign = order == Qt::AscendingOrder ? 1 : -1;
    const auto number = [this](int r) { return rows_[static_cast<std::size_t>(r)].number; };
    // Keys are made once per row, not once per comparison; equal keys fall back to the row
    // number, so the order is the same whatever order the rows were in before.
    if (column == 0) {
        std::stable_sort(positions.begin(), positions.end(),
                         [&](int a, int b) { return sign * (number(a) - number(b)) < 0; });
    } else {
        const qsizetype c = column - 1;
        const bool numbers = kinds_[static_cast<std::size_t>(c)] == ColumnKind::Number;
        std::vector<NumberSortKey> values;
        std::vector<QString> folded(n);
        if (numbers)
            values.reserve(n);
        for (std::size_t r = 0; r < n; ++r) {
            const QString& text = rows_[r].cells.at(c);
            if (numbers) {
                values.emplace_back(text);
                if (values.back().kind() != NumberSortKey::Kind::Text)
                    continue;
            }
            folded[r] = foldForSearch(text);
        }
        std::stable_sort(positions.begin(), positions.end(), [&](int a, int b) {
            const auto ia = static_cast<std::size_t>(a);
            const auto ib = static_cast<std::size_t>(b);
            int k = numbers ? NumberSortKey::compare(values[ia], values[ib]) : 0;
            if (k == 0)
                k = folded[ia].compare(folded[ib]);
            if (k != 0)
                return sign * k < 0;
            return number(a) < number(b);
        });
    }
    applyOrder(positions);
    setSortState(column, order);
}

std::vector<std::size_t> ResultGridModel::fetchOrder() const
{
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (sortColumn_ >= 0)
        std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
            return rows_[a].number < rows_[b].number;
        });
    return order;
}

void ResultGridModel::restoreFetchOrder()
{
    if (sortColumn_ < 0)
        return;
    sortByColumn(0, Qt::AscendingOrder);
    setSortState(-1, Qt::AscendingOrder);
}

void ResultGridModel::setSortState(int column, Qt::SortOrder order)
{
    sortColumn_ = column;
    sortOrder_ = order;
    const int columns = columnCount();
    if (columns > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
}

void ResultGridModel::fillNumbers(int column)
{
    const qsizetype c = column - 1;
    if (c < 0 || c >= names_.size() || kinds_[static_cast<std::size_t>(c)] != ColumnKind::Number)
        return;
    Filling& f = numberFills_[static_cast<std::size_t>(c)];
    if (f.on)
        return;
    f.on = true;
    anyFilled_ = true;
    for (const Row& row : rows_)
        widenFilled(static_cast<std::size_t>(c), row.cells.at(c));
    if (rowCount() > 0)
        emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::DisplayRole});
    // The column's filter now reads the filled-out texts.
    if (!needles_[static_cast<std::size_t>(c)].isEmpty())
        refilter(false);
}

void ResultGridModel::setFilter(int column, const QString& text)
{
    const qsizetype c = column - 1;
    if (c < 0 || c >= names_.size())
        return;
    const auto i = static_cast<std::size_t>(c);
    filterTexts_[c] = text;
    const QString needle = foldForSearch(text);
    if (needle == needles_[i])
        return;
    // A longer text holding the one before can only keep fewer rows: only the rows shown
    // need looking at, which is what typing one more character does.
    const bool narrowing = needle.contains(needles_[i]);
    needles_[i] = needle;
    refilter(narrowing);
}

void ResultGridModel::clearFilters()
{
    for (QString& text : filterTexts_)
        text.clear();
    for (QString& needle : needles_)
        needle.clear();
    refilter(false);
}

QString ResultGridModel::filterText(int column) const
{
    return column >= 1 && column <= filterTexts_.size() ? filterTexts_.at(column - 1) : QString();
}

void ResultGridModel::foldColumn(std::size_t c)
{
    std::vector<QString>& folded = folded_[c];
    folded.reserve(rows_.size());
    for (std::size_t pos = folded.size(); pos < rows_.size(); ++pos) {
        const QString& text = rows_[pos].cells.at(static_cast<qsizetype>(c));
        QString f = foldForSearch(text);
        // Most texts fold to themselves: share the cell's text instead of holding a copy.
        folded.push_back(f == text ? text : std::move(f));
    }
}

bool ResultGridModel::keeps(std::size_t pos) const
{
    const Row& row = rows_[pos];
    // A row the user added stays in sight whatever the filter says.
    if (row.edit && row.edit->mark == RowMark::Added)
        return true;
    for (std::size_t c = 0; c < needles_.size(); ++c) {
        const QString& needle = needles_[c];
        if (needle.isEmpty())
            continue;
        const QString& text = row.cells.at(static_cast<qsizetype>(c));
        // A filled-out number is ASCII, folded as it stands.
        if (anyFilled_ && numberFills_[c].on && IsPlainDecimal(text)) {
            if (!FillNumber(text, numberFills_[c].width).contains(needle))
                return false;
        } else if (!folded_[c][pos].contains(needle)) {
            return false;
        }
    }
    return true;
}

void ResultGridModel::refilter(bool narrowing)
{
    bool wanted = false;
    for (std::size_t c = 0; c < needles_.size(); ++c) {
        if (needles_[c].isEmpty())
            continue;
        wanted = true;
        foldColumn(c);
    }
    std::vector<int> kept;
    if (wanted) {
        if (narrowing && filtering_) {
            for (int pos : visible_)
                if (keeps(static_cast<std::size_t>(pos)))
                    kept.push_back(pos);
        } else {
            for (int pos = 0; pos < shownRows_; ++pos)
                if (keeps(static_cast<std::size_t>(pos)))
                    kept.push_back(pos);
        }
    }
    // The rows shown are a rising run of positions: the same count with one side whole, or
    // the same lists, means the same rows, and the views need not hear of it.
    const auto whole = static_cast<std::size_t>(shownRows_);
    const std::size_t now = filtering_ ? visible_.size() : whole;
    const std::size_t next = wanted ? kept.size() : whole;
    if (now == next && (now == whole || kept == visible_)) {
        filtering_ = wanted;
        visible_ = std::move(kept);
        emit filterChanged();
        return;
    }
    // One removal and one insertion: cheaper for the view than the ranges between, and a
    // reset would also reset the header's column widths.
    if (now > 0) {
        beginRemoveRows({}, 0, static_cast<int>(now) - 1);
        filtering_ = true;
        visible_.clear();
        endRemoveRows();
    }
    if (next > 0)
        beginInsertRows({}, 0, static_cast<int>(next) - 1);
    filtering_ = wanted;
    visible_ = std::move(kept);
    if (next > 0)
        endInsertRows();
    emit filterChanged();
}

void ResultGridModel::widenFilled(std::size_t c, const QString& text)
{
    if (!IsPlainDecimal(text))
        return;
    Filling& f = numberFills_[c];
    WidenNumberWidth(f.width, text);
    f.point |= text.contains(QLatin1Char('.'));
}

bool ResultGridModel::numbersFilled(int column) const
{
    const qsizetype c = column - 1;
    return c >= 0 && c < names_.size() && numberFills_[static_cast<std::size_t>(c)].on;
}

qsizetype ResultGridModel::filledLength(int column) const
{
    if (!numbersFilled(column))
        return 0;
    const Filling& f = numberFills_[static_cast<std::size_t>(column - 1)];
    if (f.width.before == 0 && f.width.after == 0 && !f.point)
        return 0; // no number among the cells
    return f.width.before + 1 + (f.width.after > 0 || f.point ? f.width.after + 1 : 0);
}

int ResultGridModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return filtering_ ? static_cast<int>(visible_.size()) : shownRows_;
}

int ResultGridModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    // An empty grid has no columns at all; a result has its own plus the two framing ones.
    return laidOut_ ? static_cast<int>(names_.size()) + 2 : 0;
}

QVariant ResultGridModel::alignment(int column) const
{
    if (column >= 1 && static_cast<std::size_t>(column) <= kinds_.size() &&
        kinds_[static_cast<std::size_t>(column - 1)] == ColumnKind::Number)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return alignment(index.column());
    if (editable_.empty())
        return {};
    return editData(rows_[position(index.row())], index.column(), role);
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return headerText(section);
    if (role == Qt::TextAlignmentRole)
        return alignment(section);
    if (role == SortImageRole && section == sortColumn_ &&
        !(section == 0 && sortOrder_ == Qt::AscendingOrder))
        return sortOrder_ == Qt::AscendingOrder ? QStringLiteral("SortASC")
                                                : QStringLiteral("SortDESC");
    return {};
}
