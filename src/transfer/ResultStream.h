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

// How a stream of the open result ended.
struct StreamOutcome {
    std::int64_t rows = 0;
    // 0 when the result ended or the stream was cancelled; else the fetch failure's status,
    // with the driver's text.
    std::int16_t fetchStatus = 0;
    QString fetchError;
    bool cancelled = false;
    bool writeFailed = false;
};

// Every row of the open result, values whole, handed to perRow on the connection's thread as
// UTF-8 (a NULL a view without data), with no row limit. The rows are fetched while the
// window's events run; between slices (every few milliseconds, not per row) `between` runs on
// the window thread with the rows handed so far. cancel is read before each row, so a Cancel
// stops the stream at the next row once its click has been handled. perRow returns false when
// the row could not be written, which ends the stream as writeFailed.
// With asGrid, the result is one the grid has begun to read: its rows are fetched and their
// dates trimmed as the grid does, so that they read as the rows it shows.
StreamOutcome
streamResultRows(ODBCComm& db, const ColumnKinds& kinds, const std::atomic<bool>& cancel,
                 const std::function<void(std::int64_t rows)>& between, bool asGrid,
                 const std::function<bool(const std::vector<std::string_view>& values)>& perRow);
