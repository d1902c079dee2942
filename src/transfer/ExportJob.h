#pragma once

#include "odbc/comm/ConnectionWork.h"
#include "odbc/comm/ResultSetInfo.h"
#include "transfer/Delimiter.h"
#include "transfer/ExportText.h"
#include "transfer/SpreadsheetFile.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class ExportFile;
struct SelectOutOutcome;
class ODBCComm;

// The rows of the result grid as the export reads them, without the grid itself: result
// columns and rows from 0, texts as the grid shows them.
struct ResultGridSource {
    std::function<int()> columnCount;
    std::function<int()> rowCount;
    std::function<QString(int column)> headerText;
    // Number for right-aligned number columns.
    std::function<ColumnKind(int column)> kind;
    // A NULL is a null QString (QString()), an empty text an empty one.
    std::function<QString(int row, int column)> cellText;
};

// What a delimited export writes besides the rows.
struct ExportSettings {
    QString delimiter;
    QString quote; // empty for none
    bool header = false;
    // NULL written as nothing and an empty text as two quotes (see ExportLineBuilder).
    bool markNull = false;
    FileEncoding encoding = FileEncoding::Cp932;
    // Data rows per worksheet of a workbook; past them the rows go on in a new sheet.
    std::int64_t sheetRows = SpreadsheetFile::kSheetDataRows;
};

// How an export ended.
struct ExportOutcome {
    enum class End {
        Complete,
        // Stopped before every row was written: the rows so far are kept under path.
        Stopped,
        // Nothing was written: the file could not be opened, or the workbook created.
        NotOpened,
        // Writing failed part way (or the workbook could not be saved), with errorText.
        WriteFailed,
        // The result's fetch failed part way, with fetchError; the rows so far are kept.
        FetchFailed,
    };
    End end = End::Complete;
    // Rows (not the header) that reached the output.
    std::int64_t rows = 0;
    // The file that holds the rows: the chosen one, or <name>.partial when not all are there.
    QString path;
    // The system's or the workbook library's text for NotOpened and WriteFailed.
    QString errorText;
    // A fetch failure that was not a stop: its status and the driver's text (also with
    // WriteFailed, when writing failed after it).
    std::int16_t fetchStatus = 0;
    QString fetchError;
    // Values written with "?" for characters code page 932 cannot hold.
    std::uint64_t replaced = 0;
};

// One export, without any window: rows of the grid or of the open result into a text file
// (code page 932 or UTF-8), the clipboard or a workbook. The per-row work runs as jobs on the
// connection's thread (the grid's texts are copied block by block on the calling thread, since the
// grid is the window thread's); progress is called between blocks with the rows done, and once more
// at the end. The export is work on the connection for the object's lifetime, and the connection's
// cancelAll stops it before its next row, as stop() does. It shows no box.
class ExportJob {
public:
    ExportJob(ConnectionWork& work, ExportSettings settings);
    ExportJob(const ExportJob&) = delete;
    ExportJob& operator=(const ExportJob&) = delete;

    std::function<void(std::int64_t rows)> progress;

    // Safe from any thread; the export ends before its next row.
    void stop() { stop_.store(true, std::memory_order_relaxed); }
    bool stopRequested() const { return stop_.load(std::memory_order_relaxed); }

    ExportOutcome gridToTextFile(const ResultGridSource& grid, const QString& path);
    // The clipboard gets the text written so far also when stopped.
    ExportOutcome gridToClipboard(const ResultGridSource& grid);
    ExportOutcome gridToSpreadsheet(const ResultGridSource& grid, const QString& path);
    // Every row of the open result (described in info), values whole. The cursor is left to
    // the caller.
    ExportOutcome resultToTextFile(ODBCComm& db, const ResultSetInfo& info, const QString& path);
    // The grid's rows, then the rest of its open result: held (rows read but not shown, as
    // the grid's texts), then the cursor to its end, read as the grid reads it. The statement
    // is not executed again; the cursor is left to the caller.
    ExportOutcome gridAndRestToTextFile(const ResultGridSource& grid,
                                        const std::vector<QVector<QString>>& held, ODBCComm& db,
                                        const QString& path);
    // The same rows into a workbook.
    ExportOutcome gridAndRestToSpreadsheet(const ResultGridSource& grid,
                                           const std::vector<QVector<QString>>& held, ODBCComm& db,
                                           const QString& path);

private:
    // Copies the next rows' texts (at least one row) from the grid into cells_, row by row.
    int copyBlock(const ResultGridSource& grid, int from);
    // Hands the grid's rows, their texts in column order, to perRow on the connection's thread,
    // a copied block per job, with the progress between blocks; ends after the last row, at a
    // stop, or when perRow returns false. The rows handed.
    int eachGridRow(const ResultGridSource& grid,
                    const std::function<bool(const QString* cells)>& perRow);
    void report(std::int64_t rows);
    // The grid's rows, then the held ones, to writeRow; written counts them. False when not
    // every row was taken (a stop, a failed write).
    bool gridAndHeld(const ResultGridSource& grid, const std::vector<QVector<QString>>& held,
                     const std::function<bool(const QString* cells)>& writeRow,
                     std::int64_t& written);
    ExportLineBuilder::Target fileTarget() const;
    // How an export ended before its last row (stopped, or its fetch failed, whose status and
    // text go into out), or nothing when every row was handed.
    std::optional<ExportOutcome::End>
    endBeforeTheLastRow(bool allHanded, const SelectOutOutcome* stream, ExportOutcome& out) const;
    // The end of a text file's export after its rows: closed, counted, kept as <name>.partial
    // when not every row is there.
    ExportOutcome closeTextFile(ExportFile& file, const ExportLineBuilder& builder, int leadLines,
                                const QString& path, bool allHanded,
                                const SelectOutOutcome* stream);
    // The end of a workbook's export after its rows: saved, and kept as <name>.partial when
    // not every row is there or the save failed.
    ExportOutcome closeSpreadsheet(SpreadsheetFile& book, const QString& path, std::int64_t rows,
                                   bool allHanded, bool writeFailed,
                                   const SelectOutOutcome* stream);
    // The grid's rows, the held ones and, with db, the rest of the open result into a workbook.
    ExportOutcome toSpreadsheet(const ResultGridSource& grid,
                                const std::vector<QVector<QString>>& held, ODBCComm* db,
                                const QString& path);
    // Opens the file and writes what comes before the rows (the mark of a UTF-8 file, the
    // header); the lines written that are not rows.
    bool openFile(ExportFile& file, const QString& path, ExportLineBuilder& builder,
                  const QStringList& names, int& leadLines);

    ConnectionWork& work_;
    ExportSettings settings_;
    std::atomic<bool> stop_{false};
    const ConnectionWork::Scope scope_;
    const ConnectionWork::Stop registration_;
    std::vector<QString> cells_;
};
