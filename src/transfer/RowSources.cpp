#include "transfer/RowSources.h"

#include <algorithm>

namespace {

// Cells copied per block: a block is one job on the connection's thread, and the progress
// moves between blocks.
constexpr int kBlockCells = 32 * 1024;
constexpr int kBlockRows = 1000;

} // namespace

GridRows::GridRows(const ResultGridSource& grid) : grid_(grid) {}

GridRows::GridRows(const ResultGridSource& grid, const std::vector<QVector<QString>>& held,
                   ODBCComm& db)
    : grid_(grid), held_(&held), db_(&db)
{
}

QStringList GridRows::names() const
{
    QStringList names;
    for (int c = 0; c < grid_.columnCount(); ++c)
        names.append(grid_.headerText(c));
    return names;
}

ColumnKinds GridRows::kinds() const
{
    const int columns = grid_.columnCount();
    ColumnKinds kinds;
    kinds.reserve(static_cast<std::size_t>(std::max(columns, 0)));
    for (int c = 0; c < columns; ++c)
        kinds.push_back(grid_.kind(c));
    return kinds;
}

int GridRows::copyBlock(int from)
{
    const int columns = std::max(1, grid_.columnCount());
    const int rows =
        std::min({grid_.rowCount() - from, kBlockRows, std::max(1, kBlockCells / columns)});
    cells_.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    std::size_t at = 0;
    for (int r = from; r < from + rows; ++r) {
        for (int c = 0; c < columns; ++c)
            cells_[at++] = grid_.cellText(r, c);
    }
    return rows;
}

bool GridRows::pass(RowFeed& feed, RowSink& sink)
{
    stream_.reset();
    const int columns = grid_.columnCount();
    const std::size_t stride = static_cast<std::size_t>(std::max(1, columns));
    const int rows = grid_.rowCount();
    std::int64_t handed = 0;
    bool going = true;
    while (going && handed < rows && !feed.stopRequested()) {
        const int block = copyBlock(static_cast<int>(handed));
        feed.onConnection([&] {
            for (int r = 0; r < block && !feed.stopRequested(); ++r) {
                if (!sink.add(&cells_[static_cast<std::size_t>(r) * stride])) {
                    going = false;
                    return;
                }
                ++handed;
            }
        });
        feed.rowsHanded(handed);
    }
    if (handed < rows)
        return false;
    if (held_ == nullptr)
        return true;
    bool allHanded = true;
    if (!held_->empty()) {
        feed.onConnection([&] {
            for (const QVector<QString>& values : *held_) {
                if (feed.stopRequested() || values.size() < columns ||
                    !sink.add(values.constData())) {
                    allHanded = false;
                    return;
                }
                ++handed;
            }
        });
        feed.rowsHanded(handed);
    }
    if (!allHanded || db_ == nullptr)
        return allHanded;
    const ColumnKinds columnKinds = kinds();
    stream_ = streamResultRows(
        *db_, columnKinds, feed.stopFlag(),
        [&feed, handed](std::int64_t streamed) { feed.rowsHanded(handed + streamed); }, true,
        [&sink](const std::vector<std::string_view>& values) { return sink.add(values); });
    return true;
}

bool ResultRows::pass(RowFeed& feed, RowSink& sink)
{
    stream_ = streamResultRows(
        db_, info_.kinds, feed.stopFlag(), [&feed](std::int64_t rows) { feed.rowsHanded(rows); },
        false, [&sink](const std::vector<std::string_view>& values) { return sink.add(values); });
    return true;
}
