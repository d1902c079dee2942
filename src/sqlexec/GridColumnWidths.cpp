#include "GridColumnWidths.h"

#include "ResultGridModel.h"
#include "SqlExecText.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>
#include <vector>

namespace {

// Advance widths of the characters met so far; kerning is ignored, which the cell margin
// easily absorbs.
class AdvanceCache {
public:
    explicit AdvanceCache(const QFontMetrics& metrics) : metrics_(metrics), bmp_(0x10000, -1) {}

    int width(const QString& text)
    {
        int total = 0;
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n; ++i) {
            const QChar c = text.at(i);
            if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
                total += metrics_.horizontalAdvance(text.mid(i, 2));
                ++i;
                continue;
            }
            int& w = bmp_[c.unicode()];
            if (w < 0)
                w = metrics_.horizontalAdvance(c);
            total += w;
        }
        return total;
    }

private:
    QFontMetrics metrics_;
    std::vector<int> bmp_;
};

} // namespace

void FitResultColumns(QTableView* view, const ResultGridModel& model)
{
    if (view == nullptr || view->model() != &model)
        return;
    QHeaderView* header = view->horizontalHeader();
    const int columns = model.columnCount();
    if (columns == 0)
        return;
    AdvanceCache advances(QFontMetrics(view->font()));
    const int margin =
        (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) * 2 +
        (view->showGrid() ? 1 : 0);

    std::vector<int> widths(static_cast<std::size_t>(columns), 0);
    const auto& rows = model.rows();
    const int shown = model.rowCount();
    std::int32_t widestNumber = 0;
    for (int r = 0; r < shown; ++r) {
        const auto& row = rows[static_cast<std::size_t>(r)];
        widestNumber = std::max(widestNumber, row.number);
        for (int c = 0; c < row.cells.size() && c + 1 < columns; ++c)
            widths[static_cast<std::size_t>(c) + 1] =
                std::max(widths[static_cast<std::size_t>(c) + 1], advances.width(row.cells.at(c)));
    }
    // Row numbers share one width: digits are as wide as each other in the grid's fonts.
    if (shown > 0)
        widths[0] = advances.width(RowNumberText(widestNumber));
    int others = 0;
    for (int c = 0; c < columns; ++c) {
        int w = widths[static_cast<std::size_t>(c)] > 0
                    ? widths[static_cast<std::size_t>(c)] + margin
                    : 0;
        w = std::max(w, header->sectionSizeHint(c));
        if (c == columns - 1)
            w = std::max(w, view->viewport()->width() - others);
        w = std::max(w, header->minimumSectionSize());
        header->resizeSection(c, w);
        others += w;
    }
}
