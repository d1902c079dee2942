#pragma once

#include "odbc/comm/ResultSetInfo.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

struct StreamOutcome;

// Every export is one source of rows handed to one sink: the grid's rows, the rest of an open
// result or a whole statement's result, into a delimited file, the clipboard or a workbook.
// ExportJob::run drives the pair; a new output is one new RowSink.

// Where the rows go. open, add and close run on the connection's thread (a slow disk never
// stops the window from painting), handOver on the window thread.
class RowSink {
public:
    virtual ~RowSink() = default;

    // Creates the output and writes what comes before the rows (the header, from names).
    // False when nothing could be created.
    virtual bool open(const QStringList& names, const ColumnKinds& kinds) = 0;
    // One row: the grid's texts in column order (a NULL is a null QString), or a result's
    // UTF-8 values (a NULL is a view without data). False when it could not be written, which
    // ends the export.
    virtual bool add(const QString* cells) = 0;
    virtual bool add(const std::vector<std::string_view>& values) = 0;
    // After the last row or a stop; false when anything failed since open.
    virtual bool close() = 0;
    // After close, on the window thread: hands the rows over where only that thread may.
    virtual void handOver() {}

    // Rows (not the header) that reached the output.
    virtual std::int64_t rows() const = 0;
    // The file that receives the rows; empty when the output is no file.
    virtual QString path() const { return {}; }
    // The system's or the library's text of a failure.
    virtual QString errorText() const { return {}; }
    // Values written with "?" for characters code page 932 cannot hold.
    virtual std::uint64_t replacedValues() const { return 0; }
};

// What a source needs from the export that runs it.
class RowFeed {
public:
    // Runs job on the connection's thread and returns when it has ended.
    virtual void onConnection(const std::function<void()>& job) = 0;
    // Read before each row: set, the source hands no more.
    virtual const std::atomic<bool>& stopFlag() const = 0;
    bool stopRequested() const { return stopFlag().load(std::memory_order_relaxed); }
    // The rows handed so far, on the window thread, between blocks of rows.
    virtual void rowsHanded(std::int64_t rows) = 0;

protected:
    ~RowFeed() = default;
};

// Where the rows come from.
class RowSource {
public:
    virtual ~RowSource() = default;

    virtual QStringList names() const = 0;
    virtual ColumnKinds kinds() const = 0;
    // Hands its rows to sink, in order; false when not every row was taken (a stop, a row the
    // sink refused). A source that streams an open result says how the stream ended in
    // stream().
    virtual bool pass(RowFeed& feed, RowSink& sink) = 0;
    // The stream of the open result when one ran; null otherwise.
    virtual const StreamOutcome* stream() const { return nullptr; }
};
