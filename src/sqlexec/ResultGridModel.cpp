#include "sqlexec/ResultGridModel.h"

#include "sqlexec/SqlExecText.h"

#include <algorithm>
#include <numeric>

ResultGridModel::ResultGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultGridModel::clear()
{
    reset({}, {}, false);
}

void ResultGridModel::setColumns(const QStringList& names, const QString& kinds)
{
    reset(names, kinds, true);
}

void ResultGridModel::reset(const QStringList& names, const QString& kinds, bool laidOut)
{
    beginResetModel();
    laidOut_ = laidOut;
    names_ = names;
    kinds_ = kinds.left(names.size()).leftJustified(names.size(), QLatin1Char('S'));
    std::vector<Row>().swap(rows_);
    columnTexts_.assign(static_cast<std::size_t>(names_.size()), ColumnTexts{});
    shownRows_ = 0;
    numberHeader_ = QStringLiteral("行No.");
    numberWidth_ = 6;
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
    }
    rows_.push_back(Row{number, std::move(cells)});
}

void ResultGridModel::flush()
{
    const int total = static_cast<int>(rows_.size());
    if (total <= shownRows_)
        return;
    beginInsertRows({}, shownRows_, total - 1);
    shownRows_ = total;
    endInsertRows();
}

QString ResultGridModel::cellText(int row, int column) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return {};
    const Row& r = rows_[static_cast<std::size_t>(row)];
    if (column == 0)
        return numberText(r.number);
    if (column >= 1 && column <= r.cells.size())
        return r.cells.at(column - 1);
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
        if (shownRows_ > 0)
            emit dataChanged(index(0, 0), index(shownRows_ - 1, 0));
    }
}

QString ResultGridModel::numberText(std::int32_t number) const
{
    if (numberWidth_ == 6)
        return RowNumberText(number);
    return (QString(numberWidth_, QLatin1Char(' ')) + QString::number(number)).right(numberWidth_);
}

void ResultGridModel::sortRows(const std::function<bool(const Row&, const Row&)>& less)
{
    flush();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return less(rows_[a], rows_[b]); });
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newPosition(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(rows_[static_cast<std::size_t>(order[i])]));
        newPosition[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    rows_.swap(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.append(index(newPosition[static_cast<std::size_t>(i.row())], i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int ResultGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRows_;
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
    if (column >= 1 && column <= kinds_.size() && kinds_.at(column - 1) == QLatin1Char('N'))
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= shownRows_)
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return alignment(index.column());
    return {};
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return headerText(section);
    if (role == Qt::TextAlignmentRole)
        return alignment(section);
    return {};
}
