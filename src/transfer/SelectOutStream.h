#pragma once

#include "odbc/comm/ResultSetInfo.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class ODBCComm;
class ExportFile;
class ExportLineBuilder;

// How a stream of rows into a file ended.
struct SelectOutOutcome {
    std::int64_t rows = 0;
    // 0 when the result ended or the stream was cancelled; else the fetch failure's status,
    // with the driver's text.
    std::int16_t fetchStatus = 0;
    QString fetchError;
    bool cancelled = false;
    bool writeFailed = false;
};

// Execute-and-save without its window: every row of the open result, values whole, straight
// into the file, one line per row, with no row limit. The rows are fetched and written on the
// connection's thread while the window's events run; between slices (every few milliseconds,
// not per row) `between` runs on the window thread with the rows written so far. cancel is
// read before each row, so a Cancel stops the stream at the next row once its click has been
// handled.
// With asGrid, the result is one the grid has begun to read: its rows are fetched and their
// dates trimmed as the grid does, so that they read as the rows it shows.
SelectOutOutcome streamResultToFile(ODBCComm& db, const ColumnKinds& kinds,
                                    ExportLineBuilder& builder, ExportFile& file,
                                    const std::atomic<bool>& cancel,
                                    const std::function<void(std::int64_t rows)>& between,
                                    bool asGrid = false);

// The same stream with each row's values (UTF-8, a NULL a view without data) handed to perRow
// on the connection's thread instead of a file; perRow returns false when the row could not be
// written, which ends the stream as writeFailed.
SelectOutOutcome
streamResultRows(ODBCComm& db, const ColumnKinds& kinds, const std::atomic<bool>& cancel,
                 const std::function<void(std::int64_t rows)>& between, bool asGrid,
                 const std::function<bool(const std::vector<std::string_view>& values)>& perRow);

// The busy marker of execute-and-save, in twips: once per written row the counter goes up;
// past the free width of the picture it starts again from 0, and every tenth call puts the
// marker's left edge at the counter minus the marker's width, so it creeps to the right.
struct BusyMarkerMotion {
    int counter = 0;
    int left = 0;

    void advance(int pictureWidth, int counterWidth, int markerWidth)
    {
        ++counter;
        if (pictureWidth - counterWidth < left)
            counter = 0;
        if (counter % 10 == 0)
            left = counter - markerWidth;
    }
};
