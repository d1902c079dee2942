#pragma once

#include "odbc/comm/ConnectionWork.h"
#include "transfer/RowTransfer.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

struct StreamOutcome;

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

// One export, without any window: run() hands a RowSource's rows to a RowSink. The rows are
// written as jobs on the connection's thread (the grid's texts are copied block by block on the
// calling thread, since the grid is the window thread's); progress is called between blocks with
// the rows done, and once more at the end. The export is work on the connection for the object's
// lifetime, and the connection's cancelAll stops it before its next row, as stop() does. It shows
// no box.
class ExportJob : private RowFeed {
public:
    explicit ExportJob(ConnectionWork& work);
    ExportJob(const ExportJob&) = delete;
    ExportJob& operator=(const ExportJob&) = delete;

    std::function<void(std::int64_t rows)> progress;

    // Safe from any thread; the export ends before its next row.
    void stop() { stop_.store(true, std::memory_order_relaxed); }
    using RowFeed::stopRequested;

    // Opens the sink, hands it every row of source, and closes it; a file that did not receive
    // every row is kept as <name>.partial.
    ExportOutcome run(RowSource& source, RowSink& sink);

private:
    void onConnection(const std::function<void()>& job) override;
    const std::atomic<bool>& stopFlag() const override { return stop_; }
    void rowsHanded(std::int64_t rows) override;
    // How an export ended before its last row (stopped, or its fetch failed, whose status and
    // text go into out), or nothing when every row was handed.
    std::optional<ExportOutcome::End>
    endBeforeTheLastRow(bool allHanded, const StreamOutcome* stream, ExportOutcome& out) const;

    ConnectionWork& work_;
    std::atomic<bool> stop_{false};
    const ConnectionWork::Scope scope_;
    const ConnectionWork::Stop registration_;
};
