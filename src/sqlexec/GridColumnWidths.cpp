#include "sqlexec/GridColumnWidths.h"

#include "sqlexec/ResultGridModel.h"
#include "sqlexec/SqlExecText.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Advance widths of the characters met so far; kerning is ignored, which the cell margin
// easily absorbs. ASCII advances are measured up front: they are most of the texts, and the
// widest printable one bounds the width of a printable ASCII text from its length alone.
// (Control characters are left out of that bound: fonts draw them as wide boxes.)
class AdvanceCache {
public:
    explicit AdvanceCache(const QFontMetrics& metrics) : metrics_(metrics) {}

    int widestPrintable()
    {
        measureAscii();
        return widestPrintable_;
    }

    int width(const QString& text)
    {
        measureAscii();
        int total = 0;
        const qsizetype n = text.size();
        const QChar* chars = text.constData();
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = chars[i].unicode();
            if (c < 0x80) {
                total += ascii_[c];
                continue;
            }
            if (QChar::isHighSurrogate(c) && i + 1 < n && chars[i + 1].isLowSurrogate()) {
                total += metrics_.horizontalAdvance(text.mid(i, 2));
                ++i;
                continue;
            }
            if (bmp_.empty())
                bmp_.assign(0x10000, -1);
            int& w = bmp_[c];
            if (w < 0)
                w = metrics_.horizontalAdvance(QChar(c));
            total += w;
        }
        return total;
    }

private:
    void measureAscii()
    {
        if (asciiMeasured_)
            return;
        asciiMeasured_ = true;
        for (char16_t c = 0; c < 0x80; ++c) {
            ascii_[c] = metrics_.horizontalAdvance(QChar(c));
            if (c >= 0x20 && c < 0x7F)
                widestPrintable_ = std::max(widestPrintable_, ascii_[c]);
        }
    }

    QFontMetrics metrics_;
    std::vector<int> bmp_;
    int ascii_[0x80] = {};
    int widestPrintable_ = 0;
    bool asciiMeasured_ = false;
};

int cellMargin(const QTableView* view)
{
    return (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) * 2 +
           (view->showGrid() ? 1 : 0);
}

// Filled-out texts are digits, blanks, "-" and ".", none wider than a digit.
int filledWidth(const QFontMetrics& metrics, qsizetype length)
{
    return length > 0 ? metrics.horizontalAdvance(QString(length, QLatin1Char('0'))) : 0;
}

} // namespace

void FitFilledColumn(QTableView* view, const ResultGridModel& model, int column)
{
    if (view == nullptr || view->model() != &model || model.filledLength(column) == 0)
        return;
    const int wanted =
        filledWidth(QFontMetrics(view->font()), model.filledLength(column)) + cellMargin(view);
    QHeaderView* header = view->horizontalHeader();
    if (header->sectionSize(column) < wanted)
        header->resizeSection(column, wanted);
}

void FitResultColumns(QTableView* view, const ResultGridModel& model)
{
    if (view == nullptr || view->model() != &model)
        return;
    QHeaderView* header = view->horizontalHeader();
    const int columns = model.columnCount();
    if (columns == 0)
        return;
    const QFontMetrics metrics(view->font());
    AdvanceCache advances(metrics);
    const int margin = cellMargin(view);

    std::vector<int> widths(static_cast<std::size_t>(columns), 0);
    // Every row, also those a filter hides: the columns keep their widths as the filter changes.
    const auto& rows = model.rows();
    const int shown = model.totalRowCount();
    const int cellColumns = std::max(0, std::min(model.resultColumnCount(), columns - 1));
    const auto& texts = model.columnTexts();
    // A column of printable ASCII texts starts from one of its longest texts; then only texts
    // that could still be wider are measured, by their length: n characters are at most n
    // widest printable advances wide. In a fixed-pitch font that is none. The texts of other
    // columns (CJK characters are wider) are all measured.
    const int widestPrintable = shown > 0 ? std::max(advances.widestPrintable(), 1) : 1;
    std::vector<bool> measureAll(static_cast<std::size_t>(cellColumns), true);
    std::vector<qsizetype> longest(static_cast<std::size_t>(cellColumns), 0);
    std::vector<int> longestRow(static_cast<std::size_t>(cellColumns), -1);
    int seeking = 0;
    for (int c = 0; c < cellColumns; ++c) {
        const std::size_t i = static_cast<std::size_t>(c);
        if (i < texts.size() && texts[i].printableAscii) {
            measureAll[i] = false;
            if (texts[i].longest > 0)
                ++seeking;
        }
    }
    // The longest shown text of each such column; the model's longest (pending rows included)
    // ends the search early once met.
    for (int r = 0; r < shown && seeking > 0; ++r) {
        const auto& cells = rows[static_cast<std::size_t>(r)].cells;
        const int n = std::min(static_cast<int>(cells.size()), cellColumns);
        for (int c = 0; c < n; ++c) {
            const std::size_t i = static_cast<std::size_t>(c);
            if (measureAll[i] || longest[i] == texts[i].longest)
                continue;
            if (cells.at(c).size() > longest[i]) {
                longest[i] = cells.at(c).size();
                longestRow[i] = r;
                if (longest[i] == texts[i].longest)
                    --seeking;
            }
        }
    }
    bool anyToMeasure = false;
    for (int c = 0; c < cellColumns; ++c) {
        const std::size_t i = static_cast<std::size_t>(c);
        if (!measureAll[i] && longestRow[i] >= 0)
            widths[i + 1] =
                advances.width(rows[static_cast<std::size_t>(longestRow[i])].cells.at(c));
        if (measureAll[i] || longest[i] * widestPrintable > widths[i + 1])
            anyToMeasure = true;
    }
    std::int32_t widestNumber = 0;
    for (int r = 0; r < shown; ++r)
        widestNumber = std::max(widestNumber, rows[static_cast<std::size_t>(r)].number);
    for (int r = 0; r < shown && anyToMeasure; ++r) {
        const auto& cells = rows[static_cast<std::size_t>(r)].cells;
        const int n = std::min(static_cast<int>(cells.size()), cellColumns);
        for (int c = 0; c < n; ++c) {
            const QString& text = cells.at(c);
            int& widest = widths[static_cast<std::size_t>(c) + 1];
            if (!measureAll[static_cast<std::size_t>(c)] && text.size() * widestPrintable <= widest)
                continue;
            widest = std::max(widest, advances.width(text));
        }
    }
    for (int c = 1; c <= cellColumns; ++c)
        widths[static_cast<std::size_t>(c)] = std::max(widths[static_cast<std::size_t>(c)],
                                                       filledWidth(metrics, model.filledLength(c)));
    // Row numbers share one width: digits are as wide as each other in the grid's fonts.
    if (shown > 0)
        widths[0] = advances.width(model.numberText(widestNumber));
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
