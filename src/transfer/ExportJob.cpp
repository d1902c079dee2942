#include "transfer/ExportJob.h"

#include "base/Utf8Text.h"
#include "odbc/comm/ResultSetInfo.h"
#include "transfer/ExportFile.h"
#include "transfer/ExportText.h"
#include "transfer/SelectOutStream.h"
#include "transfer/SpreadsheetFile.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStringConverter>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Cells copied per block: a block is one job on the connection's thread, and the progress
// moves between blocks.
constexpr int kBlockCells = 32 * 1024;
constexpr int kBlockRows = 1000;

// One row's texts as UTF-8 views into one buffer: one conversion per cell, no allocation per
// cell.
class Utf8Row {
public:
    const std::vector<std::string_view>& set(const QString* cells, int count)
    {
        std::size_t room = 0;
        for (int c = 0; c < count; ++c)
            room += static_cast<std::size_t>(encoder_.requiredSpace(cells[c].size()));
        bytes_.resize(room);
        ends_.resize(static_cast<std::size_t>(count));
        char* const begin = bytes_.data();
        char* at = begin;
        for (int c = 0; c < count; ++c) {
            at = encoder_.appendToBuffer(at, cells[c]);
            ends_[static_cast<std::size_t>(c)] = static_cast<std::size_t>(at - begin);
        }
        views_.resize(static_cast<std::size_t>(count));
        std::size_t from = 0;
        for (std::size_t c = 0; c < views_.size(); ++c) {
            // A NULL stays a view without data, apart from an empty text.
            views_[c] = cells[c].isNull() ? std::string_view()
                                          : std::string_view(begin + from, ends_[c] - from);
            from = ends_[c];
        }
        return views_;
    }

private:
    QStringEncoder encoder_{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
    std::string bytes_;
    std::vector<std::size_t> ends_;
    std::vector<std::string_view> views_;
};

ColumnKinds columnKinds(const ResultGridSource& grid, int columns)
{
    ColumnKinds kinds;
    kinds.reserve(static_cast<std::size_t>(std::max(columns, 0)));
    for (int c = 0; c < columns; ++c)
        kinds.push_back(grid.kind(c));
    return kinds;
}

QStringList headerNames(const ResultGridSource& grid, int columns)
{
    QStringList names;
    for (int c = 0; c < columns; ++c)
        names.append(grid.headerText(c));
    return names;
}

// Rows into a workbook: a new worksheet after every `limit` data rows, each one beginning with
// the header when it is wanted, so that a result longer than a sheet is written whole.
class SheetRows {
public:
    SheetRows(SpreadsheetFile& book, const ColumnKinds& kinds, const QStringList* header,
              std::int64_t limit)
        : book_(book), kinds_(kinds), header_(header), limit_(std::max<std::int64_t>(1, limit))
    {
        writeHeader();
    }

    bool add(const QString* cells)
    {
        if (onSheet_ == limit_) {
            if (!book_.addSheet()) {
                failed_ = true;
                return false;
            }
            row_ = 0;
            onSheet_ = 0;
            writeHeader();
        }
        for (std::size_t c = 0; c < kinds_.size(); ++c)
            book_.writeCell(row_, static_cast<int>(c), cells[c], kinds_[c] == ColumnKind::Number);
        ++row_;
        ++onSheet_;
        ++rows_;
        return true;
    }

    bool add(const std::vector<std::string_view>& values)
    {
        texts_.resize(kinds_.size());
        for (std::size_t c = 0; c < texts_.size(); ++c) {
            const std::string_view v = c < values.size() ? values[c] : std::string_view();
            texts_[c] = v.data() == nullptr
                            ? QString()
                            : QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
        }
        return add(texts_.data());
    }

    std::int64_t rows() const { return rows_; }
    bool failed() const { return failed_; }

private:
    void writeHeader()
    {
        if (header_ == nullptr)
            return;
        for (qsizetype c = 0; c < header_->size(); ++c)
            book_.writeText(row_, static_cast<int>(c), header_->at(c));
        ++row_;
    }

    SpreadsheetFile& book_;
    const ColumnKinds& kinds_;
    const QStringList* header_;
    const std::int64_t limit_;
    int row_ = 0;
    std::int64_t onSheet_ = 0;
    std::int64_t rows_ = 0;
    bool failed_ = false;
    std::vector<QString> texts_;
};

} // namespace

ExportJob::ExportJob(ConnectionWork& work, ExportSettings settings)
    : work_(work), settings_(std::move(settings)), scope_(work, ConnectionWork::Kind::Transfer),
      registration_(work, [this] { stop(); })
{
}

ExportLineBuilder::Target ExportJob::fileTarget() const
{
    return settings_.encoding == FileEncoding::Utf8 ? ExportLineBuilder::Target::Utf8File
                                                    : ExportLineBuilder::Target::Cp932File;
}

bool ExportJob::openFile(ExportFile& file, const QString& path, ExportLineBuilder& builder,
                         const QStringList& names, int& leadLines)
{
    leadLines = 0;
    bool opened = false;
    work_.run(ConnectionWork::Kind::Transfer, [&] {
        opened = file.open(path);
        if (!opened)
            return;
        // The mark tells other programs (and the load) that the file is UTF-8.
        if (settings_.encoding == FileEncoding::Utf8 && file.write("\xEF\xBB\xBF"))
            ++leadLines;
        if (settings_.header) {
            std::string line;
            builder.appendHeader(names, line);
            if (file.write(line))
                ++leadLines;
        }
    });
    return opened;
}

void ExportJob::report(std::int64_t rows)
{
    if (progress)
        progress(rows);
}

int ExportJob::copyBlock(const ResultGridSource& grid, int from)
{
    const int columns = std::max(1, grid.columnCount());
    const int rows =
        std::min({grid.rowCount() - from, kBlockRows, std::max(1, kBlockCells / columns)});
    cells_.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    std::size_t at = 0;
    for (int r = from; r < from + rows; ++r) {
        for (int c = 0; c < columns; ++c)
            cells_[at++] = grid.cellText(r, c);
    }
    return rows;
}

int ExportJob::eachGridRow(const ResultGridSource& grid,
                           const std::function<bool(const QString* cells)>& perRow)
{
    const std::size_t stride = static_cast<std::size_t>(std::max(1, grid.columnCount()));
    const int rows = grid.rowCount();
    int handed = 0;
    bool going = true;
    while (going && handed < rows && !stopRequested()) {
        const int block = copyBlock(grid, handed);
        work_.run(ConnectionWork::Kind::Transfer, [&] {
            for (int r = 0; r < block && !stopRequested(); ++r) {
                if (!perRow(&cells_[static_cast<std::size_t>(r) * stride])) {
                    going = false;
                    return;
                }
                ++handed;
            }
        });
        report(handed);
    }
    return handed;
}

ExportOutcome ExportJob::gridToTextFile(const ResultGridSource& grid, const QString& path)
{
    ExportOutcome out;
    out.path = path;
    const int columns = grid.columnCount();
    const int rows = grid.rowCount();
    const ColumnKinds kinds = columnKinds(grid, columns);
    const QStringList names = headerNames(grid, columns);
    ExportFile file;
    ExportLineBuilder builder(settings_.delimiter, settings_.quote, fileTarget(),
                              settings_.markNull);
    int leadLines = 0;
    if (!openFile(file, path, builder, names, leadLines)) {
        out.end = ExportOutcome::End::NotOpened;
        out.errorText = file.errorText();
        return out;
    }
    Utf8Row row;
    std::string line;
    const int handed = eachGridRow(grid, [&](const QString* cells) {
        line.clear();
        builder.appendRow(row.set(cells, columns), kinds, line);
        return file.write(line);
    });
    bool closed = false;
    work_.run(ConnectionWork::Kind::Transfer, [&] { closed = file.close(); });
    out.rows = std::max<std::int64_t>(0, file.linesWritten() - leadLines);
    out.replaced = builder.replacedValues();
    if (!closed) {
        out.end = ExportOutcome::End::WriteFailed;
        out.errorText = file.errorText();
        out.path = keepAsPartial(path);
    } else if (handed < rows) {
        out.end = ExportOutcome::End::Stopped;
        out.path = keepAsPartial(path);
    }
    report(out.rows);
    return out;
}

ExportOutcome ExportJob::gridToClipboard(const ResultGridSource& grid)
{
    ExportOutcome out;
    QGuiApplication::clipboard()->clear();
    const int columns = grid.columnCount();
    const int rows = grid.rowCount();
    const ColumnKinds kinds = columnKinds(grid, columns);
    ExportLineBuilder builder(settings_.delimiter, settings_.quote,
                              ExportLineBuilder::Target::Utf8Text, settings_.markNull);
    std::string text;
    if (settings_.header)
        builder.appendHeader(headerNames(grid, columns), text);
    Utf8Row row;
    const int handed = eachGridRow(grid, [&](const QString* cells) {
        builder.appendRow(row.set(cells, columns), kinds, text);
        return true;
    });
    QGuiApplication::clipboard()->setText(textFromUtf8(text));
    out.rows = handed;
    if (handed < rows)
        out.end = ExportOutcome::End::Stopped;
    return out;
}

ExportOutcome ExportJob::gridToSpreadsheet(const ResultGridSource& grid, const QString& path)
{
    return toSpreadsheet(grid, {}, nullptr, path);
}

ExportOutcome ExportJob::gridAndRestToSpreadsheet(const ResultGridSource& grid,
                                                  const std::vector<QVector<QString>>& held,
                                                  ODBCComm& db, const QString& path)
{
    return toSpreadsheet(grid, held, &db, path);
}

std::optional<ExportOutcome::End> ExportJob::endBeforeTheLastRow(bool allHanded,
                                                                 const SelectOutOutcome* stream,
                                                                 ExportOutcome& out) const
{
    // A stop cancels the driver's call as well, which may end the fetch with an error.
    const bool failedFetch = stream != nullptr && stream->fetchStatus != 0;
    if (!allHanded || (stream != nullptr && stream->cancelled) || (failedFetch && stopRequested()))
        return ExportOutcome::End::Stopped;
    if (!failedFetch)
        return std::nullopt;
    out.fetchStatus = stream->fetchStatus;
    out.fetchError = stream->fetchError;
    return ExportOutcome::End::FetchFailed;
}

ExportOutcome ExportJob::closeSpreadsheet(SpreadsheetFile& book, const QString& path,
                                          std::int64_t rows, bool allHanded, bool writeFailed,
                                          const SelectOutOutcome* stream)
{
    ExportOutcome out;
    out.path = path;
    out.rows = rows;
    const std::optional<ExportOutcome::End> early = endBeforeTheLastRow(allHanded, stream, out);
    bool saved = false;
    work_.run(ConnectionWork::Kind::Transfer, [&] { saved = book.save(); });
    if (!saved || writeFailed) {
        out.end = ExportOutcome::End::WriteFailed;
        out.errorText = book.errorText();
        // A workbook the library wrote despite a failed cell is not the whole result.
        out.path = keepAsPartial(path);
    } else if (early) {
        out.end = *early;
        out.path = keepAsPartial(path);
    }
    report(out.rows);
    return out;
}

ExportOutcome ExportJob::toSpreadsheet(const ResultGridSource& grid,
                                       const std::vector<QVector<QString>>& held, ODBCComm* db,
                                       const QString& path)
{
    const int columns = grid.columnCount();
    const ColumnKinds kinds = columnKinds(grid, columns);
    const QStringList names = headerNames(grid, columns);
    std::optional<SpreadsheetFile> book;
    std::optional<SheetRows> sheet;
    work_.run(ConnectionWork::Kind::Transfer, [&] {
        if (book.emplace(path).created())
            sheet.emplace(*book, kinds, settings_.header ? &names : nullptr, settings_.sheetRows);
    });
    if (!sheet) {
        ExportOutcome out;
        out.path = path;
        out.end = ExportOutcome::End::NotOpened;
        return out;
    }
    std::int64_t written = 0;
    const bool allHanded = gridAndHeld(
        grid, held, [&](const QString* cells) { return sheet->add(cells); }, written);
    if (!allHanded || db == nullptr)
        return closeSpreadsheet(*book, path, sheet->rows(), allHanded, sheet->failed(), nullptr);
    const SelectOutOutcome stream = streamResultRows(
        *db, kinds, stop_, [this, written](std::int64_t rows) { report(written + rows); }, true,
        [&](const std::vector<std::string_view>& values) { return sheet->add(values); });
    return closeSpreadsheet(*book, path, sheet->rows(), true, sheet->failed(), &stream);
}

ExportOutcome ExportJob::closeTextFile(ExportFile& file, const ExportLineBuilder& builder,
                                       int leadLines, const QString& path, bool allHanded,
                                       const SelectOutOutcome* stream)
{
    ExportOutcome out;
    out.path = path;
    const std::optional<ExportOutcome::End> early = endBeforeTheLastRow(allHanded, stream, out);
    bool closed = false;
    work_.run(ConnectionWork::Kind::Transfer, [&] { closed = file.close(); });
    out.rows = std::max<std::int64_t>(0, file.linesWritten() - leadLines);
    out.replaced = builder.replacedValues();
    if (!closed) {
        out.end = ExportOutcome::End::WriteFailed;
        out.errorText = file.errorText();
        out.path = keepAsPartial(path);
    } else if (early) {
        out.end = *early;
        out.path = keepAsPartial(path);
    }
    report(out.rows);
    return out;
}

ExportOutcome ExportJob::resultToTextFile(ODBCComm& db, const ResultSetInfo& info,
                                          const QString& path)
{
    ExportFile file;
    ExportLineBuilder builder(settings_.delimiter, settings_.quote, fileTarget(),
                              settings_.markNull);
    int leadLines = 0;
    if (!openFile(file, path, builder, info.names, leadLines)) {
        ExportOutcome out;
        out.path = path;
        out.end = ExportOutcome::End::NotOpened;
        out.errorText = file.errorText();
        return out;
    }
    const SelectOutOutcome stream = streamResultToFile(db, info.kinds, builder, file, stop_,
                                                       [this](std::int64_t rows) { report(rows); });
    return closeTextFile(file, builder, leadLines, path, true, &stream);
}

bool ExportJob::gridAndHeld(const ResultGridSource& grid, const std::vector<QVector<QString>>& held,
                            const std::function<bool(const QString* cells)>& writeRow,
                            std::int64_t& written)
{
    const int columns = grid.columnCount();
    written = eachGridRow(grid, writeRow);
    bool allHanded = written == grid.rowCount();
    if (allHanded && !held.empty()) {
        work_.run(ConnectionWork::Kind::Transfer, [&] {
            for (const QVector<QString>& values : held) {
                if (stopRequested() || values.size() < columns || !writeRow(values.constData())) {
                    allHanded = false;
                    return;
                }
                ++written;
            }
        });
        report(written);
    }
    return allHanded;
}

ExportOutcome ExportJob::gridAndRestToTextFile(const ResultGridSource& grid,
                                               const std::vector<QVector<QString>>& held,
                                               ODBCComm& db, const QString& path)
{
    const int columns = grid.columnCount();
    const ColumnKinds kinds = columnKinds(grid, columns);
    ExportFile file;
    ExportLineBuilder builder(settings_.delimiter, settings_.quote, fileTarget(),
                              settings_.markNull);
    int leadLines = 0;
    if (!openFile(file, path, builder, headerNames(grid, columns), leadLines)) {
        ExportOutcome out;
        out.path = path;
        out.end = ExportOutcome::End::NotOpened;
        out.errorText = file.errorText();
        return out;
    }
    Utf8Row row;
    std::string line;
    const auto writeRow = [&](const QString* cells) {
        line.clear();
        builder.appendRow(row.set(cells, columns), kinds, line);
        return file.write(line);
    };
    std::int64_t written = 0;
    if (!gridAndHeld(grid, held, writeRow, written))
        return closeTextFile(file, builder, leadLines, path, false, nullptr);
    const SelectOutOutcome stream = streamResultToFile(
        db, kinds, builder, file, stop_,
        [this, written](std::int64_t rows) { report(written + rows); }, true);
    return closeTextFile(file, builder, leadLines, path, true, &stream);
}
